#include "dsp/twdsp_oscillator_LFO_skewed.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using lfo = twdsp_oscillator_LFO_skewed;

TEST(Lfo, RandomSequenceFromTheConstructionSeed) {
    lfo o;
    EXPECT_EQ(o.random_seed(), 3321);
    EXPECT_EQ(o.next_random(3321), 28034);
    EXPECT_EQ(o.next_random(28034), 102223);
    EXPECT_EQ(o.next_random(102223), 98736);
    EXPECT_EQ(o.random_seed(), 3321);
}

TEST(Lfo, RandomShapeGlidesThenHoldsAndStartsAgainAtEachWrap) {
    lfo o;
    o.set_shape(lfo::random_shape);
    EXPECT_EQ(o.process(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(o.process(0.001f), 0.5994227f);
    EXPECT_FLOAT_EQ(o.process(0.7f), 0.5994227f);
    EXPECT_FLOAT_EQ(o.process(0.0f), 0.5994227f);
    EXPECT_FLOAT_EQ(o.process(0.5f), -0.4606625f);
    o.process(0.1f);
    EXPECT_FLOAT_EQ(o.process(0.2f), -0.4108368f);
    EXPECT_EQ(o.random_seed(), 98736);
}

TEST(Lfo, RandomAtFullSkewJoinsThePointsWithLines) {
    lfo o;
    o.set_shape(lfo::random_shape);
    o.set_skew(1.0f);
    o.process(0.0f);
    o.process(0.999f); // now holding the first target
    o.process(0.0f);   // glide from 0.5994227 to -0.4606625
    EXPECT_NEAR(o.process(0.4995f), (0.5994227f - 0.4606625f) / 2.0f, 1e-4f);
}

TEST(Lfo, SkewIsKeptInsideTheOpenInterval) {
    lfo o;
    EXPECT_EQ(o.skew(), 0.001f);
    o.set_skew(1.0f);
    EXPECT_EQ(o.skew(), 0.999f);
    o.set_skew(-3.0f);
    EXPECT_EQ(o.skew(), 0.001f);
    o.set_skew(std::nanf(""));
    EXPECT_EQ(o.skew(), 0.001f);
    o.set_skew(0.5f);
    EXPECT_EQ(o.skew(), 0.5f);
}

TEST(Lfo, RampAndPulseFollowTheSkew) {
    lfo o;
    o.set_skew(0.5f);
    o.set_shape(lfo::ramp);
    EXPECT_EQ(o.process(0.0f), -1.0f);
    EXPECT_FLOAT_EQ(o.process(0.5f), 1.0f);
    EXPECT_FLOAT_EQ(o.process(0.25f), 0.0f);
    EXPECT_NEAR(o.process(1.0f), -1.0f, 1e-6f);
    o.set_shape(lfo::pulse);
    o.set_skew(0.3f);
    EXPECT_EQ(o.process(0.29f), 1.0f);
    EXPECT_EQ(o.process(o.skew()), -1.0f);
}

TEST(Lfo, UnipolarSineAtHalfSkewAndTheCircularTable) {
    lfo o;
    o.set_skew(0.5f);
    o.set_unipolar(true);
    EXPECT_FLOAT_EQ(o.process(0.25f), 1.0f);
    EXPECT_NEAR(o.process(0.75f), 0.0f, 1e-7f);
    EXPECT_EQ(o.process(1.0f), o.process(0.0f));
    EXPECT_EQ(o.last_output(), 0.5f);
}

TEST(Lfo, SineSkewMovesTheCrest) {
    auto crest = [](float skew) {
        lfo o;
        o.set_skew(skew);
        float best = -2.0f;
        float where = 0.0f;
        for (int i = 0; i < 1000; ++i) {
            const float x = i / 1000.0f;
            if (o.process(x) > best) {
                best = o.process(x);
                where = x;
            }
        }
        return where;
    };
    EXPECT_NEAR(crest(0.5f), 0.25f, 0.002f);
    EXPECT_LT(crest(0.1f), 0.2f);
    EXPECT_GT(crest(0.9f), 0.3f);
}

TEST(Lfo, TickWrapsOnceAndEvaluatesThere) {
    lfo o;
    o.set_frequency(0.99f * 44100.0f);
    o.tick();
    EXPECT_NEAR(o.phase(), 0.99f, 1e-6f);
    o.set_frequency(0.02f * 44100.0f);
    const float v = o.tick();
    EXPECT_NEAR(o.phase(), 0.01f, 1e-6f);
    EXPECT_EQ(v, o.process(o.phase()));
}

TEST(Lfo, FrequencyIsARatePerTick) {
    lfo o;
    o.set_sample_rate(48000.0f);
    o.set_frequency(480.0f);
    for (int i = 0; i < 50; ++i)
        o.tick();
    EXPECT_NEAR(o.phase(), 0.5f, 1e-5f);
    o.set_midi_note_int(69);
    EXPECT_FLOAT_EQ(o.frequency(), 440.0f);
}

class LfoShape : public testing::TestWithParam<int> {};

TEST_P(LfoShape, StaysWithinRangeForEverySkewAndAnyPhase) {
    lfo o;
    o.set_shape(GetParam());
    for (float skew : {0.0f, 0.2f, 0.5f, 0.8f, 1.0f}) {
        o.set_skew(skew);
        for (int i = -500; i <= 1500; ++i) {
            const float v = o.process(i / 1000.0f);
            ASSERT_GE(v, -1.0001f);
            ASSERT_LE(v, 1.0001f);
        }
        for (float bad : {std::nanf(""), INFINITY, -INFINITY, 1e30f}) {
            const float v = o.process(bad);
            ASSERT_TRUE(std::isfinite(v));
        }
    }
    o.set_frequency(1e9f);
    for (int i = 0; i < 100; ++i) {
        o.tick();
        ASSERT_GE(o.phase(), 0.0f);
        ASSERT_LT(o.phase(), 1.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, LfoShape, testing::Values(0, 1, 2, 9, 5));

} // namespace
