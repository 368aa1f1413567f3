// The plug-in module the host tests load: built on AudioEffectX like any plug-in of this
// program, with hidden visibility and only its entry points exported.

#include "test_gain_plugin.h"
#include "vst/audio_effect_x.h"
#include "vst/plugin_entry.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

using namespace corvane::test::gain_plugin;

class TestGainEditor : public AEffEditor {
public:
    explicit TestGainEditor(AudioEffect* owner) : AEffEditor(owner) {
        rect_.right = kEditorWidth;
        rect_.bottom = kEditorHeight;
    }
    bool getRect(ERect** rect) override {
        *rect = &rect_;
        return true;
    }

private:
    ERect rect_{};
};

struct MidiRecord {
    VstInt32 frame, status, data1, data2;
};

class TestGain : public AudioEffectX {
public:
    explicit TestGain(audioMasterCallback host) : AudioEffectX(host, kNumPrograms, kNumParams) {
        setNumInputs(4); // main pair, then a side-chain pair mixed into the main one
        setNumOutputs(2);
        setUniqueID(kUniqueId);
        canProcessReplacing();
        cEffect.version = kVersion;
        for (int p = 0; p < kNumPrograms; ++p) {
            vst_strncpy(programs_[p].name, kPrograms[p].name, kVstMaxProgNameLen - 1);
            std::memcpy(programs_[p].values, kPrograms[p].values, sizeof programs_[p].values);
        }
        setProgram(0);
        setEditor(new TestGainEditor(this));
    }

    void setParameter(VstInt32 index, float value) override {
        programs_[curProgram].values[index] = value;
    }
    float getParameter(VstInt32 index) override { return programs_[curProgram].values[index]; }
    void setProgram(VstInt32 program) override { curProgram = program; }
    void setProgramName(char* name) override {
        vst_strncpy(programs_[curProgram].name, name, kVstMaxProgNameLen - 1);
    }
    void getProgramName(char* name) override {
        vst_strncpy(name, programs_[curProgram].name, kVstMaxProgNameLen - 1);
    }
    bool getProgramNameIndexed(VstInt32, VstInt32 index, char* text) override {
        vst_strncpy(text, programs_[index].name, kVstMaxProgNameLen - 1);
        return true;
    }
    void getParameterName(VstInt32 index, char* text) override {
        vst_strncpy(text, index == kGain ? "Gain" : "Balance", kVstMaxParamStrLen);
    }
    void getParameterLabel(VstInt32 index, char* text) override {
        vst_strncpy(text, index == kGain ? "dB" : "", kVstMaxParamStrLen);
    }
    void getParameterDisplay(VstInt32 index, char* text) override {
        if (index == kGain)
            dB2string(2.0f * programs_[curProgram].values[kGain], text, kVstMaxParamStrLen);
        else
            float2string(programs_[curProgram].values[kBalance], text, kVstMaxParamStrLen);
    }
    bool getEffectName(char* name) override {
        vst_strncpy(name, "Test Gain", kVstMaxEffectNameLen);
        return true;
    }
    bool getVendorString(char* text) override {
        vst_strncpy(text, "Corvane Tests", kVstMaxVendorStrLen);
        return true;
    }
    bool getProductString(char* text) override {
        vst_strncpy(text, "Test Gain", kVstMaxProductStrLen);
        return true;
    }
    VstInt32 getVendorVersion() override { return 42; }
    VstInt32 canDo(char* text) override {
        for (const char* yes : {"receiveVstMidiEvent", "receiveVstTimeInfo", "2in2out"})
            if (std::strcmp(text, yes) == 0) return 1;
        return 0;
    }
    bool getInputProperties(VstInt32 index, VstPinProperties* p) override {
        std::snprintf(p->label, sizeof p->label, "Test In %d", static_cast<int>(index + 1));
        p->flags = kVstPinIsActive | (index == 0 ? kVstPinIsStereo : 0);
        return true;
    }

    void resume() override {
        pins_ = 0;
        for (VstInt32 i = 0; i < cEffect.numInputs; ++i)
            if (isInputConnected(i)) pins_ |= 1 << i;
        frames_ = 0;
        midi_count_ = 0;
        wantEvents();
    }

    VstInt32 processEvents(VstEvents* events) override {
        for (VstInt32 i = 0; i < events->numEvents; ++i) {
            const VstEvent* e = vstEventAt(events, i);
            if (!e || e->type != kVstMidiType || midi_count_ >= kMaxMidi) continue;
            const auto* m = reinterpret_cast<const VstMidiEvent*>(e);
            midi_[midi_count_++] = {static_cast<VstInt32>(frames_) + m->deltaFrames,
                                    static_cast<unsigned char>(m->midiData[0]),
                                    static_cast<unsigned char>(m->midiData[1]),
                                    static_cast<unsigned char>(m->midiData[2])};
        }
        return 1;
    }

    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override {
        time_[0] = time_[1] = time_[2] = time_[3] = 0.0;
        if (const VstTimeInfo* t =
                getTimeInfo(kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying)) {
            time_[0] = t->tempo;
            time_[1] = t->ppqPos;
            time_[2] = t->samplePos;
            time_[3] = t->timeSigDenominator;
        }
        const float* values = programs_[curProgram].values;
        const float gains[2] = {left_gain(values), right_gain(values)};
        for (int c = 0; c < 2; ++c)
            for (VstInt32 i = 0; i < frames; ++i)
                outputs[c][i] = gains[c] * (inputs[c][i] + inputs[c + 2][i]);
        frames_ += frames;
    }

    VstIntPtr vendorSpecific(VstInt32 request, VstIntPtr value, void* ptr, float opt) override {
        switch (request) {
            case kRequestMidiEvent:
                if (value < 0 || value >= midi_count_) return 0;
                std::memcpy(ptr, &midi_[value], sizeof(MidiRecord));
                return 1;
            case kRequestTime:
                std::memcpy(ptr, time_, sizeof time_);
                return 1;
            case kRequestPins:
                std::memcpy(ptr, &pins_, sizeof pins_);
                return 1;
            case kRequestHostCanDo:
                return canHostDo(static_cast<char*>(ptr));
            case kRequestSizeWindow:
                return sizeWindow(static_cast<VstInt32>(value >> 16),
                                  static_cast<VstInt32>(value & 0xffff))
                           ? 1
                           : 0;
            case kRequestGesture:
                beginEdit(static_cast<VstInt32>(value));
                setParameterAutomated(static_cast<VstInt32>(value), opt);
                endEdit(static_cast<VstInt32>(value));
                return 1;
            default:
                return 0;
        }
    }

private:
    static constexpr int kMaxMidi = 64;
    struct Record {
        char name[kVstMaxProgNameLen];
        float values[kNumParams];
    } programs_[kNumPrograms];
    MidiRecord midi_[kMaxMidi];
    int midi_count_ = 0;
    long frames_ = 0;
    double time_[4] = {};
    VstInt32 pins_ = 0;
};

} // namespace

VST_PLUGIN_ENTRY_POINTS(TestGain)
