#include "host/Corvane.h"

#include "host/CorvaneVstEditor.h"
#include "params/tw_paramManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace corvane;

namespace {

constexpr const char* kEffectName = "Corvane";
constexpr const char* kProductName = "Corvane";
constexpr const char* kVendorName = "Tessel Works";

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

// MIDI events handed to the processor at once; longer lists go in several turns.
constexpr int kMidiBatch = 64;

// Room for a host text of kVstMaxParamStrLen characters, whatever length the manager writes.
constexpr int kTextScratch = 32;

// An identity text into a host buffer of bufferSize bytes; false for a missing buffer.
bool copyIdentity(char* text, const char* value, VstInt32 bufferSize) {
    if (!text) return false;
    vst_strncpy(text, value, bufferSize - 1);
    return true;
}

// The base's trampoline skips blocks without inputs; here they are silence in, and every block
// reaches processReplacing, which applies the pending changes whatever it renders.
void processAnyBlock(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    if (AudioEffect* self = effect ? static_cast<AudioEffect*>(effect->object) : nullptr)
        self->processReplacing(inputs, outputs, frames);
}

} // namespace

Corvane::Corvane(audioMasterCallback host)
    : AudioEffectX(host, kNumPrograms, kNumParams),
      processor_(std::make_unique<CorvaneProcessor>()) {
    setNumInputs(kNumInputPins);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canProcessReplacing();
    getAeffect()->processReplacing = &processAnyBlock;
    processor_->setGestureListener(this);
    // Last, so that effFlagsHasEditor is set once everything the editor shows exists. The base
    // owns and deletes it.
    setEditor(new CorvaneVstEditor(this, &processor_->editorView()));
}

Corvane::~Corvane() {
    // The base deletes the editor after this body; it must not tell a listener that is gone.
    processor_->setGestureListener(nullptr);
}

void Corvane::resume() {
    const int mainInputs = isInputConnected(1) ? 2 : 1;
    const int outputs = isOutputConnected(1) ? 2 : 1;
    // Pin 3 is asked before pin 2.
    const int sidechains = (isInputConnected(3) ? 1 : 0);
    processor_->setChannelLayout(mainInputs, outputs, sidechains + (isInputConnected(2) ? 1 : 0));
    processor_->activate();
    // Every time: the plug-in answers receiveVstMidiEvent, and hosts forget the wish on suspend.
    wantEvents(1);
}

void Corvane::setSampleRate(float rate) {
    if (!(rate > 0.0f) || !std::isfinite(rate)) return;
    processor_->setSampleRate(rate);
    AudioEffectX::setSampleRate(static_cast<float>(processor_->sampleRate()));
}

void Corvane::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    CorvaneProcessor::Transport transport;
    CorvaneProcessor::Block block;
    block.inputs = inputs;
    block.outputs = outputs;
    block.frames = std::max<VstInt32>(sampleFrames, 0);
    if (block.frames > 0 && outputs) {
        // The host's tempo and position as it reports them, whatever its flags say.
        if (const VstTimeInfo* time =
                getTimeInfo(kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying)) {
            // The record is only valid until the next request.
            transport.tempoBpm = time->tempo;
            transport.positionPpq = time->ppqPos;
            transport.playing = (time->flags & kVstTransportPlaying) != 0;
            transport.tempoValid = transport.positionValid = true;
            if (const VstTimeInfo* signature = getTimeInfo(kVstTimeSigValid)) {
                transport.numerator = signature->timeSigNumerator;
                transport.denominator = signature->timeSigDenominator;
                transport.signatureValid = true;
            }
            block.transport = &transport;
        }
    } else {
        block.frames = 0;
    }
    processor_->process(block);
}

VstInt32 Corvane::processEvents(VstEvents* events) {
    if (!events) return 1;
    // The edition's notes all act at the start of the next block, as they arrive.
    CorvaneProcessor::MidiEvent batch[kMidiBatch];
    int count = 0;
    CorvaneProcessor::Block block;
    block.midi = batch;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = vstEventAt(events, i);
        if (!event || event->type != kVstMidiType) continue;
        const char* data = reinterpret_cast<const VstMidiEvent*>(event)->midiData;
        for (int b = 0; b < 3; ++b)
            batch[count].data[b] = static_cast<unsigned char>(data[b]);
        if (++count == kMidiBatch) {
            block.midiCount = count;
            processor_->process(block);
            count = 0;
        }
    }
    block.midiCount = count;
    if (count > 0) processor_->process(block);
    return 1;
}

void Corvane::setParameter(VstInt32 index, float value) {
    processor_->setParameter(index, value);
}

void Corvane::gestureBegin(int index) {
    beginEdit(index);
}

void Corvane::gestureValue(int index, float normalised) {
    callHost(audioMasterAutomate, index, 0, nullptr, normalised);
}

void Corvane::gestureEnd(int index) {
    endEdit(index);
}

// The host asks for the program number and names again when told the display changed.
void Corvane::programSelected(int) {
    updateDisplay();
}

float Corvane::getParameter(VstInt32 index) {
    return processor_->getParameter(index);
}

// The processor's text into a scratch buffer first, then at most the host's limit.
void Corvane::copyParameterText(VstInt32 index, char* text, ParameterText operation) const {
    if (!text) return;
    char scratch[kTextScratch] = {};
    (processor_.get()->*operation)(index, scratch, kVstMaxParamStrLen);
    vst_strncpy(text, scratch, kVstMaxParamStrLen);
}

void Corvane::getParameterName(VstInt32 index, char* text) {
    copyParameterText(index, text, &CorvaneProcessor::parameterName);
}

void Corvane::getParameterLabel(VstInt32 index, char* label) {
    copyParameterText(index, label, &CorvaneProcessor::parameterLabel);
}

void Corvane::getParameterDisplay(VstInt32 index, char* text) {
    copyParameterText(index, text, &CorvaneProcessor::parameterDisplay);
}

void Corvane::getParameterReadout(VstInt32 index, char* text, std::size_t size) {
    processor_->parameterReadout(index, text, size);
}

VstInt32 Corvane::getProgram() {
    return processor_->program();
}

void Corvane::setProgram(VstInt32 program) {
    // The base's plain curProgram stays untouched: getProgram is answered by the processor,
    // which other threads may ask while the program changes.
    processor_->setProgram(program);
}

void Corvane::setProgramName(char* name) {
    if (name) processor_->setProgramName(name);
}

void Corvane::getProgramName(char* name) {
    if (name) processor_->programName(name);
}

bool Corvane::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    return processor_->programNameIndexed(index, text);
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
        auto* window = static_cast<CorvaneVstEditor*>(editor);
        if (window == nullptr || !(floatArg > 0) || !std::isfinite(floatArg)) return 0;
        window->editor().setScale(floatArg);
        return 1;
    }
    if (lArg != kRequestToNormalised && lArg != kRequestToDisplayUnits) return 0;
    if (!ptrArg || lArg2 < 0 || lArg2 >= kNumParams) return 0;
    const int index = static_cast<int>(lArg2);
    float answer = 0.0f;
    const bool answered = lArg == kRequestToNormalised
                              ? processor_->displayToNormalised(index, floatArg, answer)
                              : processor_->normalisedToDisplay(index, floatArg, answer);
    if (!answered) return 0;
    // The host's float need not be aligned.
    std::memcpy(ptrArg, &answer, sizeof answer);
    return 1;
}
