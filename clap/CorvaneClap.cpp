#include "clap/CorvaneClap.h"

#include "clap/clap_state_format.h"
#include "editor/corvane_layout.h"
#include "editor/corvaneeditor.h"
#include "gui/cframe.h"
#include "gui/cknob.h"
#include "params/CorvaneFactoryPrograms.h"
#include "params/tw_paramManager.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvane::clap {

namespace {

constexpr const char* kFeatures[] = {"audio-effect", "reverb", "filter",
                                     "distortion",   "stereo", nullptr};

// How each parameter appears to a CLAP host: the editor section it sits in, its flags, and
// the factor between its value and the number its text shows (amounts held as 0..1 read 0..100).
struct ParamInfo {
    const char* module;
    std::uint32_t flags;
    float textScale;
};

constexpr std::uint32_t kAuto = CLAP_PARAM_IS_AUTOMATABLE;
constexpr std::uint32_t kMod = CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_MODULATABLE;
constexpr std::uint32_t kStep = CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_STEPPED;
constexpr std::uint32_t kChoice = kStep | CLAP_PARAM_IS_ENUM;

// Trigger selectors are continuous values read as positions, so they are neither stepped nor
// modulatable: a modulated selector would jump between sources.
const ParamInfo kParamInfo[kNumParams] = {
    {"Reverb", kMod, 1.0f},                         // Rev Color
    {"Reverb", kMod, 100.0f},                       // Rev Decay
    {"Reverb", kMod, 1.0f},                         // Rev Mix
    {"Reverb", kChoice, 1.0f},                      // Rev Pre/Post
    {"Reverb", kStep, 1.0f},                        // Rev Freeze
    {"Filter", kMod, 1.0f},                         // Filter Cutoff
    {"Filter", kMod, 100.0f},                       // Filter Reson
    {"Filter", kChoice, 1.0f},                      // Filter Type
    {"Filter", kMod, 1.0f},                         // Filter LFO Mod
    {"Filter", kMod, 1.0f},                         // Filter Env Mod
    {"Filter", kMod, 100.0f},                       // Filter Drive
    {"LFO", kMod, 1.0f},                            // LFO Rate
    {"LFO", kMod, 1.0f},                            // LFO Phase
    {"LFO", kChoice, 1.0f},                         // LFO Shape
    {"LFO", kMod, 1.0f},                            // LFO Skew
    {"LFO", kStep, 1.0f},                           // LFO Sync
    {"LFO", kAuto, 1.0f},                           // LFO Trigger
    {"Envelope", kMod, 100.0f},                     // Env Attack
    {"Envelope", kMod, 100.0f},                     // Env Decay
    {"Envelope", kMod, 1.0f},                       // Env HPF
    {"Envelope", kMod, 1.0f},                       // Env Gain
    {"Envelope", kAuto, 1.0f},                      // Env Trigger
    {"Output", kMod, 1.0f},                         // Input
    {"Output", kMod, 1.0f},                         // Feedback
    {"Output", kMod, 1.0f},                         // VCA
    {"Output", kMod, 1.0f},                         // Master LFO Mod
    {"Output", kMod, 1.0f},                         // Master Env Mod
    {"Output", kMod, 1.0f},                         // Mix
    {"Output", kStep | CLAP_PARAM_IS_BYPASS, 1.0f}, // Bypass
};

bool isParam(clap_id id) {
    return id < static_cast<clap_id>(kNumParams);
}

constexpr int kAllNotesOffController = 123;
constexpr std::uint32_t kEditorTimerMs = 15;
constexpr std::uint32_t kAllEdits = (std::uint32_t{1} << kNumParams) - 1;

// The size an event of a core type must have at least for its fields to be read.
std::uint32_t minimumSize(std::uint16_t type) {
    switch (type) {
        case CLAP_EVENT_NOTE_ON:
        case CLAP_EVENT_NOTE_OFF:
        case CLAP_EVENT_NOTE_CHOKE:
            return sizeof(clap_event_note);
        case CLAP_EVENT_PARAM_VALUE:
            return sizeof(clap_event_param_value);
        case CLAP_EVENT_PARAM_MOD:
            return sizeof(clap_event_param_mod);
        case CLAP_EVENT_TRANSPORT:
            return sizeof(clap_event_transport);
        case CLAP_EVENT_MIDI:
            return sizeof(clap_event_midi);
        default:
            return 0; // not one we read
    }
}

template <typename T>
const T* hostExtension(const clap_host* host, const char* id) {
    if (!host || !host->get_extension) return nullptr;
    return static_cast<const T*>(host->get_extension(host, id));
}

// ---- the C entry points of the instance -----------------------------------------------------

bool pluginInit(const clap_plugin* p) {
    auto* self = CorvaneClap::from(p);
    return self && self->init();
}
void pluginDestroy(const clap_plugin* p) {
    delete CorvaneClap::from(p);
}
bool pluginActivate(const clap_plugin* p, double rate, std::uint32_t minFrames,
                    std::uint32_t maxFrames) {
    auto* self = CorvaneClap::from(p);
    return self && self->activate(rate, minFrames, maxFrames);
}
void pluginDeactivate(const clap_plugin* p) {
    if (auto* self = CorvaneClap::from(p)) self->deactivate();
}
bool pluginStartProcessing(const clap_plugin* p) {
    auto* self = CorvaneClap::from(p);
    return self && self->startProcessing();
}
void pluginStopProcessing(const clap_plugin* p) {
    if (auto* self = CorvaneClap::from(p)) self->stopProcessing();
}
void pluginReset(const clap_plugin* p) {
    if (auto* self = CorvaneClap::from(p)) self->reset();
}
clap_process_status pluginProcess(const clap_plugin* p, const clap_process* process) {
    auto* self = CorvaneClap::from(p);
    return self ? self->process(process) : CLAP_PROCESS_ERROR;
}
const void* pluginExtension(const clap_plugin* p, const char* id) {
    auto* self = CorvaneClap::from(p);
    return self ? self->extension(id) : nullptr;
}
void pluginOnMainThread(const clap_plugin*) {}

std::uint32_t audioPortCount(const clap_plugin*, bool isInput) {
    return isInput ? 2 : 1;
}
bool audioPortInfo(const clap_plugin*, std::uint32_t index, bool isInput,
                   clap_audio_port_info* info) {
    if (!info || index >= audioPortCount(nullptr, isInput)) return false;
    std::memset(info, 0, sizeof *info);
    info->id = index;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = CLAP_INVALID_ID;
    const char* name = "Main In";
    if (!isInput) {
        name = "Main Out";
    } else if (index == 1) {
        // Optional: without it, the envelope follower's side-chain modes listen to the main input.
        name = "Sidechain In";
    }
    std::snprintf(info->name, sizeof info->name, "%s", name);
    if (index == 0) {
        info->flags = CLAP_AUDIO_PORT_IS_MAIN;
        // The engine reads a piece of input before it writes that piece of output.
        info->in_place_pair = 0;
    }
    return true;
}
const clap_plugin_audio_ports kAudioPorts = {audioPortCount, audioPortInfo};

std::uint32_t notePortCount(const clap_plugin*, bool isInput) {
    return isInput ? 1 : 0;
}
bool notePortInfo(const clap_plugin*, std::uint32_t index, bool isInput,
                  clap_note_port_info* info) {
    if (!info || !isInput || index != 0) return false;
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    std::snprintf(info->name, sizeof info->name, "%s", "Envelope Trigger");
    return true;
}
const clap_plugin_note_ports kNotePorts = {notePortCount, notePortInfo};

std::uint32_t paramCount(const clap_plugin*) {
    return kNumParams;
}
bool paramGetInfo(const clap_plugin* p, std::uint32_t index, clap_param_info* info) {
    auto* self = CorvaneClap::from(p);
    return self && self->paramInfo(index, info);
}
bool paramGetValue(const clap_plugin* p, clap_id id, double* value) {
    auto* self = CorvaneClap::from(p);
    return self && self->paramValue(id, value);
}
bool paramValueToText(const clap_plugin* p, clap_id id, double value, char* text,
                      std::uint32_t capacity) {
    auto* self = CorvaneClap::from(p);
    return self && self->valueToText(id, value, text, capacity);
}
bool paramTextToValue(const clap_plugin* p, clap_id id, const char* text, double* value) {
    auto* self = CorvaneClap::from(p);
    return self && self->textToValue(id, text, value);
}
void paramFlush(const clap_plugin* p, const clap_input_events* in, const clap_output_events* out) {
    if (auto* self = CorvaneClap::from(p)) self->flush(in, out);
}
const clap_plugin_params kParams = {paramCount,       paramGetInfo,     paramGetValue,
                                    paramValueToText, paramTextToValue, paramFlush};

bool stateSave(const clap_plugin* p, const clap_ostream* stream) {
    auto* self = CorvaneClap::from(p);
    return self && self->saveState(stream);
}
bool stateLoad(const clap_plugin* p, const clap_istream* stream) {
    auto* self = CorvaneClap::from(p);
    return self && self->loadState(stream);
}
const clap_plugin_state kState = {stateSave, stateLoad};

bool presetFromLocation(const clap_plugin* p, std::uint32_t kind, const char* location,
                        const char* key) {
    auto* self = CorvaneClap::from(p);
    return self && self->loadPreset(kind, location, key);
}
const clap_plugin_preset_load kPresetLoad = {presetFromLocation};

bool guiIsApiSupported(const clap_plugin*, const char* api, bool floating) {
    return api && std::strcmp(api, CLAP_WINDOW_API_X11) == 0 && !floating;
}
bool guiPreferredApi(const clap_plugin*, const char** api, bool* floating) {
    if (!api || !floating) return false;
    *api = CLAP_WINDOW_API_X11;
    *floating = false;
    return true;
}
bool guiCreate(const clap_plugin* p, const char* api, bool floating) {
    auto* self = CorvaneClap::from(p);
    return self && self->guiCreate(api, floating);
}
void guiDestroy(const clap_plugin* p) {
    if (auto* self = CorvaneClap::from(p)) self->guiDestroy();
}
bool guiSetScale(const clap_plugin* p, double scale) {
    auto* self = CorvaneClap::from(p);
    return self && self->guiSetScale(scale);
}
bool guiGetSize(const clap_plugin* p, std::uint32_t* width, std::uint32_t* height) {
    auto* self = CorvaneClap::from(p);
    return self && width && height && self->guiSize(*width, *height);
}
bool guiCanResize(const clap_plugin*) {
    return false;
}
bool guiResizeHints(const clap_plugin*, clap_gui_resize_hints*) {
    return false;
}
bool guiAdjustSize(const clap_plugin* p, std::uint32_t* width, std::uint32_t* height) {
    return guiGetSize(p, width, height);
}
// The window keeps the size its scale gives it.
bool guiSetSize(const clap_plugin* p, std::uint32_t width, std::uint32_t height) {
    std::uint32_t w = 0, h = 0;
    return guiGetSize(p, &w, &h) && width == w && height == h;
}
bool guiSetParent(const clap_plugin* p, const clap_window* window) {
    auto* self = CorvaneClap::from(p);
    return self && self->guiSetParent(window);
}
bool guiSetTransient(const clap_plugin*, const clap_window*) {
    return false;
}
void guiSuggestTitle(const clap_plugin*, const char*) {}
bool guiShow(const clap_plugin* p) {
    auto* self = CorvaneClap::from(p);
    return self && self->guiShow();
}
bool guiHide(const clap_plugin* p) {
    auto* self = CorvaneClap::from(p);
    return self && self->guiHide();
}
const clap_plugin_gui kGui = {guiIsApiSupported, guiPreferredApi, guiCreate,    guiDestroy,
                              guiSetScale,       guiGetSize,      guiCanResize, guiResizeHints,
                              guiAdjustSize,     guiSetSize,      guiSetParent, guiSetTransient,
                              guiSuggestTitle,   guiShow,         guiHide};

void timerFired(const clap_plugin* p, clap_id timer) {
    if (auto* self = CorvaneClap::from(p)) self->onTimer(timer);
}
const clap_plugin_timer_support kTimerSupport = {timerFired};

void fdReady(const clap_plugin* p, int fd, std::uint32_t flags) {
    if (auto* self = CorvaneClap::from(p)) self->onFd(fd, flags);
}
const clap_plugin_posix_fd_support kFdSupport = {fdReady};

// Case-insensitive comparison of two texts, each without leading and trailing spaces.
bool sameText(const char* a, const char* b) {
    auto trim = [](const char*& s, std::size_t& n) {
        while (*s == ' ')
            ++s;
        n = std::strlen(s);
        while (n > 0 && s[n - 1] == ' ')
            --n;
    };
    std::size_t na = 0, nb = 0;
    trim(a, na);
    trim(b, nb);
    if (na != nb) return false;
    for (std::size_t i = 0; i < na; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION,
    "works.tessel.corvane",
    "Corvane",
    "Tessel Works",
    "",
    "",
    "",
    "1.0.1",
    "Reverb, feedback, drive and resonant filter, modulated by an LFO and an envelope follower",
    kFeatures,
};

CorvaneClap::CorvaneClap(const clap_host* host) : host_(host) {
    plugin_.desc = &kDescriptor;
    plugin_.plugin_data = this;
    plugin_.init = pluginInit;
    plugin_.destroy = pluginDestroy;
    plugin_.activate = pluginActivate;
    plugin_.deactivate = pluginDeactivate;
    plugin_.start_processing = pluginStartProcessing;
    plugin_.stop_processing = pluginStopProcessing;
    plugin_.reset = pluginReset;
    plugin_.process = pluginProcess;
    plugin_.get_extension = pluginExtension;
    plugin_.on_main_thread = pluginOnMainThread;
    for (auto& v : baseValues_)
        v.store(0.0f, std::memory_order_relaxed);
}

CorvaneClap::~CorvaneClap() {
    guiDestroy();
    if (processor_) processor_->setGestureListener(nullptr);
}

CorvaneClap* CorvaneClap::from(const clap_plugin* plugin) {
    return plugin ? static_cast<CorvaneClap*>(plugin->plugin_data) : nullptr;
}

bool CorvaneClap::init() {
    if (state_ != State::Created) return false;
    // The host's extensions may be asked for from init on, not before.
    threadCheck_ = hostExtension<clap_host_thread_check>(host_, CLAP_EXT_THREAD_CHECK);
    if (!onMainThread()) return false;
    hostParams_ = hostExtension<clap_host_params>(host_, CLAP_EXT_PARAMS);
    hostState_ = hostExtension<clap_host_state>(host_, CLAP_EXT_STATE);
    hostTimer_ = hostExtension<clap_host_timer_support>(host_, CLAP_EXT_TIMER_SUPPORT);
    hostFd_ = hostExtension<clap_host_posix_fd_support>(host_, CLAP_EXT_POSIX_FD_SUPPORT);
    hostGui_ = hostExtension<clap_host_gui>(host_, CLAP_EXT_GUI);
    hostPresetLoad_ = hostExtension<clap_host_preset_load>(host_, CLAP_EXT_PRESET_LOAD);
    if (!hostPresetLoad_)
        hostPresetLoad_ = hostExtension<clap_host_preset_load>(host_, CLAP_EXT_PRESET_LOAD_COMPAT);

    processor_ = std::make_unique<CorvaneProcessor>();
    processor_->setGestureListener(this);
    refreshBaseValues();
    state_ = State::Inactive;
    return true;
}

bool CorvaneClap::onMainThread() const {
    return !threadCheck_ || !threadCheck_->is_main_thread || threadCheck_->is_main_thread(host_);
}

bool CorvaneClap::onAudioThread() const {
    return !threadCheck_ || !threadCheck_->is_audio_thread || threadCheck_->is_audio_thread(host_);
}

bool CorvaneClap::activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames) {
    if (state_ != State::Inactive || !onMainThread()) return false;
    if (!std::isfinite(sampleRate) || !(sampleRate > 0.0) || minFrames > maxFrames) return false;
    // No block runs while the plug-in is inactive, so the audio thread's share is this thread's.
    processor_->setSampleRate(sampleRate);
    for (double& m : modulation_)
        m = 0.0;
    sidechains_ = -1;
    processor_->setChannelLayout(2, 2, 0);
    processor_->activate();
    state_ = State::Active;
    return true;
}

bool CorvaneClap::transition(State from, State to, bool rightThread) {
    if (state_ != from || !rightThread) return false;
    state_ = to;
    return true;
}

void CorvaneClap::deactivate() {
    transition(State::Active, State::Inactive, onMainThread());
}

bool CorvaneClap::startProcessing() {
    return transition(State::Active, State::Processing, onAudioThread());
}

void CorvaneClap::stopProcessing() {
    transition(State::Processing, State::Active, onAudioThread());
}

void CorvaneClap::reset() {
    if (state_ == State::Created || state_ == State::Inactive) return;
    // Note gate closed, filters and feedback cleared: the clean start of an activation.
    processor_->activate();
}

const void* CorvaneClap::extension(const char* id) const {
    if (!id) return nullptr;
    struct Entry {
        const char* id;
        const void* extension;
    };
    static const Entry kExtensions[] = {
        {CLAP_EXT_AUDIO_PORTS, &kAudioPorts},
        {CLAP_EXT_NOTE_PORTS, &kNotePorts},
        {CLAP_EXT_PARAMS, &kParams},
        {CLAP_EXT_STATE, &kState},
        {CLAP_EXT_PRESET_LOAD, &kPresetLoad},
        {CLAP_EXT_PRESET_LOAD_COMPAT, &kPresetLoad},
        {CLAP_EXT_GUI, &kGui},
        {CLAP_EXT_TIMER_SUPPORT, &kTimerSupport},
        {CLAP_EXT_POSIX_FD_SUPPORT, &kFdSupport},
    };
    for (const Entry& e : kExtensions)
        if (std::strcmp(id, e.id) == 0) return e.extension;
    return nullptr;
}

// ---- the editor's gestures ------------------------------------------------------------------

void CorvaneClap::gestureBegin(int index) {
    queueGesture(CLAP_EVENT_PARAM_GESTURE_BEGIN, index);
}

void CorvaneClap::gestureEnd(int index) {
    queueGesture(CLAP_EVENT_PARAM_GESTURE_END, index);
}

// An edit in the editor: the new value for the host. Host changes never come this way, so
// nothing the host sends is echoed back.
void CorvaneClap::gestureValue(int index, float normalised) {
    if (index < 0 || index >= kNumParams) return;
    baseValues_[index].store(normalised, std::memory_order_relaxed);
    editedValues_.fetch_or(std::uint32_t{1} << index, std::memory_order_release);
    if (hostParams_ && state_ != State::Processing) hostParams_->request_flush(host_);
}

void CorvaneClap::queueGesture(std::uint16_t type, int index) {
    if (index < 0 || index >= kNumParams) return;
    const std::uint32_t w = gestureWrite_.load(std::memory_order_relaxed);
    // A full ring drops the gesture, never blocks the editor; the values still arrive.
    if (w - gestureRead_.load(std::memory_order_acquire) >= kGestureRing) return;
    gestures_[w % kGestureRing] = {type, static_cast<std::uint16_t>(index)};
    gestureWrite_.store(w + 1, std::memory_order_release);
    if (hostParams_ && state_ != State::Processing) hostParams_->request_flush(host_);
}

void CorvaneClap::emitEdits(const clap_output_events* out) {
    if (!out || !out->try_push) return;
    // Begins first, then the latest values, then ends: a gesture that began and ended since the
    // last call still brackets its value.
    const std::uint32_t r = gestureRead_.load(std::memory_order_relaxed);
    const std::uint32_t w = gestureWrite_.load(std::memory_order_acquire);
    auto pushGestures = [&](std::uint16_t type) {
        for (std::uint32_t g = r; g != w; ++g) {
            const Gesture& gesture = gestures_[g % kGestureRing];
            if (gesture.type != type) continue;
            clap_event_param_gesture event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
            event.param_id = gesture.index;
            out->try_push(out, &event.header);
        }
    };
    pushGestures(CLAP_EVENT_PARAM_GESTURE_BEGIN);
    std::uint32_t edited = editedValues_.exchange(0, std::memory_order_acquire) & kAllEdits;
    while (edited != 0) {
        const int index = __builtin_ctz(edited);
        edited &= edited - 1;
        clap_event_param_value event{};
        event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE,
                        CLAP_EVENT_IS_LIVE};
        event.param_id = static_cast<clap_id>(index);
        event.note_id = -1;
        event.port_index = -1;
        event.channel = -1;
        event.key = -1;
        event.value = toClapValue(index, baseValues_[index].load(std::memory_order_relaxed));
        out->try_push(out, &event.header);
    }
    pushGestures(CLAP_EVENT_PARAM_GESTURE_END);
    gestureRead_.store(w, std::memory_order_release);
}

// ---- parameters -----------------------------------------------------------------------------

// A parameter's CLAP value is its value in display units: its own unit, or for LFO Rate, whose
// unit changes with LFO Sync (Hz or a note division), its normalised position.
float CorvaneClap::toNormalised(int index, double value) const {
    const float fallback = baseValues_[index].load(std::memory_order_relaxed);
    if (!std::isfinite(value)) return fallback;
    const tw_paramManager& info = processor_->parameterInfo();
    const bool syncable = info.getKind(index) == tw_paramManager::kKindSyncRate;
    const double lo = syncable ? 0.0 : info.getMin(index);
    const double hi = syncable ? 1.0 : info.getMax(index);
    float normalised = fallback;
    if (!processor_->displayToNormalised(index, static_cast<float>(std::clamp(value, lo, hi)),
                                         normalised))
        return fallback;
    return std::clamp(normalised, 0.0f, 1.0f);
}

double CorvaneClap::toClapValue(int index, float normalised) const {
    float display = 0.0f;
    processor_->normalisedToDisplay(index, normalised, display);
    return display;
}

float CorvaneClap::effectiveValue(int index) const {
    const float base = baseValues_[index].load(std::memory_order_relaxed);
    if (modulation_[index] == 0.0) return base;
    return toNormalised(index, toClapValue(index, base) + modulation_[index]);
}

bool CorvaneClap::paramInfo(std::uint32_t index, clap_param_info* info) const {
    if (!info || index >= static_cast<std::uint32_t>(kNumParams) || !processor_) return false;
    const int i = static_cast<int>(index);
    const tw_paramManager& params = processor_->parameterInfo();
    std::memset(info, 0, sizeof *info);
    info->id = index;
    info->flags = kParamInfo[i].flags;
    std::snprintf(info->name, sizeof info->name, "%s", params.getNameString(i).c_str());
    std::snprintf(info->module, sizeof info->module, "%s", kParamInfo[i].module);
    const float defaultNormalised = processor_->parameterDefault(i);
    info->default_value = toClapValue(i, defaultNormalised);
    info->min_value = toClapValue(i, 0.0f);
    info->max_value = toClapValue(i, 1.0f);
    return true;
}

bool CorvaneClap::paramValue(clap_id id, double* value) const {
    if (!value || !isParam(id) || !processor_) return false;
    *value = toClapValue(static_cast<int>(id), baseValues_[id].load(std::memory_order_relaxed));
    return true;
}

bool CorvaneClap::valueToText(clap_id id, double value, char* text, std::uint32_t capacity) const {
    if (!text || capacity == 0 || !isParam(id) || !processor_ || !std::isfinite(value))
        return false;
    const int i = static_cast<int>(id);
    char display[32] = {};
    char label[32] = {};
    processor_->normalisedToText(i, toNormalised(i, value), display, sizeof display - 1);
    processor_->parameterLabel(i, label, sizeof label - 1);
    const char* shown = display;
    while (*shown == ' ')
        ++shown;
    std::snprintf(text, capacity, label[0] ? "%s %s" : "%s", shown, label);
    return true;
}

bool CorvaneClap::textToValue(clap_id id, const char* text, double* value) const {
    if (!text || !value || !isParam(id) || !processor_) return false;
    const int i = static_cast<int>(id);
    const tw_paramManager& params = processor_->parameterInfo();
    // Choices: any of the texts their steps show, with or without the unit.
    if (kParamInfo[i].flags & CLAP_PARAM_IS_STEPPED) {
        const int first = static_cast<int>(params.getMin(i));
        const int last = static_cast<int>(params.getMax(i));
        for (int step = first; step <= last; ++step) {
            char shown[CLAP_NAME_SIZE] = {};
            char withoutUnit[32] = {};
            valueToText(id, step, shown, sizeof shown);
            processor_->normalisedToText(i, toNormalised(i, step), withoutUnit,
                                         sizeof withoutUnit - 1);
            if (sameText(text, shown) || sameText(text, withoutUnit)) {
                *value = step;
                return true;
            }
        }
    }
    // Amounts shown as 0..100 are held as 0..1: their shown number is read and scaled.
    if (kParamInfo[i].textScale != 1.0f) {
        char* end = nullptr;
        const double number = std::strtod(text, &end);
        if (end == text || !std::isfinite(number)) return false;
        *value = std::clamp(number / kParamInfo[i].textScale, static_cast<double>(params.getMin(i)),
                            static_cast<double>(params.getMax(i)));
        return true;
    }
    float normalised = 0.0f;
    if (!processor_->textToNormalised(i, text, normalised)) return false;
    *value = toClapValue(i, normalised);
    return true;
}

void CorvaneClap::programSelected(int) {
    refreshBaseValues();
    tellHostValuesChanged();
}

void CorvaneClap::refreshBaseValues() {
    for (int i = 0; i < kNumParams; ++i)
        baseValues_[i].store(processor_->getParameter(i), std::memory_order_relaxed);
}

void CorvaneClap::tellHostValuesChanged() const {
    if (hostParams_ && hostParams_->rescan) hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES);
    if (hostState_ && hostState_->mark_dirty) hostState_->mark_dirty(host_);
}

void CorvaneClap::flush(const clap_input_events* in, const clap_output_events* out) {
    if (!processor_) return;
    // While the plug-in is active the host flushes on the audio thread; otherwise on the main.
    const bool active = state_ == State::Active || state_ == State::Processing;
    if (active ? !onAudioThread() : !onMainThread()) return;
    changeCount_ = 0;
    midiCount_ = 0;
    if (in && in->size && in->get) {
        const std::uint32_t n = in->size(in);
        for (std::uint32_t e = 0; e < n; ++e) {
            const clap_event_header* event = in->get(in, e);
            // Outside a block only parameter events mean anything; they apply at once.
            if (!event ||
                (event->type != CLAP_EVENT_PARAM_VALUE && event->type != CLAP_EVENT_PARAM_MOD))
                continue;
            if (!addEvent(event, 0)) {
                applyFlushed();
                addEvent(event, 0);
            }
        }
    }
    applyFlushed();
    emitEdits(out);
}

void CorvaneClap::applyFlushed() {
    for (int c = 0; c < changeCount_; ++c)
        processor_->setParameter(changes_[c].index, changes_[c].normalised);
    changeCount_ = 0;
}

// ---- processing -----------------------------------------------------------------------------

bool CorvaneClap::addEvent(const clap_event_header* event, int frame) {
    if (event->space_id != CLAP_CORE_EVENT_SPACE_ID) return true;
    const std::uint32_t needed = minimumSize(event->type);
    if (needed == 0 || event->size < needed) return true;
    switch (event->type) {
        case CLAP_EVENT_PARAM_VALUE:
        case CLAP_EVENT_PARAM_MOD: {
            if (changeCount_ >= kMaxEvents) return false;
            // The two share their layout up to the value.
            const auto* e = reinterpret_cast<const clap_event_param_value*>(event);
            if (!isParam(e->param_id)) return true;
            const int index = static_cast<int>(e->param_id);
            if (!std::isfinite(e->value)) return true;
            if (event->type == CLAP_EVENT_PARAM_VALUE) {
                baseValues_[index].store(toNormalised(index, e->value), std::memory_order_relaxed);
            } else {
                if (!(kParamInfo[index].flags & CLAP_PARAM_IS_MODULATABLE)) return true;
                modulation_[index] = e->value;
            }
            changes_[changeCount_++] = {frame, index, effectiveValue(index)};
            return true;
        }
        case CLAP_EVENT_MIDI: {
            const auto* e = reinterpret_cast<const clap_event_midi*>(event);
            if (e->port_index != 0) return true;
            return addMidi(frame, e->data[0], e->data[1], e->data[2]);
        }
        case CLAP_EVENT_TRANSPORT:
            return true; // taken by process, which starts a segment there
        default:
            return addNote(event, frame);
    }
}

bool CorvaneClap::addMidi(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    if (midiCount_ >= kMaxEvents) return false;
    CorvaneProcessor::MidiEvent& m = midi_[midiCount_++];
    m.frame = frame;
    m.data[0] = status;
    m.data[1] = data1 & 0x7F;
    m.data[2] = data2 & 0x7F;
    return true;
}

bool CorvaneClap::addNote(const clap_event_header* event, int frame) {
    const auto* e = reinterpret_cast<const clap_event_note*>(event);
    if (e->port_index != 0 && e->port_index != -1) return true;
    const std::uint8_t channel = e->channel >= 0 && e->channel < 16 ? e->channel : 0;
    // A wildcard key releases every note, as all-notes-off does.
    if (e->key < 0 || e->key > 127) {
        if (event->type == CLAP_EVENT_NOTE_ON) return true;
        return addMidi(frame, 0xB0 | channel, kAllNotesOffController, 0);
    }
    const auto key = static_cast<std::uint8_t>(e->key);
    if (event->type != CLAP_EVENT_NOTE_ON) return addMidi(frame, 0x80 | channel, key, 0);
    const double v = std::isfinite(e->velocity) ? std::clamp(e->velocity, 0.0, 1.0) : 1.0;
    // A note-on always sounds: velocity 0 would read as a release.
    const auto velocity = static_cast<std::uint8_t>(std::max(1.0, std::round(v * 127.0)));
    return addMidi(frame, 0x90 | channel, key, velocity);
}

void CorvaneClap::setTransport(const clap_event_transport* t) {
    transportValid_ = t != nullptr;
    if (!t) return;
    transport_.tempoBpm = t->tempo;
    transport_.positionPpq = static_cast<double>(t->song_pos_beats) / CLAP_BEATTIME_FACTOR;
    transport_.barStartPpq = static_cast<double>(t->bar_start) / CLAP_BEATTIME_FACTOR;
    transport_.numerator = t->tsig_num;
    transport_.denominator = t->tsig_denom;
    transport_.playing = t->flags & CLAP_TRANSPORT_IS_PLAYING;
    transport_.tempoValid = t->flags & CLAP_TRANSPORT_HAS_TEMPO;
    transport_.positionValid = t->flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE;
    transport_.barValid = t->flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE;
    transport_.signatureValid = t->flags & CLAP_TRANSPORT_HAS_TIME_SIGNATURE;
}

void CorvaneClap::renderSegment(const clap_process* p, std::uint32_t begin, std::uint32_t end) {
    const float* in[CorvaneProcessor::kNumInputs] = {};
    float* out[CorvaneProcessor::kNumOutputs] = {};
    int sidechains = 0;
    if (p->audio_inputs && p->audio_inputs_count >= 1 && p->audio_inputs[0].data32) {
        const clap_audio_buffer& main = p->audio_inputs[0];
        in[0] = main.channel_count >= 1 ? main.data32[0] : nullptr;
        // A mono input feeds both sides.
        in[1] = main.channel_count >= 2 ? main.data32[1] : in[0];
    }
    if (p->audio_inputs && p->audio_inputs_count >= 2 && p->audio_inputs[1].data32 &&
        p->audio_inputs[1].channel_count >= 1 && p->audio_inputs[1].data32[0]) {
        const clap_audio_buffer& side = p->audio_inputs[1];
        in[2] = side.data32[0];
        in[3] = side.channel_count >= 2 && side.data32[1] ? side.data32[1] : in[2];
        sidechains = 2;
    }
    const bool rendering = end > begin;
    if (rendering) {
        const clap_audio_buffer& o = p->audio_outputs[0];
        out[0] = o.data32[0];
        out[1] = o.channel_count >= 2 ? o.data32[1] : nullptr;
        // Without a side-chain the follower's side-chain modes listen to the main input.
        if (sidechains != sidechains_) processor_->setChannelLayout(2, 2, sidechains);
        sidechains_ = sidechains;
    }
    auto offset = [begin](auto* channel) { return channel ? channel + begin : nullptr; };
    for (auto*& c : in)
        c = offset(c);
    for (auto*& c : out)
        c = offset(c);
    CorvaneProcessor::Block block;
    block.inputs = in;
    block.outputs = rendering ? out : nullptr;
    block.frames = static_cast<int>(end - begin);
    block.transport = transportValid_ ? &transport_ : nullptr;
    block.midi = midi_;
    block.midiCount = midiCount_;
    block.changes = changes_;
    block.changeCount = changeCount_;
    processor_->process(block);
    // Later segments of the block keep the LFO's own count, unless a transport event comes.
    transportValid_ = false;
    changeCount_ = 0;
    midiCount_ = 0;
}

clap_process_status CorvaneClap::process(const clap_process* p) {
    if (state_ != State::Processing || !p) return CLAP_PROCESS_ERROR;
    setTransport(p->transport);
    changeCount_ = 0;
    midiCount_ = 0;
    const bool canRender = p->audio_outputs && p->audio_outputs_count >= 1 &&
                           p->audio_outputs[0].data32 && p->audio_outputs[0].channel_count >= 1;
    const std::uint32_t frames = canRender ? p->frames_count : 0;
    const clap_input_events* in = p->in_events;
    const std::uint32_t count = in && in->size && in->get ? in->size(in) : 0;

    // The processor applies events at their frames within one call. A transport event starts a
    // new call at its frame (the processor reads the transport at a block's start), and so do
    // event lists that fill up. Events out of order apply at the earliest frame still to come;
    // events past the block apply at its end.
    std::uint32_t begin = 0;
    for (std::uint32_t e = 0; e < count; ++e) {
        const clap_event_header* event = in->get(in, e);
        if (!event) continue;
        const std::uint32_t at = std::clamp(event->time, begin, frames);
        const bool transport = event->type == CLAP_EVENT_TRANSPORT &&
                               event->space_id == CLAP_CORE_EVENT_SPACE_ID &&
                               event->size >= sizeof(clap_event_transport);
        if (transport || !addEvent(event, static_cast<int>(at - begin))) {
            renderSegment(p, begin, at);
            begin = at;
            if (transport)
                setTransport(reinterpret_cast<const clap_event_transport*>(event));
            else
                addEvent(event, 0);
        }
    }
    renderSegment(p, begin, frames);
    emitEdits(p->out_events);
    return canRender ? CLAP_PROCESS_CONTINUE : CLAP_PROCESS_ERROR;
}

// ---- state and presets ----------------------------------------------------------------------

bool CorvaneClap::saveState(const clap_ostream* stream) {
    if (!stream || !stream->write || !processor_ || !onMainThread()) return false;
    SavedState saved{};
    saved.program = processor_->program();
    for (int i = 0; i < kNumParams; ++i)
        saved.values[i] = baseValues_[i].load(std::memory_order_relaxed);
    for (int p = 0; p < kNumPrograms; ++p)
        processor_->programNameIndexed(p, saved.names[p]);
    saved.userScale = static_cast<float>(userScale());
    unsigned char bytes[kSavedStateBytes];
    encodeState(saved, bytes);
    for (std::size_t done = 0; done < sizeof bytes;) {
        const std::int64_t n = stream->write(stream, bytes + done, sizeof bytes - done);
        if (n <= 0 || static_cast<std::uint64_t>(n) > sizeof bytes - done) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool CorvaneClap::loadState(const clap_istream* stream) {
    if (!stream || !stream->read || !processor_ || !onMainThread()) return false;
    // One byte more than a state holds: a longer stream is not ours.
    unsigned char bytes[kSavedStateBytes + 1];
    std::size_t total = 0;
    while (total < sizeof bytes) {
        const std::int64_t n = stream->read(stream, bytes + total, sizeof bytes - total);
        if (n < 0 || static_cast<std::uint64_t>(n) > sizeof bytes - total) return false;
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    SavedState saved;
    if (!decodeState(bytes, total, saved)) return false;

    // Names first, program by program (only those that differ, so a usual state switches
    // nothing), then the current program and its values.
    for (int p = 0; p < kNumPrograms; ++p) {
        char current[SavedState::kNameBytes] = {};
        processor_->programNameIndexed(p, current);
        if (std::strcmp(current, saved.names[p]) == 0) continue;
        processor_->setProgram(p);
        processor_->setProgramName(saved.names[p]);
    }
    processor_->setProgram(saved.program);
    for (int i = 0; i < kNumParams; ++i) {
        baseValues_[i].store(saved.values[i], std::memory_order_relaxed);
        processor_->setParameter(i, saved.values[i]);
    }
    if (hostParams_ && hostParams_->rescan) hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES);
    userScale_ = saved.userScale;
    if (editor_) {
        const double before = editor_->getScale();
        editor_->setUserScale(userScale_);
        if (guiOpen_ && editor_->getScale() != before && hostGui_ && hostGui_->request_resize)
            hostGui_->request_resize(host_, static_cast<std::uint32_t>(editor_->width()),
                                     static_cast<std::uint32_t>(editor_->height()));
    }
    return true;
}

bool CorvaneClap::loadPreset(std::uint32_t kind, const char* location, const char* key) {
    if (!processor_ || !onMainThread()) return false;
    int program = -1;
    if (kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN && key) {
        char* end = nullptr;
        const long n = std::strtol(key, &end, 10);
        if (end != key && *end == 0 && n >= 0 && n < kNumPrograms) program = static_cast<int>(n);
    }
    if (program < 0) {
        if (hostPresetLoad_ && hostPresetLoad_->on_error)
            hostPresetLoad_->on_error(host_, kind, location, key, 0,
                                      "Corvane's presets are its factory programs, inside the "
                                      "plug-in, with keys 0 to 19");
        return false;
    }
    processor_->setProgram(program);
    refreshBaseValues();
    tellHostValuesChanged();
    if (hostPresetLoad_ && hostPresetLoad_->loaded)
        hostPresetLoad_->loaded(host_, kind, location, key);
    return true;
}

// ---- editor ---------------------------------------------------------------------------------

double CorvaneClap::userScale() const {
    return editor_ ? editor_->getUserScale() : userScale_;
}

bool CorvaneClap::guiSetScale(double scale) {
    if (!guiCreated_ || !onMainThread() || !std::isfinite(scale) || !(scale > 0.0)) return false;
    // An open window follows at once; the host then asks for the size again.
    editor_->setScale(scale);
    return true;
}

bool CorvaneClap::guiSize(std::uint32_t& width, std::uint32_t& height) const {
    width = static_cast<std::uint32_t>(editor_ ? editor_->width() : layout::kEditorWidth);
    height = static_cast<std::uint32_t>(editor_ ? editor_->height() : layout::kEditorHeight);
    return true;
}

bool CorvaneClap::guiCreate(const char* api, bool floating) {
    if (guiCreated_ || !processor_ || !onMainThread()) return false;
    // The toolkit's window runs on the host's timer; without one it could not draw.
    if (!api || std::strcmp(api, CLAP_WINDOW_API_X11) != 0 || floating || !hostTimer_) return false;
    editor_ = std::make_unique<CorvaneEditor>(&processor_->editorView());
    // Knobs follow vertical drags, as in the other editions.
    editor_->setKnobMode(VSTGUI::kLinearMode);
    editor_->setUserScale(userScale_);
    // The user's choice of scale from the editor's menu: the host resizes its window to match,
    // and the choice is part of the state from now on.
    editor_->setScaleListener([this](double) {
        if (hostState_ && hostState_->mark_dirty) hostState_->mark_dirty(host_);
        if (hostGui_ && hostGui_->request_resize)
            hostGui_->request_resize(host_, static_cast<std::uint32_t>(editor_->width()),
                                     static_cast<std::uint32_t>(editor_->height()));
    });
    guiCreated_ = true;
    return true;
}

void CorvaneClap::guiDestroy() {
    if (!guiCreated_) return;
    guiHide();
    userScale_ = editor_->getUserScale();
    editor_.reset();
    guiCreated_ = false;
    parentWindow_ = 0;
}

bool CorvaneClap::guiSetParent(const clap_window* window) {
    if (!guiCreated_ || !window || !window->api ||
        std::strcmp(window->api, CLAP_WINDOW_API_X11) != 0 || window->x11 == 0)
        return false;
    parentWindow_ = window->x11;
    if (guiOpen_) guiHide();
    return guiShow();
}

bool CorvaneClap::guiShow() {
    if (!guiCreated_ || parentWindow_ == 0 || !onMainThread()) return false;
    if (guiOpen_) return true;
    if (!editor_->open(reinterpret_cast<void*>(parentWindow_))) return false;
    guiOpen_ = true;
    if (!hostTimer_->register_timer(host_, kEditorTimerMs, &timerId_)) {
        timerId_ = CLAP_INVALID_ID;
        editor_->close();
        guiOpen_ = false;
        return false;
    }
    // Input is handled as soon as it arrives where the host watches the window's connection;
    // the timer still runs the graphs and catches what the descriptor does not announce.
    const VSTGUI::CFrame* frame = editor_->getFrame();
    const int fd = frame ? frame->getX11ConnectionFd() : -1;
    if (hostFd_ && fd >= 0 && hostFd_->register_fd(host_, fd, CLAP_POSIX_FD_READ)) fd_ = fd;
    return true;
}

bool CorvaneClap::guiHide() {
    if (!guiOpen_) return guiCreated_;
    if (timerId_ != CLAP_INVALID_ID) hostTimer_->unregister_timer(host_, timerId_);
    timerId_ = CLAP_INVALID_ID;
    if (fd_ >= 0) hostFd_->unregister_fd(host_, fd_);
    fd_ = -1;
    editor_->close();
    guiOpen_ = false;
    return true;
}

void CorvaneClap::onTimer(clap_id timer) {
    if (guiOpen_ && timer == timerId_) editor_->idle();
}

void CorvaneClap::onFd(int fd, std::uint32_t flags) {
    if (guiOpen_ && fd == fd_ && fd >= 0 && (flags & (CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR)))
        editor_->idle();
}

} // namespace corvane::clap
