// What a host sees of the plug-in through its record and dispatcher: identity, the request
// table, can-do answers, pins, the private vendor requests and the answers to bad requests.

#include "corvane_test_host.h"
#include "editor/ccorvanescalemenu.h"
#include "host/CorvaneVstEditor.h"
#include "tests/gui/gui_test_util.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

using namespace corvane;
using namespace corvane::test;

namespace {

class CorvaneDispatch : public ::testing::Test {
protected:
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    std::string text(VstInt32 opcode, VstInt32 index = 0) {
        char buffer[256] = {};
        dispatch(opcode, index, 0, buffer);
        return buffer;
    }

    TestHost host;
    std::unique_ptr<Corvane> plugin = host.make_plugin();
    AEffect* effect = plugin->getAeffect();
};

TEST_F(CorvaneDispatch, RecordHoldsThePublishedValues) {
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numPrograms, 20);
    EXPECT_EQ(effect->numParams, 29);
    EXPECT_EQ(effect->numInputs, 4);
    EXPECT_EQ(effect->numOutputs, 2);
    // An editor, no chunks, no double precision, not an instrument.
    EXPECT_EQ(effect->flags, effFlagsCanReplacing | effFlagsHasEditor);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->uniqueID, 0x54576376);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->object, plugin.get());
}

TEST_F(CorvaneDispatch, IdentityRequests) {
    EXPECT_EQ(text(effGetEffectName), "Corvane");
    EXPECT_EQ(text(effGetProductString), "Corvane");
    EXPECT_EQ(text(effGetVendorString), "Tessel Works");
    char name[64];
    EXPECT_EQ(dispatch(effGetEffectName, 0, 0, name), 1);
    EXPECT_EQ(dispatch(effGetVendorString, 0, 0, name), 1);
    EXPECT_EQ(dispatch(effGetProductString, 0, 0, name), 1);
    EXPECT_EQ(dispatch(effGetVendorVersion), 1010);
    EXPECT_EQ(dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(dispatch(effIdentify), 0x4e764566);
}

TEST_F(CorvaneDispatch, FixedAnswers) {
    void* data = &data;
    EXPECT_EQ(dispatch(effGetChunk, 0, 0, &data), 0);
    EXPECT_EQ(dispatch(effSetChunk, 0, 16, &data), 0);
    EXPECT_EQ(dispatch(effGetPlugCategory), 0);
    EXPECT_EQ(dispatch(effSetBypass, 0, 1), 0);
    EXPECT_EQ(dispatch(effSetBypass, 0, 0), 0);
    EXPECT_EQ(dispatch(effGetTailSize), 0);
    VstParameterProperties properties{};
    EXPECT_EQ(dispatch(effGetParameterProperties, 5, 0, &properties), 0);
    for (VstInt32 i = 0; i < 29; ++i)
        EXPECT_EQ(dispatch(effCanBeAutomated, i), 1) << i;
    EXPECT_EQ(dispatch(effSetTotalSampleToProcess, 0, 777), 777);
    VstPinProperties pin{};
    EXPECT_EQ(dispatch(effGetOutputProperties, 0, 0, &pin), 0);
    EXPECT_EQ(dispatch(effGetInputProperties, 4, 0, &pin), 0);
    VstSpeakerArrangement arrangement{};
    VstSpeakerArrangement* in = &arrangement;
    VstSpeakerArrangement* out = &arrangement;
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    // The editor's requests; without a parent window its window is drawn offscreen only.
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 730);
    EXPECT_EQ(rect->bottom - rect->top, 302);
    EXPECT_EQ(dispatch(effEditOpen), 1);
    EXPECT_EQ(dispatch(effEditOpen), 0);
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0), 0);
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), 1);
    dispatch(effEditIdle);
    dispatch(effEditClose);
    EXPECT_EQ(dispatch(effEditOpen), 1);
    dispatch(effEditClose);
}

// A host's content-scale hint (a vendor request with the scale in opt and no buffer) sizes the
// editor's rectangle and window; an unusable scale, or another vendor request without a buffer,
// changes nothing. The user's choice from the editor's title menu asks the host to resize.
TEST_F(CorvaneDispatch, TheHostsContentScaleAndTheUsersChoiceSizeTheEditor) {
    const auto hint = [this](float scale) {
        return dispatch(effVendorSpecific, kHostExtensionVendor, kHostExtensionContentScale,
                        nullptr, scale);
    };
    const auto size = [this] {
        ERect* rect = nullptr;
        dispatch(effEditGetRect, 0, 0, &rect);
        return std::make_pair(rect->right - rect->left, rect->bottom - rect->top);
    };
    EXPECT_EQ(hint(1.5f), 1);
    EXPECT_EQ(size(), std::make_pair(1095, 453));
    EXPECT_EQ(dispatch(effEditOpen), 1);
    EXPECT_EQ(hint(2.f), 1);
    EXPECT_EQ(size(), std::make_pair(1460, 604));
    for (float bad : {0.f, -1.f, NAN, INFINITY})
        EXPECT_EQ(hint(bad), 0) << bad;
    EXPECT_EQ(dispatch(effVendorSpecific, kHostExtensionVendor, 0, nullptr, 1.f), 0);
    EXPECT_EQ(size(), std::make_pair(1460, 604));
    EXPECT_EQ(host.calls(audioMasterSizeWindow), 0);

    VSTGUI::CFrame* frame =
        static_cast<CorvaneVstEditor*>(plugin->getEditor())->editor().getFrame();
    ASSERT_NE(frame, nullptr);
    corvane::test::Mouse mouse{*frame};
    mouse.down(60, 20, VSTGUI::kRButton);
    VSTGUI::CView* menu = frame->getModalView();
    ASSERT_NE(menu, nullptr);
    const VSTGUI::CRect box = menu->getViewSize();
    mouse.down(box.left + 20, box.top + 1 + 2.5 * CCorvaneScaleMenu::kEntryHeight); // 125%
    EXPECT_EQ(size(), std::make_pair(913, 378));
    EXPECT_EQ(host.calls(audioMasterSizeWindow), 1);
    dispatch(effEditClose);
}

// Requests outside the table, deprecated ones included, answer 0 even with a buffer to write.
TEST_F(CorvaneDispatch, RequestsOutsideTheTableAnswerZero) {
    for (VstInt32 opcode : std::initializer_list<VstInt32>{effGetVu,
                                                           effEditDraw,
                                                           effEditMouse,
                                                           effEditKey,
                                                           effEditTop,
                                                           effEditSleep,
                                                           effString2Parameter,
                                                           effGetNumProgramCategories,
                                                           effCopyProgram,
                                                           effConnectInput,
                                                           effConnectOutput,
                                                           effGetCurrentPosition,
                                                           effGetDestinationBuffer,
                                                           effOfflineNotify,
                                                           effOfflinePrepare,
                                                           effOfflineRun,
                                                           effProcessVarIo,
                                                           effSetBlockSizeAndSampleRate,
                                                           effGetErrorText,
                                                           effIdle,
                                                           effGetIcon,
                                                           effSetViewPosition,
                                                           effKeysRequired,
                                                           effGetMidiProgramName,
                                                           effGetCurrentMidiProgram,
                                                           effGetMidiProgramCategory,
                                                           effHasMidiProgramsChanged,
                                                           effGetMidiKeyName,
                                                           effBeginSetProgram,
                                                           effEndSetProgram,
                                                           effShellGetNextPlugin,
                                                           effStartProcess,
                                                           effStopProcess,
                                                           effSetPanLaw,
                                                           effBeginLoadBank,
                                                           effBeginLoadProgram,
                                                           effSetProcessPrecision,
                                                           effGetNumMidiInputChannels,
                                                           effGetNumMidiOutputChannels,
                                                           80,
                                                           1000,
                                                           -1}) {
        alignas(8) char buffer[512] = {};
        EXPECT_EQ(dispatch(opcode, 1, 0, buffer), 0) << opcode;
    }
}

TEST_F(CorvaneDispatch, CloseDeletesTheInstanceAndAnswersOne) {
    struct Watched : Corvane {
        explicit Watched(bool& gone_) : Corvane(nullptr), gone(gone_) {}
        ~Watched() override { gone = true; }
        bool& gone;
    };
    bool gone = false;
    AEffect* e = (new Watched(gone))->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(gone);
}

struct CanDoCase {
    const char* text;
    VstIntPtr answer;
};

class CorvaneCanDo : public CorvaneDispatch, public ::testing::WithParamInterface<CanDoCase> {};

TEST_P(CorvaneCanDo, AnswersTheTableExactly) {
    std::string what = GetParam().text;
    EXPECT_EQ(dispatch(effCanDo, 0, 0, what.data()), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CorvaneCanDo,
    ::testing::Values(CanDoCase{"plugAsChannelInsert", 1}, CanDoCase{"plugAsSend", 1},
                      CanDoCase{"receiveVstMidiEvent", 1}, CanDoCase{"1in1out", 1},
                      CanDoCase{"1in2out", 1}, CanDoCase{"2in2out", 1}, CanDoCase{"2in1out", 0},
                      CanDoCase{"4in2out", 0}, CanDoCase{"receiveVstTimeInfo", 0},
                      CanDoCase{"receiveVstEvents", 0}, CanDoCase{"sendVstMidiEvent", 0},
                      CanDoCase{"bypass", 0}, CanDoCase{"midiProgramNames", 0}, CanDoCase{"", 0},
                      CanDoCase{"1in2out ", 0}, CanDoCase{"1IN2OUT", 0}));

TEST_F(CorvaneDispatch, InputPinTable) {
    struct Pin {
        const char* label;
        const char* short_label;
        VstInt32 flags;
    };
    const Pin expected[] = {{"Main In L", "In L", 3},
                            {"Main In R", "In R", 1},
                            {"Sidechain In 1", "Side L", 1},
                            {"Sidechain In 2", "Side R", 1}};
    for (VstInt32 i = 0; i < 4; ++i) {
        VstPinProperties pin{};
        ASSERT_EQ(dispatch(effGetInputProperties, i, 0, &pin), 1) << i;
        EXPECT_STREQ(pin.label, expected[i].label);
        EXPECT_STREQ(pin.shortLabel, expected[i].short_label);
        EXPECT_EQ(pin.flags, expected[i].flags);
    }
    VstPinProperties untouched;
    std::memset(&untouched, 0x5a, sizeof untouched);
    for (VstInt32 i : {4, 5, -1, 1000}) {
        VstPinProperties pin;
        std::memset(&pin, 0x5a, sizeof pin);
        EXPECT_EQ(dispatch(effGetInputProperties, i, 0, &pin), 0);
        EXPECT_EQ(std::memcmp(&pin, &untouched, sizeof pin), 0) << i;
    }
}

// The private conversions, through effVendorSpecific: index = request, value = parameter,
// opt = the value, ptr = the float that receives the answer.
class CorvaneVendor : public CorvaneDispatch {
protected:
    static constexpr float kUntouched = -12345.0f;
    VstIntPtr request(VstInt32 code, VstIntPtr parameter, float value, float& answer) {
        answer = kUntouched;
        return dispatch(effVendorSpecific, code, parameter, &answer, value);
    }
};

TEST_F(CorvaneVendor, ConvertsBetweenDisplayUnitsAndNormalised) {
    float answer;
    EXPECT_EQ(request(12345, kFilterCutoff, 1000.0f, answer), 1);
    EXPECT_NEAR(answer, 0.5663233f, 1e-6f);
    EXPECT_EQ(request(23456, kFilterCutoff, 0.5663233f, answer), 1);
    EXPECT_NEAR(answer, 1000.0f, 1.0f);
    EXPECT_EQ(request(12345, kInput, 0.0f, answer), 1);
    EXPECT_NEAR(answer, 0.8695652f, 1e-6f);
    EXPECT_EQ(request(23456, kMix, 0.25f, answer), 1);
    EXPECT_FLOAT_EQ(answer, 25.0f);
    // Beyond the range the normalised form is clamped.
    EXPECT_EQ(request(12345, kMix, 250.0f, answer), 1);
    EXPECT_FLOAT_EQ(answer, 1.0f);
}

TEST_F(CorvaneVendor, SyncableRatePassesThroughBothWays) {
    float answer;
    for (float value : {0.25f, 7.0f, 1000.0f}) {
        EXPECT_EQ(request(12345, kLfoRate, value, answer), 1);
        EXPECT_EQ(answer, value);
        EXPECT_EQ(request(23456, kLfoRate, value, answer), 1);
        EXPECT_EQ(answer, value);
    }
}

TEST_F(CorvaneVendor, UnknownOrBadRequestsAnswerZeroAndLeavePtrAlone) {
    float answer;
    EXPECT_EQ(request(777, kMix, 0.5f, answer), 0);
    EXPECT_EQ(answer, kUntouched);
    EXPECT_EQ(request(12345, 29, 0.5f, answer), 0);
    EXPECT_EQ(answer, kUntouched);
    EXPECT_EQ(request(23456, -1, 0.5f, answer), 0);
    EXPECT_EQ(answer, kUntouched);
    EXPECT_EQ(request(12345, kMix, std::nanf(""), answer), 0);
    EXPECT_EQ(answer, kUntouched);
    EXPECT_EQ(dispatch(effVendorSpecific, 12345, kMix, nullptr, 50.0f), 0);
}

// Text, name, rectangle, pin and vendor requests with a null ptr answer 0 and write nothing;
// the plug-in must survive each of them.
TEST_F(CorvaneDispatch, NullPointersAnswerZero) {
    for (VstInt32 opcode : std::initializer_list<VstInt32>{
             effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
             effGetParamName, effEditGetRect, effGetProgramNameIndexed, effGetInputProperties,
             effGetOutputProperties, effGetEffectName, effGetVendorString, effGetProductString,
             effVendorSpecific, effCanDo, effProcessEvents, effGetSpeakerArrangement})
        EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
    EXPECT_EQ(dispatch(effGetProgram), 0);
    EXPECT_EQ(text(effGetProgramName), "01 Basic Follower");
}

TEST_F(CorvaneDispatch, ProgramRequestsOutsideTheRangeChangeNothing) {
    dispatch(effSetProgram, 0, 4);
    ASSERT_EQ(dispatch(effGetProgram), 4);
    const float input = plugin->getParameter(kInput);
    for (VstIntPtr bad : {20, -1, 1000}) {
        dispatch(effSetProgram, 0, bad);
        EXPECT_EQ(dispatch(effGetProgram), 4);
        EXPECT_EQ(plugin->getParameter(kInput), input);
    }
    char name[64];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 20, 0, name), 0);
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, -1, 0, name), 0);
    EXPECT_EQ(name[0], 'x');
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 19, 0, name), 1);
    EXPECT_STREQ(name, "20 Mother Ducker");
}

// Host texts stay within the published limits: 8 characters of parameter text, 23 of a program
// name, each with its terminator, and nothing written past them.
TEST_F(CorvaneDispatch, TextsStayWithinTheLimits) {
    for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
        for (VstInt32 i = 0; i < 29; ++i) {
            char buffer[32];
            std::memset(buffer, 'x', sizeof buffer);
            dispatch(opcode, i, 0, buffer);
            EXPECT_LE(std::strlen(buffer), size_t{kVstMaxParamStrLen}) << opcode << " " << i;
            EXPECT_EQ(buffer[kVstMaxParamStrLen + 1], 'x');
        }
    }
    std::string long_name(40, 'n');
    dispatch(effSetProgramName, 0, 0, long_name.data());
    char name[64];
    std::memset(name, 'x', sizeof name);
    dispatch(effGetProgramName, 0, 0, name);
    EXPECT_EQ(std::string(name), std::string(23, 'n'));
    EXPECT_EQ(name[24], 'x');
}

} // namespace
