// The plug-in bases as a host meets them: the record's defaults, the dispatcher's mapping of
// requests onto virtual operations, the trampolines, and the hardening against bad requests.

#include "vst/audio_effect_x.h"
#include "vst/plugin_entry.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

// Everything the plug-in and the fake host do, in order.
std::vector<std::string> g_log;

void log(const std::string& entry) {
    g_log.push_back(entry);
}

std::string str(long long v) {
    return std::to_string(v);
}

VstTimeInfo g_host_time{};
VstIntPtr g_host_answer = 1;

VstIntPtr fake_host(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                    float opt) {
    std::string entry = "host " + str(opcode) + " " + str(index) + " " + str(value);
    if (opt != 0.0f) entry += " opt " + std::to_string(opt);
    if (opcode == audioMasterCanDo && ptr) entry += std::string(" ") + static_cast<char*>(ptr);
    log(entry);
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&g_host_time);
    return g_host_answer;
}

class ProbeEditor : public AEffEditor {
public:
    ProbeEditor(AudioEffect* owner, int* deleted) : AEffEditor(owner), deleted_(deleted) {
        rect_.bottom = 302;
        rect_.right = 730;
    }
    ~ProbeEditor() override {
        if (deleted_) ++*deleted_;
    }
    bool getRect(ERect** rect) override {
        *rect = &rect_;
        return true;
    }
    bool open(void* ptr) override {
        log("editor open " + str(reinterpret_cast<VstIntPtr>(ptr)));
        return true;
    }
    void close() override { log("editor close"); }
    void idle() override { log("editor idle"); }
    bool onKeyDown(VstKeyCode& k) override { return key("down", k); }
    bool onKeyUp(VstKeyCode& k) override { return key("up", k); }
    bool setKnobMode(VstInt32 mode) override {
        log("editor knob " + str(mode));
        return true;
    }
    ERect rect_{};

private:
    bool key(const char* what, const VstKeyCode& k) {
        log(std::string("editor key ") + what + " " + str(k.character) + " " + str(k.virt) + " " +
            str(k.modifier));
        return true;
    }
    int* deleted_;
};

// A plug-in of 4 programs and 3 parameters whose every override leaves a trace.
class Probe : public AudioEffectX {
public:
    explicit Probe(audioMasterCallback host, int* destroyed = nullptr)
        : AudioEffectX(host, 4, 3), destroyed_(destroyed) {}
    ~Probe() override {
        if (destroyed_) ++*destroyed_;
    }
    using AudioEffectX::setFlag;

    void open() override { log("open"); }
    void close() override { log("close"); }
    void suspend() override { log("suspend"); }
    void resume() override { log("resume"); }
    void setSampleRate(float rate) override {
        AudioEffectX::setSampleRate(rate);
        log("setSampleRate " + str(static_cast<long long>(rate)));
    }
    void setBlockSize(VstInt32 size) override {
        AudioEffectX::setBlockSize(size);
        log("setBlockSize " + str(size));
    }
    void processReplacing(float** in, float** out, VstInt32 n) override {
        log("processReplacing " + str(n));
        last_in = in;
        last_out = out;
    }
    void processDoubleReplacing(double**, double**, VstInt32 n) override {
        log("processDoubleReplacing " + str(n));
    }
    void setParameter(VstInt32 i, float v) override {
        log("setParameter " + str(i) + " " + std::to_string(v));
    }
    float getParameter(VstInt32 i) override {
        log("getParameter " + str(i));
        return 0.25f;
    }
    void setProgram(VstInt32 p) override {
        AudioEffectX::setProgram(p);
        log("setProgram " + str(p));
    }
    void setProgramName(char* name) override { log(std::string("setProgramName ") + name); }
    void getProgramName(char* name) override { answer("getProgramName", -1, name); }
    void getParameterLabel(VstInt32 i, char* t) override { answer("getParameterLabel", i, t); }
    void getParameterDisplay(VstInt32 i, char* t) override { answer("getParameterDisplay", i, t); }
    void getParameterName(VstInt32 i, char* t) override { answer("getParameterName", i, t); }
    VstInt32 getChunk(void** data, bool preset) override {
        log("getChunk " + str(preset));
        *data = this;
        return 7;
    }
    VstInt32 setChunk(void*, VstInt32 size, bool preset) override {
        log("setChunk " + str(size) + " " + str(preset));
        return 1;
    }
    VstInt32 processEvents(VstEvents* e) override {
        log("processEvents " + str(e->numEvents));
        return 1;
    }
    bool canParameterBeAutomated(VstInt32 i) override {
        log("canParameterBeAutomated " + str(i));
        return i != 1;
    }
    bool string2parameter(VstInt32 i, char* t) override {
        log("string2parameter " + str(i) + " " + t);
        return true;
    }
    bool getProgramNameIndexed(VstInt32 c, VstInt32 i, char* t) override {
        answer("getProgramNameIndexed " + str(c), i, t);
        return true;
    }
    bool getInputProperties(VstInt32 i, VstPinProperties* p) override {
        answer("getInputProperties", i, p->label);
        return true;
    }
    bool getOutputProperties(VstInt32 i, VstPinProperties* p) override {
        answer("getOutputProperties", i, p->label);
        return true;
    }
    bool setBypass(bool on) override {
        log("setBypass " + str(on));
        return true;
    }
    bool getEffectName(char* t) override { return answer("getEffectName", -1, t); }
    bool getVendorString(char* t) override { return answer("getVendorString", -1, t); }
    bool getProductString(char* t) override { return answer("getProductString", -1, t); }
    VstInt32 getVendorVersion() override { return 1010; }
    VstIntPtr vendorSpecific(VstInt32 a, VstIntPtr b, void*, float f) override {
        log("vendorSpecific " + str(a) + " " + str(b) + " " + std::to_string(f));
        return 5;
    }
    VstInt32 canDo(char* t) override {
        log(std::string("canDo ") + t);
        return std::strcmp(t, "yes") == 0 ? 1 : 0;
    }
    VstInt32 getGetTailSize() override { return 99; }
    bool getParameterProperties(VstInt32 i, VstParameterProperties* p) override {
        answer("getParameterProperties", i, p->label);
        return true;
    }
    bool beginSetProgram() override {
        log("beginSetProgram");
        return true;
    }
    bool endSetProgram() override {
        log("endSetProgram");
        return true;
    }
    VstInt32 startProcess() override {
        log("startProcess");
        return 1;
    }
    VstInt32 stopProcess() override {
        log("stopProcess");
        return 1;
    }
    bool setProcessPrecision(VstInt32 p) override {
        log("setProcessPrecision " + str(p));
        return true;
    }
    VstInt32 beginLoadBank(VstPatchChunkInfo* info) override {
        log("beginLoadBank " + str(info->numElements));
        return 1;
    }

    float** last_in = nullptr;
    float** last_out = nullptr;

private:
    bool answer(const std::string& what, VstInt32 i, char* text) {
        log(what + (i >= 0 ? " " + str(i) : ""));
        std::strcpy(text, "ok");
        return true;
    }
    int* destroyed_;
};

// Names parameterised cases after their table rows.
struct CaseName {
    template <typename T>
    std::string operator()(const ::testing::TestParamInfo<T>& row) const {
        return row.param.name;
    }
};

class BasesTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        g_host_answer = 1;
        plugin = new Probe(fake_host, &destroyed);
        effect = plugin->getAeffect();
        g_log.clear();
    }
    void TearDown() override {
        if (destroyed == 0) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    int destroyed = 0;
    Probe* plugin = nullptr;
    AEffect* effect = nullptr;
};

TEST_F(BasesTest, RecordHoldsThePublishedDefaults) {
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->numPrograms, 4);
    EXPECT_EQ(effect->numParams, 3);
    EXPECT_EQ(effect->numInputs, 1);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, effFlagsCanReplacing);
    EXPECT_EQ(effect->uniqueID, 0x4e6f4566); // 'NoEf'
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->object, plugin);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->resvd2, 0);
    EXPECT_EQ(plugin->getSampleRate(), 44100.0f);
    EXPECT_EQ(plugin->getBlockSize(), 1024);
    EXPECT_EQ(plugin->getProgram(), 0);
    EXPECT_EQ(dispatch(effIdentify), 0x4e764566); // 'NvEf'
    EXPECT_EQ(dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(dispatch(effGetPlugCategory), kPlugCategUnknown);
}

TEST_F(BasesTest, FlagSettersChangeOnlyTheirBit) {
    plugin->isSynth();
    EXPECT_EQ(dispatch(effGetPlugCategory), kPlugCategSynth);
    plugin->noTail();
    plugin->programsAreChunks();
    plugin->canDoubleReplacing();
    EXPECT_EQ(effect->flags, effFlagsCanReplacing | effFlagsIsSynth | effFlagsNoSoundInStop |
                                 effFlagsProgramChunks | effFlagsCanDoubleReplacing);
    plugin->isSynth(false);
    plugin->programsAreChunks(false);
    EXPECT_EQ(effect->flags,
              effFlagsCanReplacing | effFlagsNoSoundInStop | effFlagsCanDoubleReplacing);
}

// One request, and the call it must become.
struct Mapping {
    const char* name;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
    const char* text; // ptr as a text buffer holding this, or null for a scratch buffer
    const char* call; // the trace expected, or "" for none
    VstIntPtr result;
};

// Test names show the row, not its bytes.
std::ostream& operator<<(std::ostream& out, const Mapping& row) {
    return out << row.name;
}

class DispatcherMapping : public BasesTest, public ::testing::WithParamInterface<Mapping> {};

TEST_P(DispatcherMapping, ReachesTheVirtualOperation) {
    const Mapping& m = GetParam();
    char buffer[256] = {};
    if (m.text) std::strcpy(buffer, m.text);
    const VstIntPtr result = dispatch(m.opcode, m.index, m.value, buffer, m.opt);
    EXPECT_EQ(result, m.result);
    if (m.call[0] == 0) {
        EXPECT_TRUE(g_log.empty()) << g_log.front();
    } else {
        ASSERT_EQ(g_log.size(), 1u);
        EXPECT_EQ(g_log[0], m.call);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, DispatcherMapping,
    ::testing::Values(
        Mapping{"Open", effOpen, 0, 0, 0, nullptr, "open", 0},
        Mapping{"SetProgram", effSetProgram, 0, 3, 0, nullptr, "setProgram 3", 0},
        Mapping{"SetProgramName", effSetProgramName, 0, 0, 0, "Lead", "setProgramName Lead", 0},
        Mapping{"GetProgramName", effGetProgramName, 0, 0, 0, nullptr, "getProgramName", 0},
        Mapping{"ParamLabel", effGetParamLabel, 2, 0, 0, nullptr, "getParameterLabel 2", 0},
        Mapping{"ParamDisplay", effGetParamDisplay, 1, 0, 0, nullptr, "getParameterDisplay 1", 0},
        Mapping{"ParamName", effGetParamName, 0, 0, 0, nullptr, "getParameterName 0", 0},
        Mapping{"SampleRate", effSetSampleRate, 0, 0, 48000.0f, nullptr, "setSampleRate 48000", 0},
        Mapping{"BlockSize", effSetBlockSize, 0, 256, 0, nullptr, "setBlockSize 256", 0},
        Mapping{"MainsOn", effMainsChanged, 0, 1, 0, nullptr, "resume", 0},
        Mapping{"MainsOff", effMainsChanged, 0, 0, 0, nullptr, "suspend", 0},
        Mapping{"GetChunkBank", effGetChunk, 0, 0, 0, nullptr, "getChunk 0", 7},
        Mapping{"GetChunkPreset", effGetChunk, 1, 0, 0, nullptr, "getChunk 1", 7},
        Mapping{"SetChunk", effSetChunk, 1, 12, 0, nullptr, "setChunk 12 1", 1},
        Mapping{"CanBeAutomated", effCanBeAutomated, 1, 0, 0, nullptr, "canParameterBeAutomated 1",
                0},
        Mapping{"String2Parameter", effString2Parameter, 2, 0, 0, "0.5", "string2parameter 2 0.5",
                1},
        Mapping{"ProgramNameIndexed", effGetProgramNameIndexed, 3, -1, 0, nullptr,
                "getProgramNameIndexed -1 3", 1},
        Mapping{"InputProperties", effGetInputProperties, 0, 0, 0, nullptr, "getInputProperties 0",
                1},
        Mapping{"OutputProperties", effGetOutputProperties, 1, 0, 0, nullptr,
                "getOutputProperties 1", 1},
        Mapping{"Bypass", effSetBypass, 0, 1, 0, nullptr, "setBypass 1", 1},
        Mapping{"EffectName", effGetEffectName, 0, 0, 0, nullptr, "getEffectName", 1},
        Mapping{"VendorString", effGetVendorString, 0, 0, 0, nullptr, "getVendorString", 1},
        Mapping{"ProductString", effGetProductString, 0, 0, 0, nullptr, "getProductString", 1},
        Mapping{"VendorVersion", effGetVendorVersion, 0, 0, 0, nullptr, "", 1010},
        Mapping{"VendorSpecific", effVendorSpecific, 12345, 4, 0.5f, nullptr,
                "vendorSpecific 12345 4 0.500000", 5},
        Mapping{"CanDoYes", effCanDo, 0, 0, 0, "yes", "canDo yes", 1},
        Mapping{"CanDoOther", effCanDo, 0, 0, 0, "2in1out", "canDo 2in1out", 0},
        Mapping{"TailSize", effGetTailSize, 0, 0, 0, nullptr, "", 99},
        Mapping{"ParameterProperties", effGetParameterProperties, 2, 0, 0, nullptr,
                "getParameterProperties 2", 1},
        Mapping{"BeginSetProgram", effBeginSetProgram, 0, 0, 0, nullptr, "beginSetProgram", 1},
        Mapping{"EndSetProgram", effEndSetProgram, 0, 0, 0, nullptr, "endSetProgram", 1},
        Mapping{"StartProcess", effStartProcess, 0, 0, 0, nullptr, "startProcess", 1},
        Mapping{"StopProcess", effStopProcess, 0, 0, 0, nullptr, "stopProcess", 1},
        Mapping{"TotalSamples", effSetTotalSampleToProcess, 0, 4410, 0, nullptr, "", 4410},
        Mapping{"Precision", effSetProcessPrecision, 0, 1, 0, nullptr, "setProcessPrecision 1", 1},
        // Requests of older versions answer 0 and reach nothing.
        Mapping{"GetVu", effGetVu, 0, 0, 0, nullptr, "", 0},
        Mapping{"EditDraw", effEditDraw, 0, 0, 0, nullptr, "", 0},
        Mapping{"CopyProgram", effCopyProgram, 1, 0, 0, nullptr, "", 0},
        Mapping{"ConnectInput", effConnectInput, 0, 1, 0, nullptr, "", 0},
        Mapping{"BlockSizeAndRate", effSetBlockSizeAndSampleRate, 0, 64, 48000.0f, nullptr, "", 0},
        Mapping{"ErrorText", effGetErrorText, 0, 0, 0, nullptr, "", 0},
        Mapping{"KeysRequired", effKeysRequired, 0, 0, 0, nullptr, "", 0},
        Mapping{"Unknown", 999, 0, 0, 0, nullptr, "", 0}),
    CaseName());

TEST_F(BasesTest, GetProgramAnswersTheCurrentProgram) {
    dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(dispatch(effGetProgram), 2);
}

TEST_F(BasesTest, ProcessEventsReachesThePlugin) {
    VstEvents events{};
    events.numEvents = 0;
    EXPECT_EQ(dispatch(effProcessEvents, 0, 0, &events), 1);
    EXPECT_EQ(g_log, std::vector<std::string>{"processEvents 0"});
}

TEST_F(BasesTest, BeginLoadBankPassesTheChunkInfo) {
    VstPatchChunkInfo info{};
    info.numElements = 20;
    EXPECT_EQ(dispatch(effBeginLoadBank, 0, 0, &info), 1);
    EXPECT_EQ(g_log, std::vector<std::string>{"beginLoadBank 20"});
}

TEST_F(BasesTest, SpeakerArrangementRequestClearsBothPointers) {
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* input = &dummy;
    VstSpeakerArrangement* output = &dummy;
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

// Requests whose ptr is null must neither write nor reach the plug-in.
struct NullRequest {
    const char* name;
    VstInt32 opcode;
    VstInt32 index;
};

// Test names show the row, not its bytes.
std::ostream& operator<<(std::ostream& out, const NullRequest& row) {
    return out << row.name;
}

class NullPointerRequest : public BasesTest, public ::testing::WithParamInterface<NullRequest> {};

TEST_P(NullPointerRequest, AnswersZeroAndCallsNothing) {
    plugin->setEditor(new ProbeEditor(plugin, nullptr));
    EXPECT_EQ(dispatch(GetParam().opcode, GetParam().index, 1, nullptr, 0.0f), 0);
    EXPECT_TRUE(g_log.empty()) << g_log.front();
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, NullPointerRequest,
    ::testing::Values(
        NullRequest{"SetProgramName", effSetProgramName, 0},
        NullRequest{"GetProgramName", effGetProgramName, 0},
        NullRequest{"ParamLabel", effGetParamLabel, 0},
        NullRequest{"ParamDisplay", effGetParamDisplay, 0},
        NullRequest{"ParamName", effGetParamName, 0}, NullRequest{"EditGetRect", effEditGetRect, 0},
        NullRequest{"GetChunk", effGetChunk, 0}, NullRequest{"SetChunk", effSetChunk, 0},
        NullRequest{"ProcessEvents", effProcessEvents, 0},
        NullRequest{"String2Parameter", effString2Parameter, 0},
        NullRequest{"ProgramNameIndexed", effGetProgramNameIndexed, 0},
        NullRequest{"InputProperties", effGetInputProperties, 0},
        NullRequest{"OutputProperties", effGetOutputProperties, 0},
        NullRequest{"EffectName", effGetEffectName, 0},
        NullRequest{"VendorString", effGetVendorString, 0},
        NullRequest{"ProductString", effGetProductString, 0},
        NullRequest{"VendorSpecific", effVendorSpecific, 12345}, NullRequest{"CanDo", effCanDo, 0},
        NullRequest{"ParameterProperties", effGetParameterProperties, 0},
        NullRequest{"SpeakerArrangement", effGetSpeakerArrangement, 0},
        NullRequest{"ShellNextPlugin", effShellGetNextPlugin, 0},
        NullRequest{"BeginLoadBank", effBeginLoadBank, 0},
        NullRequest{"BeginLoadProgram", effBeginLoadProgram, 0},
        NullRequest{"MidiProgramName", effGetMidiProgramName, 0},
        NullRequest{"MidiKeyName", effGetMidiKeyName, 0}),
    CaseName());

// Requests with an index outside the record's counts leave the buffer as it was.
struct OutOfRange {
    const char* name;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
};

// Test names show the row, not its bytes.
std::ostream& operator<<(std::ostream& out, const OutOfRange& row) {
    return out << row.name;
}

class OutOfRangeRequest : public BasesTest, public ::testing::WithParamInterface<OutOfRange> {};

TEST_P(OutOfRangeRequest, IsIgnored) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(dispatch(GetParam().opcode, GetParam().index, GetParam().value, buffer), 0);
    EXPECT_TRUE(g_log.empty()) << g_log.front();
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(plugin->getProgram(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, OutOfRangeRequest,
    ::testing::Values(OutOfRange{"ProgramPastEnd", effSetProgram, 0, 4},
                      OutOfRange{"ProgramNegative", effSetProgram, 0, -1},
                      OutOfRange{"NamePastEnd", effGetParamName, 3, 0},
                      OutOfRange{"NameNegative", effGetParamName, -1, 0},
                      OutOfRange{"LabelPastEnd", effGetParamLabel, 3, 0},
                      OutOfRange{"DisplayPastEnd", effGetParamDisplay, 3, 0},
                      OutOfRange{"IndexedPastEnd", effGetProgramNameIndexed, 4, 0},
                      OutOfRange{"IndexedNegative", effGetProgramNameIndexed, -1, 0},
                      OutOfRange{"InputPastEnd", effGetInputProperties, 1, 0},
                      OutOfRange{"OutputPastEnd", effGetOutputProperties, 2, 0},
                      OutOfRange{"PropertiesPastEnd", effGetParameterProperties, 3, 0},
                      OutOfRange{"String2ParameterPastEnd", effString2Parameter, 3, 0}),
    CaseName());

TEST_F(BasesTest, AbsurdRatesAndBlockSizesAreIgnored) {
    for (float rate : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity()})
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    for (VstIntPtr size : {VstIntPtr{0}, VstIntPtr{-5}, VstIntPtr{1} << 40})
        dispatch(effSetBlockSize, 0, size);
    EXPECT_TRUE(g_log.empty());
    EXPECT_EQ(plugin->getSampleRate(), 44100.0f);
    EXPECT_EQ(plugin->getBlockSize(), 1024);
}

TEST_F(BasesTest, ParameterTrampolinesCheckIndexAndValue) {
    effect->setParameter(effect, 2, 0.75f);
    effect->setParameter(effect, 1, 1.5f);
    effect->setParameter(effect, 0, -0.5f);
    effect->setParameter(effect, 3, 0.5f);
    effect->setParameter(effect, -1, 0.5f);
    effect->setParameter(effect, 0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(effect->getParameter(effect, 1), 0.25f);
    EXPECT_EQ(effect->getParameter(effect, 3), 0.0f);
    EXPECT_EQ(g_log, (std::vector<std::string>{"setParameter 2 0.750000", "setParameter 1 1.000000",
                                               "setParameter 0 0.000000", "getParameter 1"}));
}

TEST_F(BasesTest, ProcessTrampolinesPassBuffersAndSkipEmptyBlocks) {
    float a[4] = {}, b[4] = {}, c[4] = {};
    float* ins[1] = {a};
    float* outs[2] = {b, c};
    effect->processReplacing(effect, ins, outs, 4);
    EXPECT_EQ(plugin->last_in, ins);
    EXPECT_EQ(plugin->last_out, outs);
    effect->processReplacing(effect, ins, outs, 0);
    effect->processReplacing(effect, ins, outs, -3);
    effect->processReplacing(effect, nullptr, outs, 4);
    effect->processReplacing(effect, ins, nullptr, 4);
    effect->process(effect, ins, outs, 4); // the old accumulating call does nothing
    double d[4] = {};
    double* dins[1] = {d};
    double* douts[2] = {d, d};
    effect->processDoubleReplacing(effect, dins, douts, 4);
    EXPECT_EQ(g_log, (std::vector<std::string>{"processReplacing 4", "processDoubleReplacing 4"}));
}

TEST_F(BasesTest, CloseRunsCloseThenDeletesTheInstance) {
    EXPECT_EQ(dispatch(effClose), 1);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(g_log, std::vector<std::string>{"close"});
}

TEST_F(BasesTest, EditorAttachmentSetsTheFlagAndTheBaseDeletesIt) {
    int deleted = 0;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, nullptr), 0);
    auto* editor = new ProbeEditor(plugin, &deleted);
    plugin->setEditor(editor);
    EXPECT_EQ(effect->flags & effFlagsHasEditor, effFlagsHasEditor);
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_EQ(rect, &editor->rect_);
    EXPECT_EQ(rect->right - rect->left, 730);
    dispatch(effClose);
    EXPECT_EQ(deleted, 1);
}

TEST_F(BasesTest, DetachingTheEditorClearsTheFlag) {
    auto* editor = new ProbeEditor(plugin, nullptr);
    plugin->setEditor(editor);
    plugin->setEditor(nullptr);
    delete editor;
    EXPECT_EQ(effect->flags & effFlagsHasEditor, 0);
}

TEST_F(BasesTest, EditorRequestsReachTheEditor) {
    plugin->setEditor(new ProbeEditor(plugin, nullptr));
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x1234)), 1);
    dispatch(effEditIdle);
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 12, nullptr, 4.0f), 1);
    EXPECT_EQ(dispatch(effEditKeyUp, 'b', 3, nullptr, 1.0f), 1);
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), 1);
    dispatch(effEditClose);
    EXPECT_EQ(g_log, (std::vector<std::string>{"editor open 4660", "editor idle",
                                               "editor key down 97 12 4", "editor key up 98 3 1",
                                               "editor knob 2", "editor close"}));
}

TEST_F(BasesTest, EditorRequestsWithoutEditorAnswerZero) {
    for (VstInt32 opcode :
         {effEditOpen, effEditKeyDown, effEditKeyUp, effSetEditKnobMode, effEditClose, effEditIdle})
        EXPECT_EQ(dispatch(opcode, 1, 1), 0);
}

TEST_F(BasesTest, AutomatedChangeAppliesTheValueBeforeTellingTheHost) {
    plugin->setParameterAutomated(1, 0.5f);
    plugin->setParameterAutomated(7, 0.5f);
    EXPECT_EQ(g_log,
              (std::vector<std::string>{"setParameter 1 0.500000", "host 0 1 0 opt 0.500000"}));
}

TEST_F(BasesTest, HostRequestsCarryTheirArguments) {
    EXPECT_TRUE(plugin->beginEdit(2));
    EXPECT_TRUE(plugin->endEdit(2));
    EXPECT_FALSE(plugin->beginEdit(3)); // no such parameter
    EXPECT_EQ(plugin->getTimeInfo(kVstTempoValid | kVstPpqPosValid), &g_host_time);
    char sizeWindow[] = "sizeWindow";
    EXPECT_EQ(plugin->canHostDo(sizeWindow), 1);
    EXPECT_TRUE(plugin->sizeWindow(730, 302));
    plugin->wantEvents();
    EXPECT_TRUE(plugin->ioChanged());
    EXPECT_TRUE(plugin->updateDisplay());
    EXPECT_EQ(plugin->getMasterVersion(), 1);
    EXPECT_EQ(g_log,
              (std::vector<std::string>{"host 43 2 0", "host 44 2 0", "host 7 0 1536",
                                        "host 37 0 0 sizeWindow", "host 15 730 302", "host 6 0 1",
                                        "host 13 0 0", "host 42 0 0", "host 1 0 0"}));
}

TEST_F(BasesTest, PinQueriesReadZeroAsConnected) {
    g_host_answer = 0;
    EXPECT_TRUE(plugin->isInputConnected(1));
    g_host_answer = 1;
    EXPECT_FALSE(plugin->isOutputConnected(0));
    EXPECT_EQ(g_log, (std::vector<std::string>{"host 4 1 0", "host 4 0 1"}));
}

TEST(BasesWithoutHost, NothingCallsBackAndDefaultsHold) {
    g_log.clear();
    int destroyed = 0;
    auto* plugin = new Probe(nullptr, &destroyed);
    AEffect* effect = plugin->getAeffect();
    EXPECT_EQ(plugin->getTimeInfo(kVstTempoValid), nullptr);
    char text[] = "sizeWindow";
    EXPECT_EQ(plugin->canHostDo(text), 0);
    EXPECT_FALSE(plugin->beginEdit(0));
    EXPECT_FALSE(plugin->sizeWindow(10, 10));
    EXPECT_EQ(plugin->getMasterVersion(), 1);
    EXPECT_TRUE(plugin->isInputConnected(0));
    plugin->setParameterAutomated(0, 0.5f);
    EXPECT_EQ(g_log, std::vector<std::string>{"setParameter 0 0.500000"});
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(destroyed, 1);
}

TEST(BasesTrampoline, RecordWithoutInstanceIsIgnored) {
    Probe plugin(nullptr);
    AEffect record = *plugin.getAeffect();
    record.object = nullptr;
    EXPECT_EQ(record.dispatcher(&record, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(record.getParameter(&record, 0), 0.0f);
    record.setParameter(&record, 0, 0.5f);
    EXPECT_EQ(record.dispatcher(nullptr, effClose, 0, 0, nullptr, 0.0f), 0);
}

// ---- Entry point ----

VstIntPtr old_host(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) {
    return 0;
}

TEST(EntryPoint, RefusesAHostThatGivesNoVersion) {
    EXPECT_EQ(createVstPlugin<Probe>(old_host), nullptr);
    EXPECT_EQ(createVstPlugin<Probe>(nullptr), nullptr);
}

TEST(EntryPoint, CreatesTheRecordForAVersionedHost) {
    g_host_answer = 2400;
    AEffect* effect = createVstPlugin<Probe>(fake_host);
    g_host_answer = 1;
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
}

struct Throwing : AudioEffectX {
    explicit Throwing(audioMasterCallback host) : AudioEffectX(host, 0, 0) {
        throw std::bad_alloc();
    }
    void processReplacing(float**, float**, VstInt32) override {}
};

TEST(EntryPoint, FailedConstructionGivesNull) {
    EXPECT_EQ(createVstPlugin<Throwing>(fake_host), nullptr);
}

// ---- Text helpers ----

TEST(TextHelpers, CopyKeepsTheLimitAndTerminates) {
    char text[16];
    std::memset(text, 'x', sizeof text);
    vst_strncpy(text, "Resonance", kVstMaxParamStrLen);
    EXPECT_STREQ(text, "Resonanc");
    vst_strncpy(text, nullptr, kVstMaxParamStrLen);
    EXPECT_STREQ(text, "");
    vst_strncpy(text, "ab", 8);
    vst_strncat(text, "cdefghij", 8);
    EXPECT_STREQ(text, "abcdefgh");
}

class FloatText : public ::testing::TestWithParam<float> {};

TEST_P(FloatText, FitsTheShortTextLimit) {
    Probe plugin(nullptr);
    char text[64];
    std::memset(text, 'x', sizeof text);
    plugin.float2string(GetParam(), text, kVstMaxParamStrLen);
    EXPECT_LE(std::strlen(text), static_cast<size_t>(kVstMaxParamStrLen));
    EXPECT_GT(std::strlen(text), 0u);
    if (std::isfinite(GetParam()) && std::fabs(GetParam()) < 1e6f) {
        EXPECT_NEAR(std::strtod(text, nullptr), GetParam(), 0.01 + std::fabs(GetParam()) * 1e-4);
    }
}

INSTANTIATE_TEST_SUITE_P(Values, FloatText,
                         ::testing::Values(0.0f, 0.5f, -0.25f, 3.14159f, 12345.678f, -99999.9f,
                                           1e12f, std::numeric_limits<float>::quiet_NaN(),
                                           -std::numeric_limits<float>::infinity()));

TEST(TextHelpers, DecibelsOfAmplitudes) {
    Probe plugin(nullptr);
    char text[16];
    plugin.dB2string(0.0f, text, kVstMaxParamStrLen);
    EXPECT_STREQ(text, "-oo");
    plugin.dB2string(1.0f, text, kVstMaxParamStrLen);
    EXPECT_NEAR(std::strtod(text, nullptr), 0.0, 1e-6);
    plugin.dB2string(0.5f, text, kVstMaxParamStrLen);
    EXPECT_NEAR(std::strtod(text, nullptr), -6.0206, 1e-3);
    plugin.int2string(123456789, text, kVstMaxParamStrLen);
    EXPECT_STREQ(text, "Huge!");
    plugin.int2string(-42, text, kVstMaxParamStrLen);
    EXPECT_STREQ(text, "-42");
}

TEST(SpeakerTools, AllocatedArrangementHoldsEveryChannel) {
    Probe plugin(nullptr);
    VstSpeakerArrangement* made = nullptr;
    ASSERT_TRUE(plugin.allocateArrangement(&made, 12));
    EXPECT_EQ(made->numChannels, 12);
    // The twelfth speaker lies past the eight of the published struct.
    auto speaker11 = [](VstSpeakerArrangement* a) {
        return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(a) +
                                                       offsetof(VstSpeakerArrangement, speakers)) +
               11;
    };
    speaker11(made)->type = kSpeakerR;
    VstSpeakerArrangement* copy = nullptr;
    ASSERT_TRUE(plugin.matchArrangement(&copy, made));
    EXPECT_EQ(speaker11(copy)->type, kSpeakerR);
    EXPECT_TRUE(plugin.deallocateArrangement(&made));
    EXPECT_TRUE(plugin.deallocateArrangement(&copy));
    EXPECT_EQ(made, nullptr);
}

} // namespace
