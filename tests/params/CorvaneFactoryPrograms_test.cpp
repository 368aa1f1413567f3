#include "params/CorvaneFactoryPrograms.h"

#include "corvane_program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace corvane;

namespace {

struct Decoded {
    const char* filterType;
    // To 0.1 Hz, as the manager's table reads it (a position scaled in double would read
    // 9120.2 in program 20).
    const char* cutoffHz;
    const char* lfoShape;
    bool lfoSync;
    const char* lfoRate; // a division while synchronised, else Hz to two decimals
    const char* revPrePost;
    const char* mixPercent;
};

const Decoded kDecoded[kNumPrograms] = {
    {"LP", "33.9", "square", false, "1.00 Hz", "Off", "93.0"},
    {"BP", "109.6", "saw", true, "1/4", "Off", "100.0"},
    {"LP", "37.6", "square", true, "1/4", "Off", "50.5"},
    {"BP", "683.9", "sine", true, "1/16", "Off", "52.0"},
    {"LP", "94.6", "saw", true, "1/8.", "Off", "29.0"},
    {"BP", "7096.3", "random", true, "1/16", "Off", "22.5"},
    {"LP", "32.7", "square", true, "1/4", "Off", "22.0"},
    {"BP", "80.4", "random", true, "1/16", "Off", "100.0"},
    {"BP", "2917.4", "saw", true, "1/4", "Off", "51.5"},
    {"LP", "20.7", "saw", false, "79.43 Hz", "Off", "100.0"},
    {"HP", "61.0", "square", true, "1/4", "On", "17.5"},
    {"HP", "69.3", "saw", true, "1/8", "Off", "73.5"},
    {"LP", "20.0", "saw", true, "1/4", "Off", "49.5"},
    {"LP", "64.7", "random", true, "1/16", "Off", "89.0"},
    {"BP", "125.9", "square", true, "1/2", "On", "100.0"},
    {"HP", "20000.0", "sine", true, "1/8", "Off", "17.5"},
    {"LP", "20.0", "sine", true, "1/16", "Off", "100.0"},
    {"BP", "4415.7", "sine", true, "1/16", "Off", "25.5"},
    {"BP", "5069.9", "square", true, "1/4", "Off", "49.0"},
    {"LP", "9120.1", "square", true, "1/4", "Off", "45.0"},
};

std::string printed(const char* format, float v) {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

class FactoryProgram : public ::testing::TestWithParam<int> {
protected:
    std::string display(int index) const {
        char text[16];
        m.getDisplay(index, text, 8);
        return text;
    }
    CorvaneParameterManager m;
};

TEST_P(FactoryProgram, DecodesToItsSettings) {
    const int p = GetParam();
    const Decoded& d = kDecoded[p];
    applyProgram(m, kFactoryPrograms[p]);
    static const char* const kTypes[] = {"LP", "BP", "HP"};
    static const char* const kShapes[] = {"square", "saw", "sine", "random"};
    EXPECT_STREQ(kTypes[static_cast<int>(m.getReal(kFilterType))], d.filterType);
    EXPECT_EQ(printed("%.1f", m.getReal(kFilterCutoff)), d.cutoffHz);
    EXPECT_STREQ(kShapes[static_cast<int>(m.getReal(kLfoShape))], d.lfoShape);
    EXPECT_EQ(m.getReal(kLfoSync) > 0.5f, d.lfoSync);
    EXPECT_EQ(m.isSynced(kLfoRate), d.lfoSync);
    const std::string rate =
        d.lfoSync ? trimmed(display(kLfoRate)) : printed("%.2f Hz", m.getReal(kLfoRate));
    EXPECT_EQ(rate, d.lfoRate);
    EXPECT_EQ(display(kRevPrePost), d.revPrePost);
    EXPECT_EQ(printed("%.1f", m.getReal(kMix)), d.mixPercent);
}

TEST_P(FactoryProgram, IsNamedByItsNumberAndStaysInRange) {
    const int p = GetParam();
    const corvane::FactoryProgram& program = kFactoryPrograms[p];
    char number[16];
    std::snprintf(number, sizeof number, "%02d ", p + 1);
    EXPECT_EQ(std::strncmp(program.name, number, 3), 0) << program.name;
    EXPECT_LE(std::strlen(program.name), 23u);
    for (float v : program.values) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
    }
}

// A host restoring a program may send LFO Sync before LFO Rate; the result must not depend on it.
TEST_P(FactoryProgram, RestoreOrderDoesNotMatter) {
    const corvane::FactoryProgram& program = kFactoryPrograms[GetParam()];
    applyProgram(m, program);
    CorvaneParameterManager reversed;
    for (int i = kNumParams - 1; i >= 0; --i)
        applyValue(reversed, i, program.values[i]);
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(reversed.getReal(i), m.getReal(i)) << i;
        EXPECT_EQ(reversed.getNormalized(i), m.getNormalized(i)) << i;
    }
    EXPECT_EQ(reversed.getEngineValue(kLfoRate), m.getEngineValue(kLfoRate));
}

// Switching from any program ends in the state the new program gives on a fresh manager.
TEST_P(FactoryProgram, SwitchingFromAnyProgramGivesTheSameState) {
    const corvane::FactoryProgram& target = kFactoryPrograms[GetParam()];
    applyProgram(m, target);
    for (const corvane::FactoryProgram& from : kFactoryPrograms) {
        CorvaneParameterManager other;
        applyProgram(other, from);
        applyProgram(other, target);
        for (int i = 0; i < kNumParams; ++i)
            ASSERT_EQ(other.getReal(i), m.getReal(i)) << i;
        ASSERT_EQ(other.isSynced(kLfoRate), m.isSynced(kLfoRate));
        ASSERT_EQ(other.getEngineValue(kLfoRate), m.getEngineValue(kLfoRate));
    }
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, FactoryProgram, ::testing::Range(0, kNumPrograms));

TEST(FactoryPrograms, KeepTheStoredValuesExactly) {
    EXPECT_STREQ(kFactoryPrograms[0].name, "01 Basic Follower");
    EXPECT_EQ(kFactoryPrograms[0].values[kInput], 0.89456517f);
    EXPECT_EQ(kFactoryPrograms[15].values[kFilterLfoMod], 7e-08f);
    EXPECT_EQ(kFactoryPrograms[17].values[kLfoPhase], 0.5063889f);
    EXPECT_STREQ(kFactoryPrograms[7].name, "08 Samplin' & Holdin'");
    EXPECT_STREQ(kFactoryPrograms[19].name, "20 Mother Ducker");
}

} // namespace
