#include "params/CorvaneParameterManager.h"

#include "params/CorvaneParameters.h"

#include "corvane_program.h"
#include "rt_probe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>

using namespace corvane;

namespace {

class ProductTest : public ::testing::Test {
protected:
    std::string display(int index, int length = 8) const {
        char text[64];
        m.getDisplay(index, text, length);
        return text;
    }
    std::string label(int index) const {
        char text[64];
        m.getLabel(index, text, 8);
        return text;
    }
    // The editor's read-out: value text and unit text, joined without a space.
    std::string readOut(int index) const { return display(index) + label(index); }
    CorvaneParameterManager m;
};

struct Row {
    int index;
    const char* hostName;
    const char* label;
    int kind;
    float defaultNormalized;
    const char* defaultText;
};

class ParameterTable : public ProductTest, public ::testing::WithParamInterface<Row> {};

TEST_P(ParameterTable, NamesKindsAndDefaults) {
    const Row& r = GetParam();
    // LFO Sync starts on; the rate's default is given in its free unit.
    if (r.index == kLfoRate) m.setNormalized(kLfoSync, 0.0f);
    char name[16];
    m.getName(r.index, name, 8);
    EXPECT_STREQ(name, r.hostName);
    EXPECT_EQ(label(r.index), r.label);
    EXPECT_EQ(m.getKind(r.index), r.kind);
    EXPECT_NEAR(m.getNormalized(r.index), r.defaultNormalized, 1e-6);
    EXPECT_EQ(display(r.index), r.defaultText);
}

INSTANTIATE_TEST_SUITE_P(AllParameters, ParameterTable,
                         ::testing::Values(Row{kRevColor, "RevColor", "", 0, 0.5f, "0"},
                                           Row{kRevDecay, "RevDecay", "", 0, 0.5f, "50"},
                                           Row{kRevMix, "Rev Mix", "%", 2, 0.5f, "  50"},
                                           Row{kRevPrePost, "RevRoute", "", 1, 0.0f, "Off"},
                                           Row{kRevFreeze, "RevFreez", "", 1, 0.0f, "Off"},
                                           Row{kFilterCutoff, "FiltrCut", "Hz", 4, 0.5663233f,
                                               "1000"},
                                           Row{kFilterReson, "FiltrRes", "", 0, 0.5f, "50"},
                                           Row{kFilterType, "FiltrTyp", "", 6, 0.0f, "   0"},
                                           Row{kFilterLfoMod, "FilterLF", "%", 0, 0.5f, "0"},
                                           Row{kFilterEnvMod, "FilterEn", "%", 0, 0.5f, "0"},
                                           Row{kFilterDrive, "FiltrDrv", "", 0, 0.0f, "0"},
                                           Row{kLfoRate, "LFO Rate", "Hz", 9, 0.5f, "1.00"},
                                           Row{kLfoPhase, "LFOPhase", "deg", 0, 0.0013889f, "   0"},
                                           Row{kLfoShape, "LFOShape", "", 6, 0.0f, "   0"},
                                           Row{kLfoSkew, "LFO Skew", "%", 2, 0.5f, "  50"},
                                           Row{kLfoSync, "LFO Sync", "", 6, 1.0f, "   1"},
                                           Row{kLfoTrigger, "LFO Trig", "", 0, 0.0f, "   0"},
                                           Row{kEnvAttack, "EnvAttak", "", 0, 0.5f, "50"},
                                           Row{kEnvDecay, "EnvDecay", "", 0, 0.5f, "50"},
                                           Row{kEnvHpf, "Env HPF", "Hz", 4, 0.0f, "10.0"},
                                           Row{kEnvGain, "Env Gain", "", 5, 0.0f, "   0"},
                                           Row{kEnvTrigger, "Env Trig", "", 0, 0.0f, "   0"},
                                           Row{kInput, "Input", "dB", 5, 0.8695652f, "   0"},
                                           Row{kFeedback, "Feedback", "dB", 5, 0.0f, " -60"},
                                           Row{kVca, "VCA", "dB", 5, 1.0f, "   0"},
                                           Row{kMasterLfoMod, "MasterLF", "%", 0, 0.5f, "0"},
                                           Row{kMasterEnvMod, "MasterEn", "%", 0, 0.5f, "0"},
                                           Row{kMix, "Mix", "%", 2, 0.5f, "  50"},
                                           Row{kBypass, "Bypass", "", 1, 0.0f, "Off"}));

TEST_F(ProductTest, DefinesExactlyTheTwentyNineParameters) {
    EXPECT_EQ(m.getParameterCount(), kNumParams);
    EXPECT_EQ(m.getNameString(kMasterLfoMod), "Master LFO Mod");
    EXPECT_EQ(m.getNameString(kMasterEnvMod), "Master Env Mod");
    EXPECT_EQ(m.getNameString(kNumParams), "");
}

TEST_F(ProductTest, SignedDisplaysTruncateTowardsZero) {
    m.setNormalized(kRevColor, 0.855f);
    EXPECT_EQ(display(kRevColor), "+71");
    m.setReal(kRevColor, 0.7f);
    EXPECT_EQ(display(kRevColor), "0");
    m.setReal(kFilterLfoMod, -35.9f);
    EXPECT_EQ(display(kFilterLfoMod), "-35");
    m.setNormalized(kMasterEnvMod, 1.0f);
    EXPECT_EQ(readOut(kMasterEnvMod), "+100%");
    m.setNormalized(kMasterLfoMod, 0.0f);
    EXPECT_EQ(display(kMasterLfoMod), "-100");
}

TEST_F(ProductTest, AmountDisplaysRoundHalfUp) {
    m.setNormalized(kFilterReson, 0.005f);
    EXPECT_EQ(display(kFilterReson), "1");
    m.setNormalized(kEnvDecay, 0.004f);
    EXPECT_EQ(display(kEnvDecay), "0");
    m.setNormalized(kFilterDrive, 1.0f);
    EXPECT_EQ(display(kFilterDrive), "100");
    EXPECT_EQ(label(kFilterDrive), "");
}

TEST_F(ProductTest, SpecialDisplaysStayWithinTheLength) {
    m.setNormalized(kRevColor, 0.0f);
    EXPECT_EQ(display(kRevColor, 3), "-1");
    m.setNormalized(kRevDecay, 1.0f);
    EXPECT_EQ(display(kRevDecay, 1), "");
}

TEST_F(ProductTest, ReadOutsJoinValueAndUnit) {
    m.setReal(kFilterCutoff, 1000.0f);
    EXPECT_EQ(readOut(kFilterCutoff), "1000Hz");
    m.setNormalized(kMix, 0.5f);
    EXPECT_EQ(readOut(kMix), "  50%");
    EXPECT_EQ(readOut(kEnvHpf), "10.0Hz");
    EXPECT_EQ(readOut(kFeedback), " -60dB");
}

TEST_F(ProductTest, FilterCutoffSpansTwentyHertzToTwentyKilohertz) {
    m.setReal(kFilterCutoff, 1000.0f);
    EXPECT_NEAR(m.getNormalized(kFilterCutoff), 0.5663233f, 1e-6);
    m.setNormalized(kFilterCutoff, 0.0f);
    EXPECT_FLOAT_EQ(m.getReal(kFilterCutoff), 20.0f);
    m.setNormalized(kFilterCutoff, 1.0f);
    EXPECT_FLOAT_EQ(m.getReal(kFilterCutoff), 20000.0f);
    m.setNormalized(kFilterCutoff, 0.5f);
    EXPECT_NEAR(m.getReal(kFilterCutoff), 632.46f, 0.5f);
}

TEST_F(ProductTest, SteppedParametersRoundAndSwitchesNeedMoreThanOneHalf) {
    m.setNormalized(kFilterType, 0.74f);
    EXPECT_EQ(m.getReal(kFilterType), 1.0f);
    m.setNormalized(kFilterType, 0.75f);
    EXPECT_EQ(m.getReal(kFilterType), 2.0f);
    m.setNormalized(kLfoSync, 0.5f);
    EXPECT_EQ(m.getReal(kLfoSync), 1.0f);
    EXPECT_EQ(display(kLfoSync), "   1");
    m.setNormalized(kLfoSync, 0.49f);
    EXPECT_EQ(m.getReal(kLfoSync), 0.0f);
    for (int index : {kRevPrePost, kRevFreeze, kBypass}) {
        m.setNormalized(index, 0.5f);
        EXPECT_EQ(m.getReal(index), 0.0f);
        EXPECT_EQ(display(index), "Off");
        m.setNormalized(index, 0.5000001f);
        EXPECT_EQ(m.getReal(index), 1.0f);
        EXPECT_EQ(display(index), "On");
    }
}

TEST_F(ProductTest, FreeLfoRateIsHertz) {
    m.setNormalized(kLfoSync, 0.0f);
    m.setNormalized(kLfoRate, 0.5f);
    EXPECT_NEAR(m.getReal(kLfoRate), 1.0f, 1e-4);
    EXPECT_EQ(display(kLfoRate), "1.00");
    EXPECT_EQ(label(kLfoRate), "Hz");
    EXPECT_EQ(m.getEngineValue(kLfoRate), m.getReal(kLfoRate));
}

struct SyncedRate {
    float normalized;
    float division;
    const char* text;
    float cyclesPerQuarter;
};

class SyncedLfoRate : public ProductTest, public ::testing::WithParamInterface<SyncedRate> {};

TEST_P(SyncedLfoRate, RoundsToTheNearestDivision) {
    const SyncedRate& c = GetParam();
    m.setSync(kLfoRate, true);
    m.setNormalized(kLfoRate, c.normalized);
    EXPECT_EQ(m.getReal(kLfoRate), c.division);
    EXPECT_EQ(display(kLfoRate), c.text);
    EXPECT_EQ(label(kLfoRate), "");
    EXPECT_FLOAT_EQ(m.getEngineValue(kLfoRate), c.cyclesPerQuarter);
    EXPECT_FLOAT_EQ(m.toEngineValue(kLfoRate, m.getReal(kLfoRate)), c.cyclesPerQuarter);
}

INSTANTIATE_TEST_SUITE_P(Divisions, SyncedLfoRate,
                         ::testing::Values(SyncedRate{0.5f, 8.0f, "1/4  ", 1.0f},
                                           SyncedRate{1.0f, 0.0f, "1/32 ", 8.0f},
                                           SyncedRate{0.0f, 15.0f, "1/1  ", 0.25f},
                                           SyncedRate{0.46f, 8.0f, "1/4  ", 1.0f},
                                           SyncedRate{0.565f, 7.0f, "1/8. ", 1.0f / 0.75f},
                                           SyncedRate{0.86f, 2.0f, "1/16 ", 4.0f},
                                           SyncedRate{0.97f, 0.0f, "1/32 ", 8.0f},
                                           SyncedRate{0.96f, 1.0f, "1/16T", 6.0f}));

// LFO Sync and LFO Rate live in one word: two threads changing one each, at the same time,
// leave both last values, and the rate's real value always belongs to the sync state beside it.
TEST_F(ProductTest, SyncAndRateChangedTogetherKeepBothValues) {
    std::thread sync([&] {
        for (int n = 0; n <= 20000; ++n)
            m.setNormalized(kLfoSync, float(n % 2));
    });
    bool matching = true;
    for (int n = 0; n <= 20000; ++n) {
        m.setNormalized(kLfoRate, 0.25f + 0.5f * float(n % 2));
        const tw_paramManager::Value v = m.getValueIn(m.getCurrentProgram(), kLfoRate);
        matching = matching && v.real == m.toRealSynced(kLfoRate, v.normalized, v.synced);
    }
    sync.join();
    EXPECT_TRUE(matching);
    EXPECT_EQ(m.getNormalized(kLfoSync), 0.0f);
    EXPECT_EQ(m.getNormalized(kLfoRate), 0.25f);
    EXPECT_FALSE(m.isSynced(kLfoRate));
}

// One record per program: the current one is what the value operations see.
TEST_F(ProductTest, ProgramRecordsAreSeparate) {
    m.setProgramCount(3);
    m.setNormalized(kMix, 0.25f);
    m.selectProgram(2);
    EXPECT_EQ(m.getNormalized(kMix), 0.5f);
    m.setNormalized(kLfoSync, 0.0f);
    m.setNormalizedIn(1, kMix, 0.75f);
    m.selectProgram(3);
    EXPECT_EQ(m.getCurrentProgram(), 2);
    EXPECT_EQ(m.getValueIn(0, kMix).normalized, 0.25f);
    EXPECT_EQ(m.getValueIn(1, kMix).normalized, 0.75f);
    EXPECT_TRUE(m.getValueIn(0, kLfoRate).synced);
    EXPECT_FALSE(m.getValueIn(2, kLfoRate).synced);
    EXPECT_EQ(m.getValueIn(3, kMix).normalized, 0.0f);
}

TEST_F(ProductTest, SyncSwitchKeepsTheNormalizedRate) {
    m.setSync(kLfoRate, false);
    m.setNormalized(kLfoRate, 0.565f);
    const float hz = m.getReal(kLfoRate);
    m.setSync(kLfoRate, true);
    EXPECT_EQ(m.getNormalized(kLfoRate), 0.565f);
    EXPECT_EQ(m.getReal(kLfoRate), 7.0f);
    m.setSync(kLfoRate, false);
    EXPECT_EQ(m.getNormalized(kLfoRate), 0.565f);
    EXPECT_EQ(m.getReal(kLfoRate), hz);
}

TEST_F(ProductTest, DecibelParametersAreSilentAtTheBottom) {
    for (int index : {kInput, kFeedback, kVca, kEnvGain}) {
        m.setNormalized(index, 0.0f);
        EXPECT_EQ(m.getEngineValue(index), 0.0f);
        m.setNormalized(index, 1.0f);
        EXPECT_NEAR(m.getEngineValue(index), std::pow(10.0f, m.getMax(index) / 20.0f), 1e-5);
    }
    m.setNormalized(kInput, 40.0f / 46.0f);
    EXPECT_NEAR(m.getReal(kInput), 0.0f, 1e-5);
    EXPECT_NEAR(m.getEngineValue(kInput), 1.0f, 1e-4);
}

// The plug-in's whole per-change path: setNormalized, the read-backs and, for the two LFO
// parameters, the sync switch and the sync factor.
TEST_F(ProductTest, ParameterChangePathDoesNotAllocate) {
    float sink = 0.0f;
    corvane::test::RealtimeProbe probe;
    for (const FactoryProgram& program : kFactoryPrograms) {
        for (int i = 0; i < kNumParams; ++i) {
            applyValue(m, i, program.values[i]);
            sink += m.getReal(i) + m.getNormalized(i) + static_cast<float>(m.getKind(i));
            if (i == kLfoRate || i == kLfoSync) {
                sink += m.getEngineValue(kLfoRate) + m.toEngineValue(kLfoRate, m.getReal(kLfoRate));
                sink += m.isSynced(kLfoRate) ? 1.0f : 0.0f;
            }
        }
    }
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
    EXPECT_TRUE(std::isfinite(sink));
}

TEST_F(ProductTest, HostileValuesNeverReachTheEngineAsNaN) {
    for (int i = 0; i < kNumParams; ++i) {
        for (float n : {std::nanf(""), -1.0f, 2.0f, 1e30f}) {
            applyValue(m, i, n);
            EXPECT_TRUE(std::isfinite(m.getReal(i))) << i;
            EXPECT_TRUE(std::isfinite(m.getEngineValue(i))) << i;
            EXPECT_TRUE(std::isfinite(m.toReal(i, n))) << i;
        }
    }
    m.setSync(kLfoRate, true);
    EXPECT_TRUE(std::isfinite(m.toReal(kLfoRate, std::nanf(""))));
}

} // namespace
