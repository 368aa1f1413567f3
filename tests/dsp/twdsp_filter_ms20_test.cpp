#include "dsp/twdsp_filter_ms20_hp.h"
#include "dsp/twdsp_filter_ms20_lp.h"

#include "dsp_test_signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using corvane::test::sine_gain;

class Ms20Resonance : public testing::TestWithParam<float> {};

TEST_P(Ms20Resonance, ConstantInputSettlesAtOneForLowPassAndZeroForHighPass) {
    twdsp_filter_ms20_lp lp;
    twdsp_filter_ms20_hp hp;
    lp.set_resonance(GetParam());
    hp.set_resonance(GetParam());
    float y = 0.0f;
    float z = 0.0f;
    for (int n = 0; n < 20000; ++n) {
        y = lp.process(1.0f);
        z = hp.process(1.0f);
    }
    EXPECT_NEAR(y, 1.0f, 1e-4f);
    EXPECT_NEAR(z, 0.0f, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Amounts, Ms20Resonance, testing::Values(0.0f, 0.3f, 0.6f, 0.9f, 1.0f));

TEST(Ms20, WithoutResonanceTheCornerIsTwoHalfPowerStages) {
    // Two bilinear one-pole stages: -6 dB at the corner, unity in the pass band, falling by
    // 12 dB per octave above.
    twdsp_filter_ms20_lp lp;
    EXPECT_NEAR(sine_gain(lp, 1000.0, 44100.0), 0.5, 0.01);
    lp.reset();
    EXPECT_NEAR(sine_gain(lp, 50.0, 44100.0), 1.0, 0.01);
    EXPECT_NEAR(corvane::test::gain_step_db(lp, 4000.0, 8000.0, 44100.0), 12.0, 1.5);
}

TEST(Ms20, FollowsTheHostRate) {
    twdsp_filter_ms20_lp lp;
    lp.set_sample_rate(96000.0f);
    lp.set_frequency(3000.0f);
    EXPECT_NEAR(sine_gain(lp, 3000.0, 96000.0), 0.5, 0.01);
}

TEST(Ms20, ModerateResonanceDiesAway) {
    twdsp_filter_ms20_lp lp;
    lp.set_resonance(0.6f);
    float peak_late = 0.0f;
    lp.process(1.0f);
    for (int n = 1; n < 44100; ++n) {
        const float y = lp.process(0.0f);
        if (n > 30000) peak_late = std::max(peak_late, std::fabs(y));
    }
    EXPECT_LT(peak_late, 1e-6f);
}

TEST(Ms20, FullResonanceSelfOscillatesBelowTheCutoffWithABoundedPeak) {
    twdsp_filter_ms20_lp lp;
    lp.set_resonance(1.0f);
    EXPECT_EQ(lp.q(), 2.5f);
    lp.process(1.0f);
    for (int n = 0; n < 44100; ++n)
        lp.process(0.0f);
    int crossings = 0;
    float peak = 0.0f;
    float previous = lp.process(0.0f);
    for (int n = 0; n < 44100; ++n) {
        const float y = lp.process(0.0f);
        if ((previous < 0.0f) != (y < 0.0f)) ++crossings;
        peak = std::max(peak, std::fabs(y));
        previous = y;
    }
    const double hz = crossings / 2.0;
    EXPECT_GT(hz, 800.0);
    EXPECT_LT(hz, 920.0);
    EXPECT_NEAR(peak, 0.39f, 0.05f);
}

TEST(Ms20, CutoffAtOrAboveHalfTheRateStaysStable) {
    twdsp_filter_ms20_lp lp;
    lp.set_resonance(1.0f);
    for (float hz : {22050.0f, 30000.0f, -5.0f, std::nanf("")}) {
        lp.set_frequency(hz);
        corvane::test::noise_source noise;
        for (int n = 0; n < 20000; ++n) {
            const float y = lp.process(noise.next());
            ASSERT_TRUE(std::isfinite(y)) << hz;
            ASSERT_LT(std::fabs(y), 10.0f) << hz;
        }
    }
}

} // namespace
