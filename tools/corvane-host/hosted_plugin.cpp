#include "tools/corvane-host/hosted_plugin.h"

#include "params/CorvaneParameterManager.h"
#include "params/CorvaneParameters.h"
#include "tools/corvane-host/cli_args.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace corvane::tools {

namespace {
constexpr VstInt32 kCorvaneId = vstFourCC('T', 'W', 'c', 'v');
}

namespace {

// The plug-in being created on this thread: during its entry point the record that would lead
// back to its host does not exist yet.
thread_local HostedPlugin* t_constructing = nullptr;

const char* const kHostCanDos[] = {
    "sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "sizeWindow", "startStopProcess",
};

const char* host_opcode_name(VstInt32 opcode) {
    switch (opcode) {
        case audioMasterAutomate:
            return "automate";
        case audioMasterVersion:
            return "version";
        case audioMasterCurrentId:
            return "currentId";
        case audioMasterIdle:
            return "idle";
        case audioMasterPinConnected:
            return "pinConnected";
        case audioMasterWantMidi:
            return "wantMidi";
        case audioMasterGetTime:
            return "getTime";
        case audioMasterProcessEvents:
            return "processEvents";
        case audioMasterIOChanged:
            return "ioChanged";
        case audioMasterSizeWindow:
            return "sizeWindow";
        case audioMasterGetSampleRate:
            return "getSampleRate";
        case audioMasterGetBlockSize:
            return "getBlockSize";
        case audioMasterGetCurrentProcessLevel:
            return "getCurrentProcessLevel";
        case audioMasterGetAutomationState:
            return "getAutomationState";
        case audioMasterGetVendorString:
            return "getVendorString";
        case audioMasterGetProductString:
            return "getProductString";
        case audioMasterGetVendorVersion:
            return "getVendorVersion";
        case audioMasterCanDo:
            return "canDo";
        case audioMasterGetLanguage:
            return "getLanguage";
        case audioMasterUpdateDisplay:
            return "updateDisplay";
        case audioMasterBeginEdit:
            return "beginEdit";
        case audioMasterEndEdit:
            return "endEdit";
        default:
            return nullptr;
    }
}

void set_pin(std::vector<char>& pins, VstInt32 pin, bool connected) {
    if (pin < 0) return;
    if (static_cast<size_t>(pin) >= pins.size()) pins.resize(static_cast<size_t>(pin) + 1, 1);
    pins[static_cast<size_t>(pin)] = connected ? 1 : 0;
}

bool pin_connected(const std::vector<char>& pins, VstIntPtr pin) {
    return pin >= 0 && static_cast<size_t>(pin) < pins.size() && pins[static_cast<size_t>(pin)];
}

} // namespace

HostedPlugin::HostedPlugin(std::unique_ptr<PluginModule> module, bool verbose)
    : module_(std::move(module)), verbose_(verbose) {
    // Callbacks other than time requests are recorded; room for them up front keeps even a
    // plug-in that automates from its audio thread from making the host allocate there.
    calls_.reserve(4096);
}

std::unique_ptr<HostedPlugin> HostedPlugin::load(const std::string& path, std::string& error,
                                                 bool verbose) {
    std::unique_ptr<PluginModule> module = PluginModule::open(path, error);
    if (!module) return nullptr;
    std::unique_ptr<HostedPlugin> host(new HostedPlugin(std::move(module), verbose));
    t_constructing = host.get();
    AEffect* effect = host->module_->entry()(host_callback);
    t_constructing = nullptr;
    if (!effect) {
        error = "plug-in '" + path + "' did not create an instance";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        error = "'" + path + "' returned something that is not a VST plug-in record";
        return nullptr;
    }
    effect->resvd2 = reinterpret_cast<VstIntPtr>(host.get());
    host->effect_ = effect;
    host->inputs_connected_.assign(static_cast<size_t>(std::max(effect->numInputs, 0)), 1);
    host->outputs_connected_.assign(static_cast<size_t>(std::max(effect->numOutputs, 0)), 1);
    host->dispatch(effOpen);
    host->set_sample_rate(host->sample_rate_);
    host->set_block_size(host->block_size_);
    return host;
}

HostedPlugin::~HostedPlugin() {
    if (!effect_) return;
    if (resumed_) suspend();
    effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
}

VstIntPtr HostedPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

// Plug-ins are known to write past the published text limits, so the buffer is far larger than
// any of them and the answer is cut at its terminator.
std::string HostedPlugin::read_text(VstInt32 opcode, VstInt32 index) {
    char buffer[512];
    std::memset(buffer, 0, sizeof buffer);
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

std::string HostedPlugin::effect_name() {
    return read_text(effGetEffectName);
}
std::string HostedPlugin::vendor_string() {
    return read_text(effGetVendorString);
}
std::string HostedPlugin::product_string() {
    return read_text(effGetProductString);
}

VstIntPtr HostedPlugin::can_do(const std::string& what) {
    std::vector<char> text(what.begin(), what.end());
    text.push_back(0);
    return dispatch(effCanDo, 0, 0, text.data());
}

std::string HostedPlugin::parameter_name(VstInt32 index) {
    return read_text(effGetParamName, index);
}
std::string HostedPlugin::parameter_label(VstInt32 index) {
    return read_text(effGetParamLabel, index);
}
std::string HostedPlugin::parameter_display(VstInt32 index) {
    return read_text(effGetParamDisplay, index);
}

void HostedPlugin::set_parameter(VstInt32 index, float value) {
    effect_->setParameter(effect_, index, value);
}

void HostedPlugin::set_program(VstInt32 index) {
    dispatch(effBeginSetProgram);
    dispatch(effSetProgram, 0, index);
    dispatch(effEndSetProgram);
}

std::string HostedPlugin::program_name() {
    return read_text(effGetProgramName);
}

void HostedPlugin::set_program_name(const std::string& name) {
    char buffer[kVstMaxProgNameLen + 8];
    std::memset(buffer, 0, sizeof buffer);
    std::strncpy(buffer, name.c_str(), kVstMaxProgNameLen);
    dispatch(effSetProgramName, 0, 0, buffer);
}

bool HostedPlugin::program_name_indexed(VstInt32 index, std::string& name) {
    char buffer[512];
    std::memset(buffer, 0, sizeof buffer);
    if (dispatch(effGetProgramNameIndexed, index, -1, buffer) == 0) return false;
    buffer[sizeof buffer - 1] = 0;
    name = buffer;
    return true;
}

std::vector<std::string> HostedPlugin::program_names() {
    std::vector<std::string> names(static_cast<size_t>(std::max(num_programs(), 0)));
    bool all_indexed = true;
    for (VstInt32 i = 0; i < num_programs() && all_indexed; ++i)
        all_indexed = program_name_indexed(i, names[static_cast<size_t>(i)]);
    if (all_indexed) return names;
    const VstInt32 current = program();
    for (VstInt32 i = 0; i < num_programs(); ++i) {
        set_program(i);
        names[static_cast<size_t>(i)] = program_name();
    }
    set_program(current);
    return names;
}

bool HostedPlugin::input_properties(VstInt32 index, VstPinProperties& properties) {
    std::memset(&properties, 0, sizeof properties);
    return dispatch(effGetInputProperties, index, 0, &properties) != 0;
}

bool HostedPlugin::output_properties(VstInt32 index, VstPinProperties& properties) {
    std::memset(&properties, 0, sizeof properties);
    return dispatch(effGetOutputProperties, index, 0, &properties) != 0;
}

std::string HostedPlugin::parameter_long_name(VstInt32 index) {
    VstParameterProperties properties;
    std::memset(&properties, 0, sizeof properties);
    if (dispatch(effGetParameterProperties, index, 0, &properties) != 0) {
        properties.label[sizeof properties.label - 1] = 0;
        if (properties.label[0] != 0) return properties.label;
    }
    // Corvane gives its long names only to its own editor; this host knows them from its table.
    if (unique_id() == kCorvaneId && index >= 0 && index < num_params()) {
        static const CorvaneParameterManager corvane_table;
        const std::string name = corvane_table.getNameString(index);
        if (!name.empty()) return name;
    }
    return parameter_name(index);
}

std::vector<std::string> HostedPlugin::parameter_steps(VstInt32 index) {
    if (unique_id() != kCorvaneId) return {};
    // The host shows these as numbers; the editor shows them as switches with these names.
    switch (index) {
        case kFilterType:
            return {"LP", "BP", "HP"};
        case kLfoShape:
            return {"square", "saw", "sine", "random"};
        case kEnvTrigger:
            return {"AUDIO", "MIDI", "SIDECH", "LFO"};
        default:
            return {};
    }
}

bool HostedPlugin::normalised_from_units(VstInt32 index, float units, float& normalised) {
    // Corvane's private request (effVendorSpecific, index 12345): the value argument is the
    // parameter, opt the value in display units, ptr the float that receives the answer. Other
    // plug-ins may give the same numbers another meaning, so only Corvane is asked.
    constexpr VstInt32 kRequestToNormalised = 12345;
    if (unique_id() != kCorvaneId || index < 0 || index >= num_params()) return false;
    float answer = 0.0f;
    if (dispatch(effVendorSpecific, kRequestToNormalised, index, &answer, units) == 0) return false;
    normalised = answer;
    return true;
}

void HostedPlugin::reserve_midi(size_t capacity) {
    midi_.assign(capacity, VstMidiEvent{});
    midi_list_.assign(sizeof(VstEvents) + capacity * sizeof(VstEvent*), 0);
}

void HostedPlugin::send_midi(const MidiMessage* messages, size_t count) {
    count = std::min(count, midi_.size());
    if (count == 0) return;
    VstEvents* list = reinterpret_cast<VstEvents*>(midi_list_.data());
    list->numEvents = 0;
    for (size_t i = 0; i < count; ++i) {
        VstMidiEvent& e = midi_[i];
        std::memset(&e, 0, sizeof e);
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = messages[i].frame;
        e.flags = kVstMidiEventIsRealtime;
        for (int b = 0; b < 3; ++b)
            e.midiData[b] = static_cast<char>(messages[i].bytes[b]);
        vstSetEventAt(list, list->numEvents++, reinterpret_cast<VstEvent*>(&e));
    }
    process_events(list);
}

bool HostedPlugin::editor_size(int& width, int& height) {
    ERect rect{};
    if (!editor_rect(rect)) return false;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    return true;
}

bool HostedPlugin::set_editor_scale(double scale) {
    return dispatch(effVendorSpecific, kHostExtensionVendor, kHostExtensionContentScale, nullptr,
                    static_cast<float>(scale)) != 0;
}

bool HostedPlugin::open_editor(unsigned long parent_window) {
    return dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent_window)) != 0;
}

void HostedPlugin::close_editor() {
    dispatch(effEditClose);
}

void HostedPlugin::editor_idle() {
    dispatch(effEditIdle);
}

bool HostedPlugin::editor_rect(ERect& rect) {
    if (!(flags() & effFlagsHasEditor)) return false;
    ERect* answer = nullptr;
    dispatch(effEditGetRect, 0, 0, &answer);
    if (!answer) return false;
    rect = *answer;
    return true;
}

void HostedPlugin::set_sample_rate(double rate) {
    sample_rate_ = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void HostedPlugin::set_block_size(VstInt32 frames) {
    block_size_ = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void HostedPlugin::resume() {
    if (resumed_) return;
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    resumed_ = true;
    transport_changed_ = true;
}

void HostedPlugin::suspend() {
    if (!resumed_) return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    resumed_ = false;
}

void HostedPlugin::process(float** inputs, float** outputs, VstInt32 frames) {
    in_process_ = true;
    effect_->processReplacing(effect_, inputs, outputs, frames);
    in_process_ = false;
    transport_changed_ = false;
    transport_.sample_pos += frames;
    if (transport_.playing) transport_.ppq_pos += frames / sample_rate_ * transport_.tempo / 60.0;
}

void HostedPlugin::set_input_connected(VstInt32 pin, bool connected) {
    set_pin(inputs_connected_, pin, connected);
}

void HostedPlugin::set_output_connected(VstInt32 pin, bool connected) {
    set_pin(outputs_connected_, pin, connected);
}

VstTimeInfo* HostedPlugin::time_info() {
    ++time_requests_;
    if (!transport_.available) return nullptr;
    const HostTransport& t = transport_;
    VstTimeInfo& info = time_info_;
    info = VstTimeInfo{};
    info.samplePos = t.sample_pos;
    info.sampleRate = sample_rate_;
    info.nanoSeconds = t.sample_pos / sample_rate_ * 1e9;
    info.ppqPos = t.ppq_pos;
    info.tempo = t.tempo;
    const double quarters_per_bar = t.denominator > 0 ? t.numerator * 4.0 / t.denominator : 0.0;
    if (quarters_per_bar > 0.0 && std::isfinite(t.ppq_pos))
        info.barStartPos = std::floor(t.ppq_pos / quarters_per_bar) * quarters_per_bar;
    info.timeSigNumerator = t.numerator;
    info.timeSigDenominator = t.denominator;
    info.flags =
        kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    if (t.playing) info.flags |= kVstTransportPlaying;
    if (transport_changed_) info.flags |= kVstTransportChanged;
    return &info;
}

void HostedPlugin::record(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt,
                          const char* text) {
    calls_.push_back(HostCall{opcode, index, value, opt, text ? text : ""});
    if (!verbose_) return;
    const char* name = host_opcode_name(opcode);
    std::fprintf(stderr, "host: %s", name ? name : "opcode");
    if (!name) std::fprintf(stderr, " %d", static_cast<int>(opcode));
    std::fprintf(stderr, " (index %d, value %lld, opt %g)", static_cast<int>(index),
                 static_cast<long long>(value), static_cast<double>(opt));
    if (text) std::fprintf(stderr, " \"%s\"", text);
    std::fputc('\n', stderr);
}

VstIntPtr HostedPlugin::host_callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                      VstIntPtr value, void* ptr, float opt) {
    HostedPlugin* self = t_constructing;
    if (!self && effect) self = reinterpret_cast<HostedPlugin*>(effect->resvd2);
    if (!self) return opcode == audioMasterVersion ? kHostVstVersion : 0;
    return self->answer(opcode, index, value, ptr, opt);
}

VstIntPtr HostedPlugin::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt) {
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(time_info());
    const char* text = opcode == audioMasterCanDo ? static_cast<const char*>(ptr) : nullptr;
    record(opcode, index, value, opt, text);
    switch (opcode) {
        case audioMasterVersion:
            return kHostVstVersion;
        case audioMasterPinConnected:
            // 0 means connected.
            return pin_connected(value ? outputs_connected_ : inputs_connected_, index) ? 0 : 1;
        case audioMasterWantMidi:
            midi_wanted_ = true;
            return 1;
        case audioMasterSizeWindow:
            if (on_size_window) return on_size_window(index, static_cast<VstInt32>(value)) ? 1 : 0;
            return 1;
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(sample_rate_);
        case audioMasterGetBlockSize:
            return block_size_;
        case audioMasterGetCurrentProcessLevel:
            return in_process_ ? kVstProcessLevelRealtime : kVstProcessLevelUser;
        case audioMasterGetAutomationState:
            return kVstAutomationOff;
        case audioMasterGetVendorString:
            if (!ptr) return 0;
            std::snprintf(static_cast<char*>(ptr), kVstMaxVendorStrLen, "%s", "Tessel Works");
            return 1;
        case audioMasterGetProductString:
            if (!ptr) return 0;
            std::snprintf(static_cast<char*>(ptr), kVstMaxProductStrLen, "%s", "corvane-host");
            return 1;
        case audioMasterGetVendorVersion:
            return 1000;
        case audioMasterCanDo:
            if (!text) return 0;
            for (const char* can : kHostCanDos)
                if (std::strcmp(text, can) == 0) return 1;
            return 0;
        case audioMasterGetLanguage:
            return kVstLangEnglish;
        case audioMasterUpdateDisplay:
        case audioMasterBeginEdit:
        case audioMasterEndEdit:
            return 1;
        default:
            // Automation notices, MIDI output and everything this host does not offer.
            return 0;
    }
}

std::string describe_effect_flags(VstInt32 flags) {
    static const struct {
        VstInt32 flag;
        const char* name;
    } kNames[] = {
        {effFlagsHasEditor, "HasEditor"},
        {effFlagsHasClip, "HasClip"},
        {effFlagsHasVu, "HasVu"},
        {effFlagsCanMono, "CanMono"},
        {effFlagsCanReplacing, "CanReplacing"},
        {effFlagsProgramChunks, "ProgramChunks"},
        {effFlagsIsSynth, "IsSynth"},
        {effFlagsNoSoundInStop, "NoSoundInStop"},
        {effFlagsExtIsAsync, "ExtIsAsync"},
        {effFlagsExtHasBuffer, "ExtHasBuffer"},
        {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
    };
    std::string text;
    for (const auto& entry : kNames) {
        if (!(flags & entry.flag)) continue;
        if (!text.empty()) text += ' ';
        text += entry.name;
    }
    return text.empty() ? "none" : text;
}

std::string describe_four_cc(VstInt32 id) {
    char chars[4];
    bool printable = true;
    for (int i = 0; i < 4; ++i) {
        chars[i] = static_cast<char>((static_cast<uint32_t>(id) >> (24 - 8 * i)) & 0xff);
        printable = printable && chars[i] >= 0x20 && chars[i] < 0x7f;
    }
    char text[32];
    if (printable)
        std::snprintf(text, sizeof text, "'%c%c%c%c' (0x%08x)", chars[0], chars[1], chars[2],
                      chars[3], static_cast<unsigned>(id));
    else
        std::snprintf(text, sizeof text, "%d (0x%08x)", static_cast<int>(id),
                      static_cast<unsigned>(id));
    return text;
}

} // namespace corvane::tools
