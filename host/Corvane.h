#pragma once

#include "params/CorvaneParameters.h"
#include "processor/CorvaneProcessor.h"
#include "vst/audio_effect_x.h"

#include <cstddef>
#include <memory>

class CCorvaneEngine;

// The plug-in object the entry point creates: the VST 2.4 edition of CorvaneProcessor, with
// four inputs (main L and R, side-chain 1 and 2), two outputs, MIDI input, 29 automatable
// parameters and 20 programs. It translates the dispatcher's requests and the host's callbacks
// into processor calls and adds nothing of its own; it keeps no chunk: the host saves each
// program as its name and 29 normalised values. The thread contract is the processor's (see
// processor/CorvaneProcessor.h); processReplacing and processEvents run on the audio thread.
class Corvane : public AudioEffectX, private CorvaneGestureListener {
public:
    static constexpr VstInt32 kUniqueId = vstFourCC('T', 'W', 'c', 'v');
    static constexpr VstInt32 kVendorVersion = 1010;
    // Private vendor requests (effVendorSpecific index): a value in display units to the
    // normalised form, and back. The value argument is the parameter, opt the value, ptr a float
    // that receives the answer.
    static constexpr VstInt32 kRequestToNormalised = 12345;
    static constexpr VstInt32 kRequestToDisplayUnits = 23456;
    // Program names hold at most this many characters, plus the terminator.
    static constexpr int kProgramNameChars = kVstMaxProgNameLen - 1;

    explicit Corvane(audioMasterCallback host);
    ~Corvane() override;

    // Pin check, note gate and engine reset; asks the host for MIDI.
    void resume() override;
    // Rates the engine cannot use are limited to its range; not a number or not positive: ignored.
    void setSampleRate(float rate) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    // Note on, note off and all-notes-off (controller 123) on any channel drive the gate of the
    // envelope follower's MIDI mode.
    VstInt32 processEvents(VstEvents* events) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    // Host texts, at most kVstMaxParamStrLen characters plus the terminator.
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    // The editor's read-out: the value text immediately followed by the unit text ("1000Hz",
    // "  50%"), as the host would read them, cut to size - 1 characters. Any thread; an index
    // outside the table gives an empty text.
    void getParameterReadout(VstInt32 index, char* text, std::size_t size);

    VstInt32 getProgram() override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    // The current program's name; a name of exactly "init" is numbered ("init 4").
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return kVendorVersion; }
    VstInt32 canDo(char* text) override;
    VstIntPtr vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg) override;

    // Inspection, for tests: the engine is the audio thread's, so read it only while no block
    // runs.
    CorvaneProcessor& getProcessor() { return *processor_; }
    const CorvaneProcessor& getProcessor() const { return *processor_; }
    const CCorvaneEngine& getEngine() const { return processor_->engine(); }
    const tw_paramManager& getParameterManager() const { return processor_->parameterInfo(); }
    double getSyncFactor() const { return processor_->syncFactor(); }
    VstInt32 getActiveInputCount() const { return processor_->activeInputs(); }
    VstInt32 getActiveOutputCount() const { return processor_->activeOutputs(); }
    VstInt32 getSidechainCount() const { return processor_->sidechains(); }
    VstInt32 getHeldNoteCount() const { return processor_->heldNotes(); }
    double getSamplePeriod() const { return 1.0 / processor_->sampleRate(); }

private:
    using ParameterText = void (CorvaneProcessor::*)(int, char*, int) const;
    void copyParameterText(VstInt32 index, char* text, ParameterText operation) const;

    // The editor's gestures, to the host.
    void gestureBegin(int index) override;
    void gestureValue(int index, float normalised) override;
    void gestureEnd(int index) override;
    void programSelected(int program) override;

    std::unique_ptr<CorvaneProcessor> processor_;
};
