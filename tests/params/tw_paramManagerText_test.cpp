#include "params/tw_paramManager.h"

#include "params/tw_tempoDivisions.h"

#include "param_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr char kUntouched = 'X';

struct Buffer {
    Buffer() { std::memset(bytes, kUntouched, sizeof bytes); }
    // True when nothing at or after position `from` was written.
    bool untouchedFrom(int from) const {
        for (int i = from; i < static_cast<int>(sizeof bytes); ++i)
            if (bytes[i] != kUntouched) return false;
        return true;
    }
    bool terminatedBefore(int limit) const {
        return std::memchr(bytes, '\0', static_cast<size_t>(limit)) != nullptr;
    }
    char bytes[96];
};

class TextTest : public ::testing::Test {
protected:
    TextTest() { defineEveryKind(m); }
    std::string value(int index, float x, int length = 8) const {
        char text[64];
        m.formatValue(index, text, x, length);
        return text;
    }
    std::string label(int index, int length = 8) const {
        char text[64];
        m.getLabel(index, text, length);
        return text;
    }
    tw_paramManager m;
};

struct ValueCase {
    int kind;
    bool synced;
    float x;
    const char* text;
};

class ValueText : public TextTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ValueText, FollowsTheKind) {
    const ValueCase& c = GetParam();
    m.setSync(c.kind, c.synced);
    EXPECT_EQ(value(c.kind, c.x), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ValueText,
    ::testing::Values(ValueCase{0, false, 3.4f, "   3"}, ValueCase{0, false, -7.6f, "  -8"},
                      ValueCase{1, false, 0.5f, "Off"}, ValueCase{1, false, 0.51f, "On"},
                      ValueCase{2, false, 50.0f, "  50"}, ValueCase{3, false, 0.5f, "0.500"},
                      ValueCase{3, false, 5.0f, "5.00"}, ValueCase{3, false, 50.0f, "50.0"},
                      ValueCase{3, false, 500.0f, " 500"}, ValueCase{4, false, 33.88f, "33.9"},
                      ValueCase{4, false, 1000.0f, "1000"}, ValueCase{4, false, 20000.0f, "20000"},
                      ValueCase{5, false, -60.0f, " -60"}, ValueCase{6, false, 2.9f, "   2"},
                      ValueCase{7, false, 3.0f, "1/8 T"}, ValueCase{7, false, 14.0f, "1/1  "},
                      ValueCase{8, false, 250.0f, " 250"}, ValueCase{8, true, 4.0f, "1/16."},
                      ValueCase{8, true, 15.0f, "1/1  "}, ValueCase{9, false, 1.0f, "1.00"},
                      ValueCase{9, false, 79.43f, "79.4"}, ValueCase{9, true, 0.0f, "1/32 "},
                      ValueCase{9, true, 1.0f, "1/16T"}, ValueCase{9, true, 6.0f, "1/4 T"},
                      ValueCase{9, true, 15.0f, "1/1  "}, ValueCase{10, false, 0.25f, " 500"},
                      ValueCase{10, true, 0.2f, "1/8 T"}, ValueCase{11, false, 0.5f, "0.500"},
                      ValueCase{11, true, 1.0f, "1/32 "}, ValueCase{11, true, 0.0f, "1/1  "},
                      ValueCase{12, false, 60.0f, "C3"}, ValueCase{12, false, 61.0f, "C#3"},
                      ValueCase{12, false, 0.0f, "C-2"}, ValueCase{12, false, 127.0f, "G8"},
                      ValueCase{12, false, -1.0f, "B-3"}));

// The division text of a synchronised rate names the division whose length the engine uses.
TEST_F(TextTest, SyncedRateTextAgreesWithItsEngineValue) {
    m.setSync(9, true);
    for (int step = 0; step <= 100; ++step) {
        m.setNormalized(9, static_cast<float>(step) / 100.0f);
        char text[9];
        m.getDisplay(9, text, 8);
        int parsed = -1;
        ASSERT_TRUE(m.parseSyncDivision(text, parsed)) << text;
        EXPECT_EQ(m.getEngineValue(9), 1.0f / tw_tempoDivisionAt(parsed).quarterNotes) << text;
    }
}

TEST_F(TextTest, ValueTextsKeepAtMostLengthMinusOneCharacters) {
    EXPECT_EQ(value(4, 20000.0f, 4), "200");
    EXPECT_EQ(value(1, 1.0f, 2), "O");
    EXPECT_EQ(value(1, 1.0f, 1), "");
    Buffer b;
    m.formatValue(4, b.bytes, 1000.0f, 0);
    EXPECT_TRUE(b.untouchedFrom(0));
}

TEST_F(TextTest, NameIsTheShortNameUpToEightCharacters) {
    m.defineParameter(20, "Filter LFO Mod", "FilterLFO", "%", -100.0f, 100.0f, 0.0f, 0);
    char text[32];
    m.getName(20, text, 8);
    EXPECT_STREQ(text, "FilterLF");
    m.getName(20, text, 9);
    EXPECT_STREQ(text, "Filter LF");
    m.getName(20, text, 20);
    EXPECT_STREQ(text, "Filter LFO Mod");
    EXPECT_EQ(m.getNameString(20), "Filter LFO Mod");
    Buffer b;
    m.getName(20, b.bytes, 8);
    EXPECT_EQ(b.bytes[8], '\0') << "the terminator lands at position length";
    EXPECT_TRUE(b.untouchedFrom(9));
}

TEST_F(TextTest, LabelsFollowKindAndSyncState) {
    EXPECT_EQ(label(0), "u");
    EXPECT_EQ(label(4, 1), "H");
    for (int k : {8, 10}) {
        EXPECT_EQ(label(k, 4), "ms");
        EXPECT_EQ(label(k, 5), "msec");
        m.setSync(k, true);
        EXPECT_EQ(label(k), "");
    }
    for (int k : {9, 11}) {
        EXPECT_EQ(label(k), "Hz");
        m.setSync(k, true);
        EXPECT_EQ(label(k), "");
    }
}

TEST_F(TextTest, NormalizedCompactAndMillisecondTexts) {
    char text[64];
    m.setNormalized(0, 0.25f);
    m.getNormalizedText(0, text);
    EXPECT_STREQ(text, "0.250000");
    m.formatNormalized(4, text, 1.0f);
    EXPECT_STREQ(text, "20000");
    m.setReal(5, 0.0f);
    m.getDisplayCompact(5, text, 8);
    EXPECT_STREQ(text, "0");
    m.setSync(8, true);
    m.setReal(8, 7.0f);
    m.getDisplayCompact(8, text, 8);
    EXPECT_STREQ(text, "1/8.");
    m.getDisplayCompact(8, text, 0);
    EXPECT_STREQ(text, "");
    m.formatMilliseconds(text, 250.0f, 8);
    EXPECT_STREQ(text, "250");
    m.formatMilliseconds(text, 1500.0f, 8);
    EXPECT_STREQ(text, "1.500");
    m.formatMilliseconds(text, 1500.0f, 3);
    EXPECT_STREQ(text, "1.5");
}

TEST_F(TextTest, SyncDivisionNamesParseWithOrWithoutSpaces) {
    int out = -1;
    EXPECT_TRUE(m.parseSyncDivision("1/8 T", out));
    EXPECT_EQ(out, 3);
    EXPECT_TRUE(m.parseSyncDivision("1/8T", out));
    EXPECT_EQ(out, 3);
    EXPECT_TRUE(m.parseSyncDivision("1/16.", out));
    EXPECT_EQ(out, 4);
    EXPECT_TRUE(m.parseSyncDivision(" 1/1 ", out));
    EXPECT_EQ(out, 14);
    out = 99;
    EXPECT_FALSE(m.parseSyncDivision("1/64", out));
    EXPECT_FALSE(m.parseSyncDivision("1/16.xyz", out)) << "only six characters are read";
    EXPECT_FALSE(m.parseSyncDivision(nullptr, out));
    EXPECT_EQ(out, 99);
    for (int i = 0; i < 15; ++i) {
        m.setSync(9, true);
        char shown[9];
        m.formatValue(9, shown, static_cast<float>(i), 8);
        EXPECT_TRUE(m.parseSyncDivision(shown, out));
        EXPECT_EQ(out, i) << shown;
    }
}

class ParseRoundTrip : public TextTest, public ::testing::WithParamInterface<int> {};

// A value shown to the user and typed back in lands on the same value, to the text's precision.
TEST_P(ParseRoundTrip, NumbersComeBackAsShown) {
    const int k = GetParam();
    for (float n : {0.0f, 0.3f, 0.61f, 1.0f}) {
        m.setNormalized(k, n);
        char shown[9];
        m.getDisplay(k, shown, 8);
        float parsed = 0.0f;
        ASSERT_TRUE(m.parseValue(k, shown, parsed)) << shown;
        m.setReal(k, parsed);
        char again[9];
        m.getDisplay(k, again, 8);
        EXPECT_STREQ(again, shown);
    }
}

INSTANTIATE_TEST_SUITE_P(NumericKinds, ParseRoundTrip, ::testing::Values(0, 2, 3, 4, 5, 6, 8, 9));

TEST_F(TextTest, ParseValueClampsAndRefusesWhatItCannotRead) {
    float out = 0.0f;
    EXPECT_TRUE(m.parseValue(0, "25", out));
    EXPECT_EQ(out, 10.0f);
    out = 3.0f;
    EXPECT_FALSE(m.parseValue(0, "loud", out));
    EXPECT_EQ(out, 3.0f);
    out = std::nanf("");
    EXPECT_FALSE(m.parseValue(0, nullptr, out));
    EXPECT_EQ(out, -10.0f);
    EXPECT_FALSE(m.parseValue(1, "1", out)) << "switches parse nothing";
    EXPECT_TRUE(m.parseValue(7, "1/4.", out));
    EXPECT_EQ(out, 10.0f);
    m.setSync(8, true);
    EXPECT_TRUE(m.parseValue(8, "1/32", out));
    EXPECT_EQ(out, 0.0f);
    m.setSync(9, true);
    EXPECT_TRUE(m.parseValue(9, "1/32", out));
    EXPECT_EQ(out, 0.0f) << "a division index, not clamped to 0.01 Hz";
    m.setReal(9, out);
    char shown[9];
    m.getDisplay(9, shown, 8);
    EXPECT_STREQ(shown, "1/32 ");
    EXPECT_FALSE(m.parseValue(40, "1", out));
}

TEST_F(TextTest, ChoiceNamesListTheIntegerSteps) {
    std::vector<std::string> names{"stale"};
    m.getChoiceNames(6, names);
    EXPECT_EQ(names, (std::vector<std::string>{"0", "1", "2", "3"}));
    std::vector<std::string> untouched{"keep"};
    m.getChoiceNames(0, untouched);
    EXPECT_EQ(untouched, std::vector<std::string>{"keep"});
    m.defineParameter(30, "Huge", "Huge", "", -3e9f, 3e9f, 0.0f, tw_paramManager::kKindInteger);
    m.getChoiceNames(30, names);
    EXPECT_LE(names.size(), 4096u);
}

class HostileText : public TextTest,
                    public ::testing::WithParamInterface<std::tuple<int, bool, int>> {};

// No float, however absurd, makes a text operation write past the caller's length or leave its
// text unterminated.
TEST_P(HostileText, StaysWithinTheBuffer) {
    const auto [k, synced, length] = GetParam();
    m.setSync(k, synced);
    for (float x : kHostileFloats) {
        Buffer v;
        m.formatValue(k, v.bytes, x, length);
        EXPECT_TRUE(v.untouchedFrom(length)) << "kind " << k << " x " << x;
        if (length > 0) {
            EXPECT_TRUE(v.terminatedBefore(length));
        }

        m.setReal(k, x);
        Buffer d;
        m.getDisplay(k, d.bytes, length);
        EXPECT_TRUE(d.untouchedFrom(length));
        Buffer c;
        m.getDisplayCompact(k, c.bytes, length);
        EXPECT_TRUE(c.untouchedFrom(length > 0 ? length : 1));
        Buffer n;
        m.formatNormalized(k, n.bytes, x);
        EXPECT_TRUE(n.untouchedFrom(8));
        Buffer ms;
        m.formatMilliseconds(ms.bytes, x, length);
        EXPECT_TRUE(ms.untouchedFrom(length + 1));
        EXPECT_TRUE(ms.terminatedBefore(length + 1));
        Buffer l;
        m.getLabel(k, l.bytes, length);
        EXPECT_TRUE(l.untouchedFrom(length + 1));
        Buffer t;
        m.getNormalizedText(k, t.bytes);
        EXPECT_TRUE(t.untouchedFrom(9));
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, HostileText,
                         ::testing::Combine(::testing::Range(0, kKindCount), ::testing::Bool(),
                                            ::testing::Values(0, 1, 2, 5, 8, 40)));

} // namespace
