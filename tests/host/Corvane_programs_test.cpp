// Parameters and programs as a host and the editor see them: texts, routing into the engine,
// program naming, edits kept across switches, and banks saved and restored.

#include "corvane_saved_bank.h"
#include "corvane_test_host.h"
#include "params/CorvaneFactoryPrograms.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::test;

namespace {

class CorvanePrograms : public ::testing::Test {
protected:
    std::string display(VstInt32 i) {
        char text[32] = {};
        plugin->getParameterDisplay(i, text);
        return text;
    }
    std::string label(VstInt32 i) {
        char text[32] = {};
        plugin->getParameterLabel(i, text);
        return text;
    }
    std::string name(VstInt32 i) {
        char text[32] = {};
        plugin->getParameterName(i, text);
        return text;
    }
    std::string readout(VstInt32 i, size_t size = 32) {
        char text[32] = {};
        plugin->getParameterReadout(i, text, size);
        return text;
    }
    std::string program_name() {
        char text[64] = {};
        plugin->getProgramName(text);
        return text;
    }
    std::string indexed_name(VstInt32 p) {
        char text[64] = {};
        EXPECT_TRUE(plugin->getProgramNameIndexed(0, p, text));
        return text;
    }
    // The value in display units, through the host's vendor request.
    float real(VstInt32 i) {
        float answer = 0.0f;
        plugin->vendorSpecific(Corvane::kRequestToDisplayUnits, i, &answer,
                               plugin->getParameter(i));
        return answer;
    }
    void run_block(int frames = 64) {
        Block block(frames);
        block.process(*plugin);
    }

    TestHost host;
    std::unique_ptr<Corvane> plugin = host.make_plugin();
};

TEST_F(CorvanePrograms, StartsInTheFirstFactoryProgram) {
    EXPECT_EQ(plugin->getProgram(), 0);
    EXPECT_EQ(program_name(), "01 Basic Follower");
    EXPECT_FLOAT_EQ(plugin->getParameter(kInput), 0.89456517f);
    for (VstInt32 i = 0; i < kNumParams; ++i)
        EXPECT_EQ(plugin->getParameter(i), kFactoryPrograms[0].values[i]) << i;
    // The engine got the program too, before any block ran.
    EXPECT_FALSE(plugin->getEngine().sync_on());
    EXPECT_NEAR(plugin->getEngine().lfo().frequency(), 1.0f * 32.0f, 1e-3f);
}

// The switch-like parameters and rates of every program, as the host reads them.
struct Decoded {
    int type;
    float cutoff_hz;
    int shape;
    bool sync;
    const char* rate_text;
    bool post;
    float mix_percent;
};

const Decoded kDecoded[kNumPrograms] = {
    {0, 33.9f, 0, false, "1.00", false, 93.0f},   {1, 109.6f, 1, true, "1/4  ", false, 100.0f},
    {0, 37.6f, 0, true, "1/4  ", false, 50.5f},   {1, 683.9f, 2, true, "1/16 ", false, 52.0f},
    {0, 94.6f, 1, true, "1/8. ", false, 29.0f},   {1, 7096.3f, 3, true, "1/16 ", false, 22.5f},
    {0, 32.7f, 0, true, "1/4  ", false, 22.0f},   {1, 80.4f, 3, true, "1/16 ", false, 100.0f},
    {1, 2917.4f, 1, true, "1/4  ", false, 51.5f}, {0, 20.7f, 1, false, "79.4", false, 100.0f},
    {2, 61.0f, 0, true, "1/4  ", true, 17.5f},    {2, 69.3f, 1, true, "1/8  ", false, 73.5f},
    {0, 20.0f, 1, true, "1/4  ", false, 49.5f},   {0, 64.7f, 3, true, "1/16 ", false, 89.0f},
    {1, 125.9f, 0, true, "1/2  ", true, 100.0f},  {2, 20000.0f, 2, true, "1/8  ", false, 17.5f},
    {0, 20.0f, 2, true, "1/16 ", false, 100.0f},  {1, 4415.7f, 2, true, "1/16 ", false, 25.5f},
    {1, 5069.9f, 0, true, "1/4  ", false, 49.0f}, {0, 9120.1f, 0, true, "1/4  ", false, 45.0f},
};

// Short names the host reads (the first 8 characters) and units, by parameter index; LFO Rate's
// unit depends on LFO Sync.
const char* const kNames[kNumParams] = {
    "RevColor", "RevDecay", "Rev Mix",  "RevRoute", "RevFreez", "FiltrCut", "FiltrRes", "FiltrTyp",
    "FilterLF", "FilterEn", "FiltrDrv", "LFO Rate", "LFOPhase", "LFOShape", "LFO Skew", "LFO Sync",
    "LFO Trig", "EnvAttak", "EnvDecay", "Env HPF",  "Env Gain", "Env Trig", "Input",    "Feedback",
    "VCA",      "MasterLF", "MasterEn", "Mix",      "Bypass"};
const char* const kLabels[kNumParams] = {"", "", "%",   "",   "",   "Hz", "",  "",  "%", "%",
                                         "", "", "deg", "",   "%",  "",   "",  "",  "",  "Hz",
                                         "", "", "dB",  "dB", "dB", "%",  "%", "%", ""};

class CorvaneEveryProgram : public CorvanePrograms, public ::testing::WithParamInterface<int> {};

TEST_P(CorvaneEveryProgram, HostReadsTheDecodedValues) {
    const int p = GetParam();
    const Decoded& d = kDecoded[p];
    plugin->setProgram(p);
    EXPECT_EQ(display(kFilterType), "   " + std::to_string(d.type));
    EXPECT_EQ(display(kLfoShape), "   " + std::to_string(d.shape));
    EXPECT_EQ(display(kLfoSync), d.sync ? "   1" : "   0");
    EXPECT_EQ(display(kLfoRate), d.rate_text);
    EXPECT_EQ(label(kLfoRate), d.sync ? "" : "Hz");
    EXPECT_EQ(display(kRevPrePost), d.post ? "On" : "Off");
    // To the table's one decimal, give or take the curve table's interpolation.
    EXPECT_NEAR(real(kFilterCutoff), d.cutoff_hz, 0.1f);
    EXPECT_NEAR(real(kMix), d.mix_percent, 0.051f);
}

TEST_P(CorvaneEveryProgram, EveryTextIsWellFormed) {
    plugin->setProgram(GetParam());
    for (VstInt32 i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(name(i), kNames[i]);
        if (i != kLfoRate) {
            EXPECT_EQ(label(i), kLabels[i]) << i;
        }
        const std::string value = display(i);
        EXPECT_FALSE(value.empty()) << i;
        EXPECT_LE(value.size(), 7u) << i;
        EXPECT_EQ(value.find("nan"), std::string::npos) << i << " '" << value << "'";
        EXPECT_EQ(value.find("inf"), std::string::npos) << i << " '" << value << "'";
        // The editor's read-out: value text and unit, joined directly.
        EXPECT_EQ(readout(i), value + label(i)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Factory, CorvaneEveryProgram, ::testing::Range(0, kNumPrograms));

TEST_F(CorvanePrograms, ReadoutExamples) {
    plugin->setParameter(kFilterCutoff, 0.5663233f);
    EXPECT_EQ(readout(kFilterCutoff), "1000Hz");
    plugin->setParameter(kMix, 0.5f);
    EXPECT_EQ(readout(kMix), "  50%");
    EXPECT_EQ(readout(kRevColor), "+71");
    EXPECT_EQ(readout(kMix, 4), "  5");
    EXPECT_EQ(readout(29), "");
    EXPECT_EQ(readout(-1), "");
}

TEST_F(CorvanePrograms, RoutesRealValuesInTheEngineUnits) {
    plugin->setParameter(kInput, 1.0f);    // +6 dB
    plugin->setParameter(kFeedback, 0.0f); // -60 dB
    plugin->setParameter(kFilterType, 0.74f);
    for (int i = 0; i < 200; ++i)
        run_block(256);
    EXPECT_NEAR(plugin->getEngine().input_gain(), std::pow(10.0f, 6.0f / 20.0f), 1e-3f);
    EXPECT_NEAR(plugin->getEngine().feedback_gain(), 0.001f, 1e-5f);
    EXPECT_EQ(plugin->getEngine().filter_type_index(), 1);
    plugin->setParameter(kFilterType, 0.75f);
    run_block();
    EXPECT_EQ(plugin->getEngine().filter_type_index(), 2);
}

TEST_F(CorvanePrograms, ShapeStepsBecomeWaveformCodes) {
    const int codes[] = {2, 1, 0, 9};
    for (int step = 0; step < 4; ++step) {
        plugin->setParameter(kLfoShape, step / 3.0f);
        run_block();
        EXPECT_EQ(plugin->getEngine().lfo().shape(), codes[step]) << step;
    }
}

// A change from any thread reaches the engine at the start of the next block.
TEST_F(CorvanePrograms, ChangesLandAtTheNextBlock) {
    plugin->setParameter(kFilterType, 1.0f);
    EXPECT_EQ(plugin->getParameter(kFilterType), 1.0f);
    EXPECT_EQ(plugin->getEngine().filter_type_index(), 0);
    run_block();
    EXPECT_EQ(plugin->getEngine().filter_type_index(), 2);
    // resume applies them too.
    plugin->setParameter(kFilterType, 0.5f);
    plugin->resume();
    EXPECT_EQ(plugin->getEngine().filter_type_index(), 1);
}

// LFO Sync is on above 0.5 only, for the manager and the engine alike: at exactly 0.5 the LFO
// runs free and follows LFO Rate.
TEST_F(CorvanePrograms, LfoSyncIsOnOnlyAboveOneHalf) {
    plugin->setParameter(kLfoSync, 0.5f);
    plugin->setParameter(kLfoRate, 0.75f);
    run_block();
    const float free_hz = plugin->getParameterManager().getReal(kLfoRate);
    EXPECT_FALSE(plugin->getEngine().sync_on());
    EXPECT_FALSE(plugin->getParameterManager().isSynced(kLfoRate));
    EXPECT_NEAR(free_hz, 10.0f, 0.05f);
    EXPECT_FLOAT_EQ(plugin->getEngine().lfo().frequency(), free_hz * 32.0f);
    EXPECT_FLOAT_EQ(plugin->getSyncFactor(), free_hz);
    EXPECT_EQ(label(kLfoRate), "Hz");

    plugin->setParameter(kLfoSync, 0.51f);
    plugin->setParameter(kLfoRate, 0.5f);
    run_block();
    EXPECT_TRUE(plugin->getEngine().sync_on());
    EXPECT_EQ(display(kLfoRate), "1/4  ");
    EXPECT_FLOAT_EQ(plugin->getSyncFactor(), 1.0f);
    // While synced, rate changes stay out of the free-running oscillator.
    EXPECT_FLOAT_EQ(plugin->getEngine().lfo().frequency(), free_hz * 32.0f);
}

TEST_F(CorvanePrograms, SwitchingProgramsAppliesTheWholeProgram) {
    plugin->setProgram(1);
    EXPECT_EQ(program_name(), "02 Bandpass Bow-Bow");
    run_block();
    EXPECT_TRUE(plugin->getEngine().sync_on());
    EXPECT_EQ(plugin->getEngine().filter_type_index(), 1);
    EXPECT_EQ(plugin->getEngine().lfo().shape(), 1);
    EXPECT_FLOAT_EQ(plugin->getSyncFactor(), 1.0f); // 1/4: one cycle per quarter note
    plugin->setProgram(9);                          // free-running at 79.43 Hz
    run_block();
    EXPECT_FALSE(plugin->getEngine().sync_on());
    EXPECT_NEAR(plugin->getEngine().lfo().frequency(), 79.43f * 32.0f, 0.5f);
    EXPECT_NEAR(plugin->getSyncFactor(), 79.43, 0.01);
}

TEST_F(CorvanePrograms, OutOfRangeParameterChangesAreIgnored) {
    const float before = plugin->getParameter(kMix);
    plugin->setParameter(29, 0.1f);
    plugin->setParameter(-1, 0.1f);
    plugin->setParameter(kMix, std::nanf(""));
    EXPECT_EQ(plugin->getParameter(kMix), before);
    EXPECT_EQ(plugin->getParameter(29), 0.0f);
    plugin->setProgram(3);
    plugin->setProgram(0);
    EXPECT_EQ(plugin->getParameter(kMix), before);
}

TEST_F(CorvanePrograms, NamingRules) {
    plugin->setProgram(3);
    char init[] = "init";
    plugin->setProgramName(init);
    EXPECT_EQ(program_name(), "init 4");
    EXPECT_EQ(indexed_name(3), "init");
    plugin->setProgram(19);
    plugin->setProgramName(init);
    EXPECT_EQ(program_name(), "init 20");
    // Only the exact name is numbered.
    char spaced[] = "init ";
    plugin->setProgramName(spaced);
    EXPECT_EQ(program_name(), "init ");
    char long_name[] = "A name of thirty-one characters";
    plugin->setProgramName(long_name);
    EXPECT_EQ(program_name(), "A name of thirty-one ch");
    EXPECT_EQ(indexed_name(19), "A name of thirty-one ch");
    EXPECT_EQ(indexed_name(0), "01 Basic Follower");
}

TEST_F(CorvanePrograms, EditsSurviveProgramSwitches) {
    plugin->setProgram(2);
    plugin->setParameter(kMix, 0.125f);
    plugin->setParameter(kLfoSync, 0.0f);
    plugin->setProgram(3);
    EXPECT_EQ(plugin->getParameter(kMix), kFactoryPrograms[3].values[kMix]);
    plugin->setProgram(2);
    EXPECT_EQ(plugin->getParameter(kMix), 0.125f);
    EXPECT_EQ(plugin->getParameter(kLfoSync), 0.0f);
    EXPECT_EQ(label(kLfoRate), "Hz");
}

// The editor hears of every change: the parameter's flag, with the value already in place.
TEST(CorvaneEditorView, EveryChangeRaisesTheEditorsFlag) {
    auto plugin = std::make_unique<Corvane>(nullptr);
    CorvaneEditorView& view = plugin->getProcessor().editorView();
    view.takeChangedParameters();
    plugin->setParameter(kMix, 0.25f);
    plugin->setParameter(29, 0.25f);
    EXPECT_EQ(view.takeChangedParameters(), 1u << kMix);
    EXPECT_EQ(view.parameterValue(kMix), 0.25f);
    plugin->setProgram(5);
    EXPECT_EQ(view.takeChangedParameters(), (1u << kNumParams) - 1);
    for (VstInt32 i = 0; i < kNumParams; ++i)
        EXPECT_EQ(view.parameterValue(i), kFactoryPrograms[5].values[i]) << i;
}

class CorvaneBank : public CorvanePrograms {
protected:
    // An edited bank: program names changed (one to "init"), LFO Sync flipped both ways with
    // rates that read differently in the two modes.
    void edit(Corvane& p) {
        p.setProgram(0);
        p.setParameter(kLfoSync, 1.0f);
        p.setParameter(kLfoRate, 0.86f);
        p.setParameter(kMix, 0.3f);
        p.setProgram(9);
        char renamed[] = "My Verge";
        p.setProgramName(renamed);
        p.setParameter(kLfoRate, 0.2f);
        p.setProgram(12);
        p.setParameter(kLfoSync, 0.0f);
        p.setParameter(kLfoRate, 0.9f);
        p.setProgram(4);
        char init[] = "init";
        p.setProgramName(init);
        p.setParameter(kFilterCutoff, 0.33f);
        p.setProgram(12);
    }

    void expect_same_state(Corvane& expected, Corvane& actual) {
        for (VstInt32 p = 0; p < kNumPrograms; ++p) {
            expected.setProgram(p);
            actual.setProgram(p);
            char a[64] = {}, b[64] = {};
            expected.getProgramName(a);
            actual.getProgramName(b);
            EXPECT_STREQ(a, b) << p;
            for (VstInt32 i = 0; i < kNumParams; ++i) {
                EXPECT_EQ(expected.getParameter(i), actual.getParameter(i)) << p << " " << i;
                char x[32] = {}, y[32] = {};
                expected.getParameterReadout(i, x, sizeof x);
                actual.getParameterReadout(i, y, sizeof y);
                EXPECT_STREQ(x, y) << p << " " << i;
            }
            Block block(64);
            block.process(expected);
            block.process(actual);
            SCOPED_TRACE(p);
            expect_same_engine_settings(expected, actual);
        }
    }
};

TEST_F(CorvaneBank, RestoresInEitherOrderOfRateAndSync) {
    edit(*plugin);
    const SavedBank bank = save_bank(plugin->getAeffect());
    EXPECT_EQ(bank.current, 12);
    EXPECT_EQ(bank.programs[4].name, "init");
    for (const auto& order : {index_order(true), index_order(false)}) {
        TestHost other_host;
        auto restored = other_host.make_plugin();
        restore_bank(restored->getAeffect(), bank, order);
        EXPECT_EQ(restored->getProgram(), 12);
        expect_same_state(*plugin, *restored);
        restored->setProgram(4);
        char text[64] = {};
        restored->getProgramName(text);
        EXPECT_STREQ(text, "init 5");
        restored->setProgram(0);
        restored->getParameterDisplay(kLfoRate, text);
        EXPECT_STREQ(text, "1/16 ");
    }
}

TEST_F(CorvaneBank, ReloadingUndoesLaterEdits) {
    edit(*plugin);
    const SavedBank bank = save_bank(plugin->getAeffect());
    plugin->setProgram(3);
    char renamed[] = "Scratch";
    plugin->setProgramName(renamed);
    plugin->setParameter(kRevMix, 0.0f);
    plugin->setParameter(kLfoSync, 0.0f);
    restore_bank(plugin->getAeffect(), bank, index_order(true));
    plugin->setProgram(3);
    EXPECT_EQ(program_name(), kFactoryPrograms[3].name);
    for (VstInt32 i = 0; i < kNumParams; ++i)
        EXPECT_EQ(plugin->getParameter(i), kFactoryPrograms[3].values[i]) << i;
    EXPECT_EQ(label(kLfoRate), "");
}

} // namespace
