#include "processor/CorvaneProcessor.h"

#include "engine/CCorvaneEngine.h"
#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"
#include "params/CorvaneValueText.h"
#include "processor/CorvaneFloatMode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>

using namespace corvane;

namespace {

// The name a fresh record carries; a program of exactly this name is reported numbered.
constexpr const char* kInitName = "init";

// How a parameter's value reaches the engine.
enum class Route : unsigned char {
    Normalised,  // the engine's normalised route
    EngineUnits, // a command in the parameter's own unit (Hz, dB, ...)
    LfoShape,    // the step becomes the oscillator's waveform code
    LfoPair,     // LFO Rate and LFO Sync: the rate in Hz, the sync state and the sync factor,
                 // all derived from the pair as read together
};

constexpr Route kRoutes[kNumParams] = {
    Route::Normalised,  // Rev Color
    Route::Normalised,  // Rev Decay
    Route::Normalised,  // Rev Mix
    Route::Normalised,  // Rev Pre/Post
    Route::Normalised,  // Rev Freeze
    Route::EngineUnits, // Filter Cutoff
    Route::Normalised,  // Filter Reson
    Route::Normalised,  // Filter Type
    Route::Normalised,  // Filter LFO Mod
    Route::Normalised,  // Filter Env Mod
    Route::Normalised,  // Filter Drive
    Route::LfoPair,     // LFO Rate
    Route::Normalised,  // LFO Phase
    Route::LfoShape,    // LFO Shape
    Route::Normalised,  // LFO Skew
    Route::LfoPair,     // LFO Sync
    Route::Normalised,  // LFO Trigger
    Route::Normalised,  // Env Attack
    Route::Normalised,  // Env Decay
    Route::EngineUnits, // Env HPF
    Route::Normalised,  // Env Gain
    Route::Normalised,  // Env Trigger
    Route::EngineUnits, // Input
    Route::EngineUnits, // Feedback
    Route::EngineUnits, // VCA
    Route::Normalised,  // Master LFO Mod
    Route::Normalised,  // Master Env Mod
    Route::Normalised,  // Mix
    Route::Normalised,  // Bypass
};

// The engine's commands are the parameter indices: the routes above rely on it.
constexpr bool commandsMatchParameters() {
    constexpr int pairs[][2] = {
        {CCorvaneEngine::rev_color, kRevColor},
        {CCorvaneEngine::rev_decay, kRevDecay},
        {CCorvaneEngine::rev_mix, kRevMix},
        {CCorvaneEngine::rev_route, kRevPrePost},
        {CCorvaneEngine::rev_freeze, kRevFreeze},
        {CCorvaneEngine::filter_cutoff, kFilterCutoff},
        {CCorvaneEngine::filter_reson, kFilterReson},
        {CCorvaneEngine::filter_type, kFilterType},
        {CCorvaneEngine::filter_lfo_mod, kFilterLfoMod},
        {CCorvaneEngine::filter_env_mod, kFilterEnvMod},
        {CCorvaneEngine::filter_drive, kFilterDrive},
        {CCorvaneEngine::lfo_rate, kLfoRate},
        {CCorvaneEngine::lfo_phase, kLfoPhase},
        {CCorvaneEngine::lfo_shape, kLfoShape},
        {CCorvaneEngine::lfo_skew, kLfoSkew},
        {CCorvaneEngine::lfo_sync, kLfoSync},
        {CCorvaneEngine::lfo_trigger, kLfoTrigger},
        {CCorvaneEngine::env_attack, kEnvAttack},
        {CCorvaneEngine::env_decay, kEnvDecay},
        {CCorvaneEngine::env_hpf, kEnvHpf},
        {CCorvaneEngine::env_gain, kEnvGain},
        {CCorvaneEngine::env_trigger, kEnvTrigger},
        {CCorvaneEngine::input, kInput},
        {CCorvaneEngine::feedback, kFeedback},
        {CCorvaneEngine::vca, kVca},
        {CCorvaneEngine::master_lfo_mod, kMasterLfoMod},
        {CCorvaneEngine::master_env_mod, kMasterEnvMod},
        {CCorvaneEngine::mix, kMix},
        {CCorvaneEngine::bypass, kBypass},
        {CCorvaneEngine::command_count, kNumParams},
    };
    for (const auto& pair : pairs)
        if (pair[0] != pair[1]) return false;
    return true;
}
static_assert(commandsMatchParameters(), "engine commands and parameter indices must agree");

// The oscillator's waveform code for each LFO Shape step (square, saw, sine, random).
constexpr float kLfoShapeCodes[] = {2.0f, 1.0f, 0.0f, 9.0f};

// More note-ons than 16 channels of 128 keys cannot be told apart from stuck ones; the count
// stops there instead of overflowing.
constexpr int kMaxHeldNotes = 16 * 128;
constexpr int kAllNotesOffController = 123;

constexpr std::uint32_t kAllParameters = CorvaneChangeMailbox<kNumParams>::kAll;

bool isParameter(int index) {
    return index >= 0 && index < kNumParams;
}

// A manager text of at most `length` characters into a scratch buffer first, whatever the
// manager writes, then into text (length + 1 characters) cut to length.
template <typename Write>
void copyText(char* text, int length, Write&& write) {
    if (!text || length < 0) return;
    char scratch[64] = {};
    write(scratch, std::min(length, static_cast<int>(sizeof scratch) - 2));
    scratch[sizeof scratch - 1] = 0;
    std::snprintf(text, static_cast<std::size_t>(length) + 1, "%s", scratch);
}

} // namespace

void CorvaneProcessor::ProgramName::set(const char* name) {
    int n = 0;
    for (; name && n < kProgramNameChars && name[n] != 0; ++n)
        text[n].store(name[n], std::memory_order_relaxed);
    for (; n <= kProgramNameChars; ++n)
        text[n].store(0, std::memory_order_relaxed);
}

void CorvaneProcessor::ProgramName::copy(char* out) const {
    for (int n = 0; n <= kProgramNameChars; ++n) {
        out[n] = text[n].load(std::memory_order_relaxed);
        if (out[n] == 0) return;
    }
}

CorvaneProcessor::CorvaneProcessor()
    : engine_(std::make_unique<CCorvaneEngine>()),
      params_(std::make_unique<CorvaneParameterManager>()) {
    params_->setProgramCount(kNumPrograms);
    for (int p = 0; p < kNumPrograms; ++p) {
        names_[p].set(kFactoryPrograms[p].name);
        for (int i = 0; i < kNumParams; ++i)
            params_->setNormalizedIn(p, i, kFactoryPrograms[p].values[i]);
    }
    params_->selectProgram(0);
    for (int i = 0; i < kNumParams; ++i)
        defaults_[i] = params_->toNormalized(i, params_->getDefault(i));
    engine_->set_display(&display_.sums());
    forgetApplied();
    // No block has run yet, so the engine is still this thread's: it starts in program 0.
    applyChanges();
    changes_.take(kEditorTaker);
}

CorvaneProcessor::~CorvaneProcessor() = default;

void CorvaneProcessor::setTestHook(Hook function, void* context) {
    hookContext_ = context;
    hook_.store(function, std::memory_order_release);
}

// ---------------------------------------------------------------------------------------------
// Writers

void CorvaneProcessor::setParameter(int index, float normalised) {
    if (!isParameter(index) || std::isnan(normalised)) return;
    // A value already stored was announced by the writer that stored it: resending it (hosts
    // play back lanes that stand still) changes nothing and announces nothing.
    if (!params_->updateNormalized(index, normalised)) return;
    hook(Step::WriterStored);
    announce(CorvaneChangeMailbox<kNumParams>::bit(index));
}

void CorvaneProcessor::announce(std::uint32_t parameters) {
    changes_.raise(parameters);
}

void CorvaneProcessor::setProgram(int program) {
    if (program < 0 || program >= kNumPrograms) return;
    params_->selectProgram(program);
    hook(Step::ProgramSelected);
    announce(kAllParameters);
}

float CorvaneProcessor::getParameter(int index) const {
    return isParameter(index) ? params_->getNormalized(index) : 0.0f;
}

int CorvaneProcessor::program() const {
    return params_->getCurrentProgram();
}

// ---------------------------------------------------------------------------------------------
// The audio thread

// Inline: most blocks have no changes, and their check should cost no call.
inline void CorvaneProcessor::applyChanges() {
    const std::uint32_t changed = changes_.take(kAudioTaker);
    hook(Step::AudioTookChanges);
    // The program number is read once: every value below comes from that one record.
    const int program = params_->getCurrentProgram();
    if (changed != 0 || program != appliedProgram_) applyParameters(program, changed);
}

void CorvaneProcessor::applyParameters(int program, std::uint32_t changed) {
    if (program != appliedProgram_) {
        changed = kAllParameters;
        appliedProgram_ = program;
    }
    bool pairDone = false;
    while (changed != 0) {
        const int index = __builtin_ctz(changed);
        changed &= changed - 1;
        if (kRoutes[index] == Route::LfoPair) {
            if (pairDone) continue;
            pairDone = true;
        }
        applyParameter(program, index);
    }
}

void CorvaneProcessor::applyParameter(int program, int index) {
    const tw_paramManager::Value v = params_->getValueIn(program, index);
    // A command derived from the value the engine already has would change nothing: hosts that
    // resend unchanged automation every block cost a comparison each.
    if (kRoutes[index] != Route::LfoPair) {
        if (v.normalized == applied_[index]) return;
        applied_[index] = v.normalized;
    }
    switch (kRoutes[index]) {
        case Route::Normalised:
            engine_->set_normalised_parameter(index, v.normalized);
            break;
        case Route::EngineUnits:
            engine_->set_parameter(index, v.real);
            break;
        case Route::LfoShape: {
            const int step = static_cast<int>(v.real);
            if (step >= 0 && step <= 3) engine_->set_parameter(index, kLfoShapeCodes[step]);
            break;
        }
        case Route::LfoPair: {
            // One read of the pair: the rate's value and the sync state it means.
            const tw_paramManager::Value rate = params_->getValueIn(program, kLfoRate);
            const float sync = rate.synced ? 1.0f : 0.0f;
            if (rate.normalized == applied_[kLfoRate] && sync == applied_[kLfoSync]) break;
            applied_[kLfoRate] = rate.normalized;
            applied_[kLfoSync] = sync;
            if (!rate.synced) engine_->set_parameter(kLfoRate, rate.real);
            engine_->set_parameter(kLfoSync, rate.synced ? 1.0f : 0.0f);
            syncFactor_ = params_->toEngineValueSynced(kLfoRate, rate.real, rate.synced);
            break;
        }
    }
}

void CorvaneProcessor::setSampleRate(double rate) {
    const CorvaneFloatMode floatMode;
    if (!(rate > 0.0) || !std::isfinite(rate)) return;
    engine_->set_sample_rate(static_cast<float>(rate));
    // The engine limits the rate to what its blocks can run at; the tempo sync must count
    // samples at the same rate.
    sampleRate_.store(engine_->sample_rate(), std::memory_order_relaxed);
}

void CorvaneProcessor::setChannelLayout(int mainInputs, int outputs, int sidechains) {
    activeInputs_.store(mainInputs <= 1 ? 1 : 2, std::memory_order_relaxed);
    activeOutputs_.store(outputs <= 1 ? 1 : 2, std::memory_order_relaxed);
    sidechains_.store(std::clamp(sidechains, 0, 2), std::memory_order_relaxed);
}

void CorvaneProcessor::forgetApplied() {
    std::fill(std::begin(applied_), std::end(applied_), std::numeric_limits<float>::quiet_NaN());
}

void CorvaneProcessor::activate() {
    const CorvaneFloatMode floatMode;
    // Only what changed goes to the engine: every Filter Cutoff command steps the cutoff glide,
    // so resending unchanged values would make the sound depend on how often a host switches
    // processing on and on which edition it is.
    heldNotes_ = 0;
    engine_->set_note_gate(0.0f);
    applyChanges();
    engine_->reset();
}

void CorvaneProcessor::process(const Block& block) {
    const CorvaneFloatMode floatMode;
    const int frames = std::max(block.frames, 0);
    const int midiCount = block.midi ? std::max(block.midiCount, 0) : 0;
    const int changeCount = block.changes ? std::max(block.changeCount, 0) : 0;
    int m = 0;
    int c = 0;
    int pos = 0;
    for (;;) {
        // Events due by now (late ones included), then the changes they and others made.
        for (; c < changeCount && block.changes[c].frame <= pos; ++c)
            setParameter(block.changes[c].index, block.changes[c].normalised);
        for (; m < midiCount && block.midi[m].frame <= pos; ++m)
            handleMidi(block.midi[m].data);
        applyChanges();
        // The LFO's place in the song, from the sync factor and phase the block starts with.
        if (pos == 0) updateTempoSync(block.transport);
        if (pos >= frames) break;
        int end = frames;
        if (c < changeCount) end = std::min(end, block.changes[c].frame);
        if (m < midiCount) end = std::min(end, block.midi[m].frame);
        render(block, pos, end);
        pos = end;
    }
    // Events beyond the block: at its end.
    for (; c < changeCount; ++c)
        setParameter(block.changes[c].index, block.changes[c].normalised);
    for (; m < midiCount; ++m)
        handleMidi(block.midi[m].data);
}

void CorvaneProcessor::render(const Block& block, int begin, int end) {
    if (!block.outputs || end <= begin) return;
    const int activeInputs = activeInputs_.load(std::memory_order_relaxed);
    const int activeOutputs = activeOutputs_.load(std::memory_order_relaxed);
    const int sidechains = sidechains_.load(std::memory_order_relaxed);
    // The engine reads absent channels (and a null array) as silence itself.
    if (begin == 0) {
        engine_->process_buffers(block.inputs, block.outputs, activeInputs, activeOutputs,
                                 sidechains, end);
        return;
    }
    const float* in[kNumInputs] = {};
    for (int ch = 0; block.inputs && ch < kNumInputs; ++ch)
        in[ch] = block.inputs[ch] ? block.inputs[ch] + begin : nullptr;
    float* out[kNumOutputs] = {};
    for (int ch = 0; ch < kNumOutputs; ++ch)
        out[ch] = block.outputs[ch] ? block.outputs[ch] + begin : nullptr;
    engine_->process_buffers(in, out, activeInputs, activeOutputs, sidechains, end - begin);
}

void CorvaneProcessor::updateTempoSync(const Transport* transport) {
    if (!transport || !transport->tempoValid || !transport->positionValid) return;
    const double tempo = transport->tempoBpm;
    const double position = transport->positionPpq;
    int denominator = transport->signatureValid ? transport->denominator : 4;
    // A denominator of 0 would make the increment infinite.
    if (denominator <= 0) denominator = 4;
    if (!std::isfinite(tempo) || tempo < 0.0 || !std::isfinite(position)) return;

    const double perSample =
        (1.0 / (denominator * 15.0)) * tempo * (1.0 / sampleRate_.load(std::memory_order_relaxed));
    double cycles = 0.0;
    double phase = std::modf(syncFactor_ * position + engine_->lfo_phase_offset(), &cycles);
    if (phase < 0.0) phase += 1.0;
    const double increment = syncFactor_ * perSample * CCorvaneEngine::control_interval;
    if (!std::isfinite(phase) || !std::isfinite(increment)) return;
    engine_->set_sync_phase(phase);
    engine_->set_sync_increment(increment);
}

void CorvaneProcessor::handleMidi(const unsigned char* data) {
    const int status = data[0] & 0xF0;
    const int data1 = data[1] & 0x7F;
    const int data2 = data[2] & 0x7F;
    switch (status) {
        case 0x90:
            if (data2 > 0) {
                if (heldNotes_ < kMaxHeldNotes) ++heldNotes_;
                engine_->set_note_gate(static_cast<float>(data2 / 127.0));
                break;
            }
            [[fallthrough]]; // velocity 0 is a note-off
        case 0x80:
            // A note-off for a note held before the last activate finds nothing to release;
            // the count stays at zero so the next note's release still closes the gate.
            if (heldNotes_ > 0) --heldNotes_;
            if (heldNotes_ == 0) engine_->set_note_gate(0.0f);
            break;
        case 0xB0:
            if (data1 == kAllNotesOffController) {
                heldNotes_ = 0;
                engine_->set_note_gate(0.0f);
            }
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// Texts

const tw_paramManager& CorvaneProcessor::parameterInfo() const {
    return *params_;
}

void CorvaneProcessor::parameterName(int index, char* text, int length) const {
    copyText(text, length, [&](char* scratch, int n) {
        if (isParameter(index)) params_->getName(index, scratch, n);
    });
}

void CorvaneProcessor::parameterLabel(int index, char* text, int length) const {
    copyText(text, length, [&](char* scratch, int n) {
        if (isParameter(index)) params_->getLabel(index, scratch, n);
    });
}

void CorvaneProcessor::parameterDisplay(int index, char* text, int length) const {
    copyText(text, length, [&](char* scratch, int n) {
        if (isParameter(index)) params_->getDisplay(index, scratch, n);
    });
}

void CorvaneProcessor::parameterReadout(int index, char* text, std::size_t size) const {
    if (!text || size == 0) return;
    char value[kTextChars + 1];
    char unit[kTextChars + 1];
    parameterDisplay(index, value, kTextChars);
    parameterLabel(index, unit, kTextChars);
    std::snprintf(text, size, "%s%s", value, unit);
}

void CorvaneProcessor::readoutAt(int index, float normalised, char* text, std::size_t size) const {
    if (!text || size == 0) return;
    char value[kTextChars + 1];
    char unit[kTextChars + 1];
    normalisedToText(index, normalised, value, kTextChars);
    parameterLabel(index, unit, kTextChars);
    std::snprintf(text, size, "%s%s", value, unit);
}

void CorvaneProcessor::parameterTitle(int index, char* text, std::size_t size) const {
    if (!text || size == 0) return;
    const std::string name = isParameter(index) ? params_->getNameString(index) : std::string();
    std::snprintf(text, size, "%s", name.c_str());
}

bool CorvaneProcessor::displayToNormalised(int index, float display, float& normalised) const {
    if (!isParameter(index) || !std::isfinite(display)) return false;
    const int kind = params_->getKind(index);
    // Syncable kinds have no single display unit (ms or a division, Hz or a division): their
    // values pass through unchanged.
    const bool syncable =
        kind == tw_paramManager::kKindSyncTime || kind == tw_paramManager::kKindSyncRate;
    normalised = syncable ? display : params_->toNormalized(index, display);
    return true;
}

bool CorvaneProcessor::normalisedToDisplay(int index, float normalised, float& display) const {
    if (!isParameter(index) || !std::isfinite(normalised)) return false;
    const int kind = params_->getKind(index);
    const bool syncable =
        kind == tw_paramManager::kKindSyncTime || kind == tw_paramManager::kKindSyncRate;
    display = syncable ? normalised : params_->toReal(index, std::clamp(normalised, 0.0f, 1.0f));
    return true;
}

bool CorvaneProcessor::textToNormalised(int index, const char* text, float& normalised) const {
    return isParameter(index) && corvane::parseTypedValue(*params_, index, text, normalised);
}

void CorvaneProcessor::normalisedToText(int index, float normalised, char* text, int length) const {
    copyText(text, length, [&](char* scratch, int n) {
        if (isParameter(index) && !std::isnan(normalised))
            params_->displayText(index, std::clamp(normalised, 0.0f, 1.0f), scratch, n);
    });
}

// ---------------------------------------------------------------------------------------------
// Programs

void CorvaneProcessor::setProgramName(const char* name) {
    names_[program()].set(name);
}

void CorvaneProcessor::programName(char* text) const {
    if (!text) return;
    const int current = program();
    char stored[kProgramNameChars + 1];
    names_[current].copy(stored);
    char numbered[kProgramNameChars + 16];
    if (std::strcmp(stored, kInitName) == 0)
        std::snprintf(numbered, sizeof numbered, "%s %d", stored, current + 1);
    else
        std::memcpy(numbered, stored, sizeof stored);
    numbered[kProgramNameChars] = 0;
    std::memcpy(text, numbered, std::strlen(numbered) + 1);
}

bool CorvaneProcessor::programNameAt(int program, char* text, std::size_t size) const {
    if (!text || size == 0) return false;
    char name[kProgramNameChars + 1] = {};
    const bool known = programNameIndexed(program, name);
    std::snprintf(text, size, "%s", name);
    return known;
}

void CorvaneProcessor::selectProgram(int program) {
    if (program < 0 || program >= kNumPrograms) return;
    setProgram(program);
    if (gestures_ != nullptr) gestures_->programSelected(program);
}

bool CorvaneProcessor::programNameIndexed(int program, char* text) const {
    if (!text || program < 0 || program >= kNumPrograms) return false;
    names_[program].copy(text);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Editor

float CorvaneProcessor::parameterDefault(int index) const {
    return isParameter(index) ? defaults_[index] : 0.5f;
}

void CorvaneProcessor::beginEdit(int index) {
    if (isParameter(index) && gestures_) gestures_->gestureBegin(index);
}

void CorvaneProcessor::performEdit(int index, float normalised) {
    if (!isParameter(index) || std::isnan(normalised)) return;
    setParameter(index, normalised);
    if (gestures_) gestures_->gestureValue(index, std::clamp(normalised, 0.0f, 1.0f));
}

void CorvaneProcessor::endEdit(int index) {
    if (isParameter(index) && gestures_) gestures_->gestureEnd(index);
}
