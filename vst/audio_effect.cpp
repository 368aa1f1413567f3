#include "vst/audio_effect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

char* vst_strncpy(char* dst, const char* src, VstInt32 maxLen) {
    if (!dst) return dst;
    if (maxLen < 0) maxLen = 0;
    VstInt32 n = 0;
    if (src) {
        while (n < maxLen && src[n] != 0) {
            dst[n] = src[n];
            ++n;
        }
    }
    dst[n] = 0;
    return dst;
}

char* vst_strncat(char* dst, const char* src, VstInt32 maxLen) {
    if (!dst) return dst;
    const VstInt32 used = static_cast<VstInt32>(std::strlen(dst));
    if (used >= maxLen) return dst;
    vst_strncpy(dst + used, src, maxLen - used);
    return dst;
}

namespace {

// Writes a formatted text only if all of it fits in maxLen characters.
template <typename... Args>
bool formatFitting(char* text, VstInt32 maxLen, const char* format, Args... args) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n < 0 || n > maxLen || n >= static_cast<int>(sizeof buffer)) return false;
    vst_strncpy(text, buffer, maxLen);
    return true;
}

constexpr const char* kTooLongText = "Huge!";

// Normalised values outside 0..1 are clamped; a value that is not a number cannot be placed and
// is dropped (false).
bool clampParameterValue(float& value) {
    if (std::isnan(value)) return false;
    value = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    return true;
}

} // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster_, VstInt32 numPrograms_,
                         VstInt32 numParams_)
    : audioMaster(audioMaster_), numPrograms(numPrograms_ > 0 ? numPrograms_ : 0),
      numParams(numParams_ > 0 ? numParams_ : 0) {
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vstFourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
    // Replacing processing is mandatory for this interface version; the base class's own
    // implementation is meant here, not an override.
    AudioEffect::canProcessReplacing();
}

AudioEffect::~AudioEffect() {
    delete editor;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 0;
        case effSetProgram:
            if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            if (text) setProgramName(text);
            return 0;
        case effGetProgramName:
            if (text) getProgramName(text);
            return 0;
        case effGetParamLabel:
            if (text && isParameterIndex(index)) getParameterLabel(index, text);
            return 0;
        case effGetParamDisplay:
            if (text && isParameterIndex(index)) getParameterDisplay(index, text);
            return 0;
        case effGetParamName:
            if (text && isParameterIndex(index)) getParameterName(index, text);
            return 0;
        case effSetSampleRate:
            if (std::isfinite(opt) && opt > 0.0f) setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            if (value > 0 && value <= INT32_MAX) setBlockSize(static_cast<VstInt32>(value));
            return 0;
        case effMainsChanged:
            if (value)
                resume();
            else
                suspend();
            return 0;
        case effEditGetRect:
            if (!editor || !ptr) return 0;
            return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        case effEditOpen:
            if (!editor) return 0;
            return editor->open(ptr) ? 1 : 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case effIdentify:
            return vstFourCC('N', 'v', 'E', 'f');
        case effGetChunk:
            if (!ptr) return 0;
            return getChunk(static_cast<void**>(ptr), index != 0);
        case effSetChunk:
            if (!ptr || value <= 0 || value > INT32_MAX) return 0;
            return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        default:
            return 0;
    }
}

void AudioEffect::processDoubleReplacing(double**, double**, VstInt32) {}

void AudioEffect::setParameter(VstInt32, float) {}
float AudioEffect::getParameter(VstInt32) {
    return 0.0f;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    if (!isParameterIndex(index) || !clampParameterValue(value)) return;
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::setProgramName(char*) {}

void AudioEffect::getProgramName(char* name) {
    if (name) *name = 0;
}

void AudioEffect::getParameterLabel(VstInt32, char* label) {
    if (label) *label = 0;
}

void AudioEffect::getParameterDisplay(VstInt32, char* text) {
    if (text) *text = 0;
}

void AudioEffect::getParameterName(VstInt32, char* text) {
    if (text) *text = 0;
}

VstInt32 AudioEffect::getChunk(void**, bool) {
    return 0;
}
VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) {
    return 0;
}

void AudioEffect::canProcessReplacing(bool state) {
    setFlag(effFlagsCanReplacing, state);
}
void AudioEffect::canDoubleReplacing(bool state) {
    setFlag(effFlagsCanDoubleReplacing, state);
}
void AudioEffect::programsAreChunks(bool state) {
    setFlag(effFlagsProgramChunks, state);
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

VstInt32 AudioEffect::getMasterVersion() {
    const VstIntPtr version = callHost(audioMasterVersion);
    return version ? static_cast<VstInt32>(version) : 1;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() {
    callHost(audioMasterIdle);
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    if (value <= 0.0f || std::isnan(value))
        vst_strncpy(text, "-oo", maxLen);
    else
        float2string(static_cast<float>(20.0 * std::log10(value)), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    if (samples == 0.0f)
        float2string(0.0f, text, maxLen);
    else
        float2string(getSampleRate() / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    float2string(static_cast<float>(samples * 1000.0 / getSampleRate()), text, maxLen);
}

// The most decimals that fit the host's short text, down to none.
void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    if (!text) return;
    if (!std::isfinite(value)) {
        vst_strncpy(text, std::isnan(value) ? "NaN" : (value > 0 ? "+oo" : "-oo"), maxLen);
        return;
    }
    for (int decimals = 6; decimals >= 0; --decimals)
        if (formatFitting(text, maxLen, "%.*f", decimals, static_cast<double>(value))) return;
    vst_strncpy(text, kTooLongText, maxLen);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    if (!text) return;
    if (!formatFitting(text, maxLen, "%d", static_cast<int>(value)))
        vst_strncpy(text, kTooLongText, maxLen);
}

void AudioEffect::process(float**, float**, VstInt32) {}
void AudioEffect::hasVu(bool state) {
    setFlag(effFlagsHasVu, state);
}
void AudioEffect::hasClip(bool state) {
    setFlag(effFlagsHasClip, state);
}
void AudioEffect::canMono(bool state) {
    setFlag(effFlagsCanMono, state);
}

bool AudioEffect::isInputConnected(VstInt32 input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
    if (!audioMaster) return 0;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::setFlag(VstInt32 flag, bool state) {
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

AudioEffect* AudioEffect::instanceOf(AEffect* e) {
    return e ? static_cast<AudioEffect*>(e->object) : nullptr;
}

bool AudioEffect::canProcess(const void* inputs, const void* outputs, VstInt32 sampleFrames) const {
    if (sampleFrames <= 0) return false;
    if (!inputs && cEffect.numInputs > 0) return false;
    return outputs || cEffect.numOutputs <= 0;
}

VstIntPtr AudioEffect::dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt) {
    AudioEffect* self = instanceOf(e);
    if (!self) return 0;
    if (opcode == effClose) {
        self->dispatcher(opcode, index, value, ptr, opt);
        // The record lives inside the instance: the host forgets both with this request.
        delete self;
        return 1;
    }
    return self->dispatcher(opcode, index, value, ptr, opt);
}

float AudioEffect::getParameterClass(AEffect* e, VstInt32 index) {
    AudioEffect* self = instanceOf(e);
    if (!self || !self->isParameterIndex(index)) return 0.0f;
    return self->getParameter(index);
}

void AudioEffect::setParameterClass(AEffect* e, VstInt32 index, float value) {
    AudioEffect* self = instanceOf(e);
    if (self && self->isParameterIndex(index) && clampParameterValue(value))
        self->setParameter(index, value);
}

// The accumulating call belongs to older interface versions; a host of this one never relies on
// it, and honouring it would need a second render path.
void AudioEffect::processClass(AEffect*, float**, float**, VstInt32) {}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                        VstInt32 sampleFrames) {
    AudioEffect* self = instanceOf(e);
    if (self && self->canProcess(inputs, outputs, sampleFrames))
        self->processReplacing(inputs, outputs, sampleFrames);
}

void AudioEffect::processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                              VstInt32 sampleFrames) {
    AudioEffect* self = instanceOf(e);
    if (self && self->canProcess(inputs, outputs, sampleFrames))
        self->processDoubleReplacing(inputs, outputs, sampleFrames);
}
