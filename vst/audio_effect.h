#pragma once

#include "vst/aeff_editor.h"
#include "vst/vst_abi.h"

// Copies at most maxLen characters of src and always terminates dst, so dst needs maxLen + 1
// bytes (the published text limits count characters, not the terminator). Null-safe.
char* vst_strncpy(char* dst, const char* src, VstInt32 maxLen);
// Appends src to dst so that dst holds at most maxLen characters plus the terminator.
char* vst_strncat(char* dst, const char* src, VstInt32 maxLen);

// The generic plug-in base: it owns the plug-in record the host talks to, fills it with the
// published defaults, and turns the record's C entry points (the static trampolines below) into
// calls of the virtual operations that a plug-in overrides. Requests a plug-in does not handle
// answer 0 or do nothing.
//
// Lifecycle: the module's entry point creates the object on the heap; the host then drives it
// through the record and finally sends effClose, after which the trampoline deletes the object
// (and the base deletes the editor it was given).
//
// Hardening done here, before any virtual operation runs: text, name, rectangle and chunk
// requests with a null ptr answer 0 and write nothing; program and parameter indices outside the
// record's counts are ignored; setParameter values that are not numbers are dropped and the
// others clamped to 0..1; process calls with no frames or missing buffers are skipped; sample
// rates that are not positive finite numbers and block sizes below 1 are ignored; no host
// callback is made when the host gave none.
//
// The virtual operations are declared in the slot order of the published declarations.
class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);

    // State transitions.
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    // Processing. The host never passes more frames than the block size it set.
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames);

    // Parameters, as normalised values 0..1.
    virtual void setParameter(VstInt32 index, float value);
    virtual float getParameter(VstInt32 index);
    // For changes made by the plug-in itself (its editor): applies the value, then tells the
    // host so it can record automation.
    virtual void setParameterAutomated(VstInt32 index, float value);

    // Programs and persistence. Text buffers hold kVstMaxProgNameLen or kVstMaxParamStrLen
    // characters plus the terminator.
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(VstInt32 index, char* label);
    virtual void getParameterDisplay(VstInt32 index, char* text);
    virtual void getParameterName(VstInt32 index, char* text);
    virtual VstInt32 getChunk(void** data, bool isPreset = false);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false);

    // Internal setup.
    virtual void setUniqueID(VstInt32 iD) { cEffect.uniqueID = iD; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true);
    virtual void canDoubleReplacing(bool state = true);
    virtual void programsAreChunks(bool state = true);
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }

    // Editor. The base takes ownership of the editor and sets or clears effFlagsHasEditor.
    void setEditor(AEffEditor* newEditor);
    virtual AEffEditor* getEditor() { return editor; }

    // Inquiry.
    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }

    // Host communication.
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();

    // Text helpers; each writes at most maxLen characters plus the terminator.
    virtual void dB2string(float value, char* text, VstInt32 maxLen);
    virtual void Hz2string(float samples, char* text, VstInt32 maxLen);
    virtual void ms2string(float samples, char* text, VstInt32 maxLen);
    virtual void float2string(float value, char* text, VstInt32 maxLen);
    virtual void int2string(VstInt32 value, char* text, VstInt32 maxLen);

    // Operations of older interface versions, kept for the slot order. Hosts of this version no
    // longer call the accumulating process; the pin queries still ask the host.
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames);
    virtual float getVu() { return 0.0f; }
    virtual void hasVu(bool state = true);
    virtual void hasClip(bool state = true);
    virtual void canMono(bool state = true);
    virtual void setRealtimeQualities(VstInt32 qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(VstInt32 qualities) { cEffect.offQualities = qualities; }
    // True unless the host says the pin is unconnected (the host answers 0 for connected).
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

protected:
    // Calls the host, or answers 0 when the plug-in was created without a host callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    void setFlag(VstInt32 flag, bool state);
    bool isParameterIndex(VstInt32 index) const { return index >= 0 && index < numParams; }
    bool isProgramIndex(VstInt32 index) const { return index >= 0 && index < numPrograms; }

    audioMasterCallback audioMaster = nullptr;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms = 0;
    VstInt32 numParams = 0;
    VstInt32 curProgram = 0;
    AEffect cEffect;

    // The record's entry points; each finds the instance through the record's object field.
    static VstIntPtr dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
    static float getParameterClass(AEffect* e, VstInt32 index);
    static void setParameterClass(AEffect* e, VstInt32 index, float value);
    static void processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                      VstInt32 sampleFrames);
    static void processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                            VstInt32 sampleFrames);

private:
    static AudioEffect* instanceOf(AEffect* e);
    bool canProcess(const void* inputs, const void* outputs, VstInt32 sampleFrames) const;
};
