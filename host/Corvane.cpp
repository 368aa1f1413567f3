#include "host/Corvane.h"

#include "editor/corvaneeditor.h"
#include "gui/aeffguieditor.h"
#include "params/CorvaneFactoryPrograms.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace corvane;

namespace {

constexpr const char* kEffectName = "Corvane";
constexpr const char* kProductName = "Corvane";
constexpr const char* kVendorName = "Tessel Works";
// The name a fresh record carries; a program of exactly this name is reported numbered.
constexpr const char* kInitName = "init";

constexpr const char* kCanDoYes[] = {
    "plugAsChannelInsert", "plugAsSend", "receiveVstMidiEvent", "1in1out", "1in2out", "2in2out"};

struct PinText {
    const char* label;
    const char* shortLabel;
    VstInt32 flags;
};
constexpr PinText kInputPins[] = {
    {"Main In L", "In L", kVstPinIsActive | kVstPinIsStereo},
    {"Main In R", "In R", kVstPinIsActive},
    {"Sidechain In 1", "Side L", kVstPinIsActive},
    {"Sidechain In 2", "Side R", kVstPinIsActive},
};
constexpr int kNumInputPins = sizeof kInputPins / sizeof kInputPins[0];

// The oscillator's waveform code for each LFO Shape step (square, saw, sine, random).
constexpr float kLfoShapeCodes[] = {2.0f, 1.0f, 0.0f, 9.0f};

// Parameters the engine takes as commands in their own units; every other one goes through the
// engine's normalised route.
bool takesEngineUnits(int index) {
    switch (index) {
        case kFilterCutoff:
        case kLfoRate:
        case kLfoShape:
        case kLfoSync:
        case kEnvHpf:
        case kInput:
        case kFeedback:
        case kVca:
            return true;
        default:
            return false;
    }
}

// More note-ons than 16 channels of 128 keys cannot be told apart from stuck ones; the count
// stops there instead of overflowing.
constexpr VstInt32 kMaxHeldNotes = 16 * 128;
constexpr int kAllNotesOffController = 123;

// Room for a host text of kVstMaxParamStrLen characters, whatever length the manager writes.
constexpr int kTextScratch = 32;

// An identity text into a host buffer of bufferSize bytes; false for a missing buffer.
bool copyIdentity(char* text, const char* value, VstInt32 bufferSize) {
    if (!text) return false;
    vst_strncpy(text, value, bufferSize - 1);
    return true;
}

} // namespace

Corvane::ProgramRecord::ProgramRecord() {
    setName(kInitName);
    for (std::atomic<float>& v : values)
        v.store(0.0f, std::memory_order_relaxed);
}

void Corvane::ProgramRecord::setName(const char* text) {
    int n = 0;
    for (; text && n < kProgramNameChars && text[n] != 0; ++n)
        name[n].store(text[n], std::memory_order_relaxed);
    for (; n < kVstMaxProgNameLen; ++n)
        name[n].store(0, std::memory_order_relaxed);
}

void Corvane::ProgramRecord::copyName(char* text) const {
    for (int n = 0; n < kVstMaxProgNameLen; ++n) {
        text[n] = name[n].load(std::memory_order_relaxed);
        if (text[n] == 0) return;
    }
}

Corvane::Corvane(audioMasterCallback host) : AudioEffectX(host, kNumPrograms, kNumParams) {
    setNumInputs(kNumInputPins);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canProcessReplacing();

    params_ = std::make_unique<CorvaneParameterManager>();
    for (int p = 0; p < kNumPrograms; ++p) {
        programs_[p].setName(kFactoryPrograms[p].name);
        for (int i = 0; i < kNumParams; ++i)
            programs_[p].values[i].store(kFactoryPrograms[p].values[i], std::memory_order_relaxed);
    }
    setProgram(0);
    // No block has run yet, so the engine is still this thread's: it starts in program 0.
    applyEngineCommands();
    // Last, so that effFlagsHasEditor is set once everything the editor shows exists. The base
    // owns and deletes it; its graphs show the engine's display histories.
    auto* window = new CorvaneEditor(this, &engine_);
    float defaults[kNumParams];
    for (int i = 0; i < kNumParams; ++i)
        defaults[i] = params_->toNormalized(i, params_->getDefault(i));
    window->setParameterDefaults(defaults);
    setEditor(window);
}

Corvane::~Corvane() = default;

void Corvane::resume() {
    activeInputs_.store(isInputConnected(1) ? 2 : 1, std::memory_order_relaxed);
    activeOutputs_.store(isOutputConnected(1) ? 2 : 1, std::memory_order_relaxed);
    // Pin 3 is asked before pin 2.
    const VstInt32 sidechains = (isInputConnected(3) ? 1 : 0);
    sidechains_.store(sidechains + (isInputConnected(2) ? 1 : 0), std::memory_order_relaxed);
    heldNotes_ = 0;
    engine_.set_note_gate(0.0f);
    applyEngineCommands();
    engine_.reset();
    // Every time: the plug-in answers receiveVstMidiEvent, and hosts forget the wish on suspend.
    wantEvents(1);
}

void Corvane::setSampleRate(float rate) {
    if (!(rate > 0.0f) || !std::isfinite(rate)) return;
    engine_.set_sample_rate(rate);
    // The engine limits the rate to what its blocks can run at; the tempo sync must count
    // samples at the same rate.
    const float used = engine_.sample_rate();
    AudioEffectX::setSampleRate(used);
    sampleRate_.store(used, std::memory_order_relaxed);
    samplePeriod_.store(1.0 / used, std::memory_order_relaxed);
}

void Corvane::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    applyEngineCommands();
    if (sampleFrames <= 0 || !outputs) return;
    updateTempoSync();
    engine_.process_buffers(inputs, outputs, activeInputs_.load(std::memory_order_relaxed),
                            activeOutputs_.load(std::memory_order_relaxed),
                            sidechains_.load(std::memory_order_relaxed), sampleFrames);
}

void Corvane::updateTempoSync() {
    const VstTimeInfo* time = getTimeInfo(kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying);
    if (!time) return;
    // The record is only valid until the next request.
    const double tempo = time->tempo;
    const double position = time->ppqPos;
    const VstTimeInfo* signature = getTimeInfo(kVstTimeSigValid);
    VstInt32 denominator = signature ? signature->timeSigDenominator : 4;
    // A denominator of 0 would make the increment infinite.
    if (denominator <= 0) denominator = 4;
    if (!std::isfinite(tempo) || tempo < 0.0 || !std::isfinite(position)) return;

    const double perSample =
        (1.0 / (denominator * 15.0)) * tempo * samplePeriod_.load(std::memory_order_relaxed);
    double cycles = 0.0;
    double phase = std::modf(syncFactor_ * position + engine_.lfo_phase_offset(), &cycles);
    if (phase < 0.0) phase += 1.0;
    const double increment = syncFactor_ * perSample * CCorvaneEngine::control_interval;
    if (!std::isfinite(phase) || !std::isfinite(increment)) return;
    engine_.set_sync_phase(phase);
    engine_.set_sync_increment(increment);
}

VstInt32 Corvane::processEvents(VstEvents* events) {
    if (!events) return 1;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = vstEventAt(events, i);
        if (event && event->type == kVstMidiType)
            handleMidi(reinterpret_cast<const VstMidiEvent*>(event)->midiData);
    }
    return 1;
}

void Corvane::handleMidi(const char* data) {
    const int status = static_cast<unsigned char>(data[0]) & 0xF0;
    const int data1 = static_cast<unsigned char>(data[1]) & 0x7F;
    const int data2 = static_cast<unsigned char>(data[2]) & 0x7F;
    switch (status) {
        case 0x90:
            if (data2 > 0) {
                if (heldNotes_ < kMaxHeldNotes) ++heldNotes_;
                engine_.set_note_gate(static_cast<float>(data2 / 127.0));
                break;
            }
            [[fallthrough]]; // velocity 0 is a note-off
        case 0x80:
            // A note-off for a note held before the last resume finds nothing to release; the
            // count stays at zero so the next note's release still closes the gate.
            if (heldNotes_ > 0) --heldNotes_;
            if (heldNotes_ == 0) engine_.set_note_gate(0.0f);
            break;
        case 0xB0:
            if (data1 == kAllNotesOffController) {
                heldNotes_ = 0;
                engine_.set_note_gate(0.0f);
            }
            break;
        default:
            break;
    }
}

void Corvane::setParameter(VstInt32 index, float value) {
    if (!isParameterIndex(index) || std::isnan(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    params_->setNormalized(index, value);
    const std::uint32_t ticket = takeTicket(index);
    handOver(index, params_->getNormalized(index));
    settle(index, ticket);
}

void Corvane::handOver(VstInt32 index, float value) {
    programs_[currentProgram()].values[index].store(value, std::memory_order_relaxed);
    mailbox_.publish(stageEngineCommands(index, value, params_->getReal(index)));
    updateEditor(index, value);
}

// Two threads may change one parameter at the same moment: automation on the audio thread, the
// user's drag on the editor's. Each hands over what it stored, and the hand-over of a value
// already overwritten in the manager could land last: the engine, the editor and the record
// would keep it until the next change. So every change takes a ticket once its value is in the
// manager, and after handing over looks whether a later change has taken one since; if so, it
// hands over again what the manager holds now. The tickets are read-modify-writes, which read
// the latest ticket and order the stores around them: either the change that looks sees the
// later one, or the later one's hand-over comes after this one's.
std::uint32_t Corvane::takeTicket(VstInt32 index) {
    return tickets_[index].fetch_add(1, std::memory_order_acq_rel) + 1;
}

void Corvane::settle(VstInt32 index, std::uint32_t ticket) {
    for (int round = 0; round < kSettleRounds; ++round) {
        const std::uint32_t latest = tickets_[index].fetch_add(0, std::memory_order_acq_rel);
        if (latest == ticket) return;
        ticket = latest;
        handOver(index, params_->getNormalized(index));
    }
}

bool Corvane::lfoSyncOn() const {
    // One rule everywhere: on above 0.5. (The switch's real value already reads 1 at 0.5.)
    return params_->getNormalized(kLfoSync) > 0.5f;
}

std::uint32_t Corvane::stage(int slot, float value) {
    mailbox_.stage(slot, value);
    return Mailbox::bit(slot);
}

std::uint32_t Corvane::stageEngineCommands(VstInt32 index, float value, float real) {
    switch (index) {
        case kFilterCutoff:
        case kEnvHpf:
        case kInput:
        case kFeedback:
        case kVca:
            return stage(index, real);
        case kLfoRate: {
            std::uint32_t slots = stage(kSyncFactorSlot, params_->toEngineValue(kLfoRate, real));
            if (!lfoSyncOn()) slots |= stage(kLfoRate, real);
            return slots;
        }
        case kLfoShape: {
            const int step = static_cast<int>(real);
            if (step < 0 || step > 3) return 0;
            return stage(kLfoShape, kLfoShapeCodes[step]);
        }
        case kLfoSync: {
            const bool on = lfoSyncOn();
            // LFO Rate's real value changes meaning (Hz or division) with the sync state.
            params_->setSync(kLfoRate, on);
            std::uint32_t slots = stage(kLfoSync, on ? 1.0f : 0.0f);
            if (!on) slots |= stage(kLfoRate, params_->getReal(kLfoRate));
            return slots | stage(kSyncFactorSlot, params_->getEngineValue(kLfoRate));
        }
        default:
            return stage(index, value);
    }
}

void Corvane::applyEngineCommands() {
    mailbox_.drain([this](int slot, float value) { applyEngineCommand(slot, value); });
}

void Corvane::applyEngineCommand(int slot, float value) {
    if (slot == kSyncFactorSlot)
        syncFactor_ = value;
    else if (takesEngineUnits(slot))
        engine_.set_parameter(slot, value);
    else
        engine_.set_normalised_parameter(slot, value);
}

void Corvane::updateEditor(VstInt32 index, float value) {
    if (auto* gui = dynamic_cast<AEffGUIEditor*>(editor)) gui->setParameter(index, value);
}

float Corvane::getParameter(VstInt32 index) {
    return isParameterIndex(index) ? params_->getNormalized(index) : 0.0f;
}

// The manager's text into a scratch buffer first, whatever length it writes, then at most the
// host's limit.
void Corvane::copyParameterText(VstInt32 index, char* text, ParameterText operation) const {
    if (!text) return;
    char scratch[kTextScratch] = {};
    if (isParameterIndex(index)) (params_.get()->*operation)(index, scratch, kVstMaxParamStrLen);
    vst_strncpy(text, scratch, kVstMaxParamStrLen);
}

void Corvane::getParameterName(VstInt32 index, char* text) {
    copyParameterText(index, text, &tw_paramManager::getName);
}

void Corvane::getParameterLabel(VstInt32 index, char* label) {
    copyParameterText(index, label, &tw_paramManager::getLabel);
}

void Corvane::getParameterDisplay(VstInt32 index, char* text) {
    copyParameterText(index, text, &tw_paramManager::getDisplay);
}

void Corvane::getParameterReadout(VstInt32 index, char* text, std::size_t size) {
    if (!text || size == 0) return;
    char value[kTextScratch];
    char unit[kTextScratch];
    getParameterDisplay(index, value);
    getParameterLabel(index, unit);
    std::snprintf(text, size, "%s%s", value, unit);
}

VstInt32 Corvane::getProgram() {
    return currentProgram();
}

void Corvane::setProgram(VstInt32 program) {
    if (!isProgramIndex(program)) return;
    // The base's plain curProgram stays untouched: getProgram is answered from this atomic, which
    // setParameter on another thread may read while the program changes.
    currentProgram_.store(program, std::memory_order_relaxed);
    // Every value takes the path of a host change, in index order; the engine gets the whole
    // program in one hand-over. The record already holds the values: writing them back could
    // only put them into another program's record, should a switch on another thread overtake
    // this one.
    std::uint32_t tickets[kNumParams];
    std::uint32_t slots = 0;
    for (VstInt32 i = 0; i < kNumParams; ++i) {
        params_->setNormalized(i, programs_[program].values[i].load(std::memory_order_relaxed));
        tickets[i] = takeTicket(i);
        const float value = params_->getNormalized(i);
        slots |= stageEngineCommands(i, value, params_->getReal(i));
        updateEditor(i, value);
    }
    mailbox_.publish(slots);
    for (VstInt32 i = 0; i < kNumParams; ++i)
        settle(i, tickets[i]);
}

void Corvane::setProgramName(char* name) {
    if (name) programs_[currentProgram()].setName(name);
}

void Corvane::getProgramName(char* name) {
    if (!name) return;
    const VstInt32 program = currentProgram();
    char stored[kVstMaxProgNameLen];
    programs_[program].copyName(stored);
    if (std::strcmp(stored, kInitName) != 0) {
        vst_strncpy(name, stored, kProgramNameChars);
        return;
    }
    char numbered[kVstMaxProgNameLen + 16];
    std::snprintf(numbered, sizeof numbered, "%s %d", stored, static_cast<int>(program + 1));
    vst_strncpy(name, numbered, kProgramNameChars);
}

bool Corvane::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (!text || !isProgramIndex(index)) return false;
    programs_[index].copyName(text);
    return true;
}

bool Corvane::getInputProperties(VstInt32 index, VstPinProperties* properties) {
    if (!properties || index < 0 || index >= kNumInputPins) return false;
    const PinText& pin = kInputPins[index];
    vst_strncpy(properties->label, pin.label, kVstMaxLabelLen - 1);
    vst_strncpy(properties->shortLabel, pin.shortLabel, kVstMaxShortLabelLen - 1);
    properties->flags = pin.flags;
    return true;
}

bool Corvane::getEffectName(char* name) {
    return copyIdentity(name, kEffectName, kVstMaxEffectNameLen);
}

bool Corvane::getVendorString(char* text) {
    return copyIdentity(text, kVendorName, kVstMaxVendorStrLen);
}

bool Corvane::getProductString(char* text) {
    return copyIdentity(text, kProductName, kVstMaxProductStrLen);
}

VstInt32 Corvane::canDo(char* text) {
    if (!text) return 0;
    for (const char* yes : kCanDoYes)
        if (std::strcmp(text, yes) == 0) return 1;
    return 0;
}

VstIntPtr Corvane::vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg) {
    if (lArg == kHostExtensionVendor && lArg2 == kHostExtensionContentScale) {
        // The host's scale for the editor; it reads the new rectangle and resizes.
        auto* window = static_cast<CorvaneEditor*>(editor);
        if (window == nullptr || !(floatArg > 0) || !std::isfinite(floatArg)) return 0;
        window->setScale(floatArg);
        return 1;
    }
    if (lArg != kRequestToNormalised && lArg != kRequestToDisplayUnits) return 0;
    if (!ptrArg || lArg2 < 0 || lArg2 >= kNumParams || !std::isfinite(floatArg)) return 0;
    const int index = static_cast<int>(lArg2);
    const int kind = params_->getKind(index);
    float answer = floatArg;
    // Syncable kinds have no single display unit (ms or a division, Hz or a division): their
    // values pass through unchanged.
    if (kind != tw_paramManager::kKindSyncTime && kind != tw_paramManager::kKindSyncRate) {
        if (lArg == kRequestToNormalised)
            answer = params_->toNormalized(index, floatArg);
        else
            answer = params_->toReal(index, std::clamp(floatArg, 0.0f, 1.0f));
    }
    // The host's float need not be aligned.
    std::memcpy(ptrArg, &answer, sizeof answer);
    return 1;
}
