// Typed value texts: every parameter reads back what it shows, and the forms people type
// ("1.5k", "-6 dB", "30%", "120 ms", "BP", "1/8T") land where they say.

#include "params/CorvaneParameterManager.h"
#include "params/CorvaneParameters.h"
#include "params/CorvaneValueText.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

std::string shown(const CorvaneParameterManager& m, int index, float n) {
    char value[16] = {};
    char unit[16] = {};
    m.displayText(index, n, value, 8);
    m.getLabel(index, unit, 8);
    return std::string(value) + unit;
}

// Whatever a parameter shows, with or without its unit, typed back shows the same, in both
// LFO sync states; so every kind (amounts, signed, exponential, decibel, percent, choices,
// switches, divisions) reads its own texts.
TEST(CorvaneValueText, EveryParameterReadsBackWhatItShows) {
    CorvaneParameterManager m;
    for (const float sync : {0.0f, 1.0f}) {
        m.setNormalized(kLfoSync, sync);
        for (int index = 0; index < kNumParams; ++index) {
            int choices = 0;
            const char* const* names = choiceNames(index, choices);
            for (int step = 0; step <= 20; ++step) {
                const float n = static_cast<float>(step) / 20.0f;
                const std::string text = shown(m, index, n);
                float back = -1.0f;
                SCOPED_TRACE(m.getNameString(index) + " '" + text + "'");
                if (names != nullptr) {
                    // Choices show their step names on the panel, numbers to the host.
                    const int s = static_cast<int>(n * (choices - 1) + 0.5f);
                    ASSERT_TRUE(parseTypedValue(m, index, names[s], back));
                    EXPECT_FLOAT_EQ(back, static_cast<float>(s) / (choices - 1));
                    continue;
                }
                ASSERT_TRUE(parseTypedValue(m, index, text.c_str(), back));
                EXPECT_EQ(shown(m, index, back), text);
            }
        }
    }
}

TEST(CorvaneValueText, TheFormsPeopleTypeLandWhereTheySay) {
    CorvaneParameterManager m;
    const auto typed = [&m](int index, const char* text) {
        float n = -1.0f;
        EXPECT_TRUE(parseTypedValue(m, index, text, n)) << text;
        return n;
    };
    const auto real = [&](int index, const char* text) {
        return m.toReal(index, typed(index, text));
    };
    EXPECT_NEAR(real(kFilterCutoff, "1.5k"), 1500.0f, 1.0f);
    EXPECT_NEAR(real(kFilterCutoff, "1500"), 1500.0f, 1.0f);
    EXPECT_NEAR(real(kFilterCutoff, "1500 Hz"), 1500.0f, 1.0f);
    EXPECT_NEAR(real(kFilterCutoff, "2 kHz"), 2000.0f, 1.0f);
    EXPECT_NEAR(real(kInput, "-6"), -6.0f, 0.01f);
    EXPECT_NEAR(real(kInput, " -6 dB "), -6.0f, 0.01f);
    EXPECT_NEAR(real(kEnvGain, "6dB"), 6.0f, 0.01f);
    EXPECT_NEAR(real(kMix, "30%"), 30.0f, 0.01f);
    EXPECT_NEAR(real(kRevColor, "+40"), 40.0f, 0.01f);
    EXPECT_NEAR(typed(kRevDecay, "30%"), 0.3f, 1e-6f);
    EXPECT_NEAR(typed(kFilterReson, "75"), 0.75f, 1e-6f);
    EXPECT_NEAR(real(kLfoPhase, "90 deg"), 90.0f, 0.01f);
    // Out of range clamps.
    EXPECT_EQ(typed(kFilterCutoff, "99k"), 1.0f);
    EXPECT_EQ(typed(kVca, "+12 dB"), 1.0f);
    EXPECT_EQ(typed(kMix, "-5%"), 0.0f);
    // Choices by their names, any case, or by step.
    EXPECT_FLOAT_EQ(typed(kFilterType, "BP"), 0.5f);
    EXPECT_FLOAT_EQ(typed(kFilterType, "hp"), 1.0f);
    EXPECT_FLOAT_EQ(typed(kEnvTrigger, "SIDECH"), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(typed(kLfoShape, "Sine"), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(typed(kBypass, "on"), 1.0f);
    EXPECT_FLOAT_EQ(typed(kRevPrePost, "1"), 1.0f);
    EXPECT_FLOAT_EQ(typed(kLfoShape, "2"), 2.0f / 3.0f);
    // The free LFO rate: Hz, or a period.
    m.setNormalized(kLfoSync, 0.0f);
    EXPECT_NEAR(real(kLfoRate, "120 ms"), 1.0f / 0.12f, 0.01f);
    EXPECT_NEAR(real(kLfoRate, "2 s"), 0.5f, 0.01f);
    EXPECT_NEAR(real(kLfoRate, "4Hz"), 4.0f, 0.01f);
    // The synchronised rate: divisions.
    m.setNormalized(kLfoSync, 1.0f);
    for (const char* division : {"1/8T", "1/8t", "1/4.", "1/16", "1/1"}) {
        char text[16] = {};
        m.displayText(kLfoRate, typed(kLfoRate, division), text, 8);
        std::string expect = division;
        if (expect == "1/8t") expect = "1/8T";
        std::string got;
        for (const char* p = text; *p != '\0'; ++p)
            if (*p != ' ') got.push_back(*p);
        EXPECT_EQ(got, expect);
    }
}

TEST(CorvaneValueText, TextThatDoesNotParseWritesNothing) {
    CorvaneParameterManager m;
    for (const char* text : {"", "  ", "abc", "12 apples", "-6 dB", "30 %", "1/8T", "nan", "inf",
                             "1e999", "BPX", "120 ms"}) {
        float n = 0.25f;
        EXPECT_FALSE(parseTypedValue(m, kFilterCutoff, text, n)) << text;
        EXPECT_EQ(n, 0.25f);
    }
    float n = 0.25f;
    EXPECT_FALSE(parseTypedValue(m, kFilterType, "XP", n));
    EXPECT_FALSE(parseTypedValue(m, kInput, "-6 %", n));
    EXPECT_FALSE(parseTypedValue(m, kNumParams, "1", n));
    EXPECT_FALSE(parseTypedValue(m, kInput, nullptr, n));
    m.setNormalized(kLfoSync, 1.0f);
    EXPECT_FALSE(parseTypedValue(m, kLfoRate, "4 Hz", n));
    EXPECT_EQ(n, 0.25f);
}

} // namespace
} // namespace corvane
