#include "dsp/twdsp_smoother.h"
#include "dsp/twdsp_smoother_lag_processor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Rounding of values held near the +5 offset.
constexpr float near_five = 5e-7f;

TEST(Smoother, ZeroTimeFollowsTheInputExactlyInOneStep) {
    twdsp_smoother s;
    s.set_time(0.0f);
    twdsp_smoother_lag_processor lag;
    lag.set_rise_time(0.0f);
    lag.set_fall_time(0.0f);
    for (float x : {0.25f, -1.5f, 3.0f, 0.0f}) {
        EXPECT_NEAR(s.process(x), x, near_five);
        EXPECT_NEAR(lag.process(x), x, near_five);
    }
}

TEST(Smoother, FirstStepOfAUnitStepAt44100) {
    twdsp_smoother s;
    twdsp_smoother_lag_processor lag;
    const float expected = 1.0f - expf(-1.0f / 220.5f);
    EXPECT_NEAR(s.process(1.0f), expected, near_five);
    EXPECT_NEAR(lag.process(1.0f), expected, near_five);
}

TEST(Smoother, TimeConstantHoldsInSecondsWithAnUpdateInterval) {
    // Updated once every 32 samples at 48 kHz, a 0.1 s glide has covered 1 - 1/e after 0.1 s.
    twdsp_smoother s;
    s.set_sample_rate(48000.0f);
    s.set_update_interval(32);
    s.set_time(0.1f);
    s.set_target(1.0f);
    const int ticks = 48000 / 10 / 32;
    for (int i = 0; i < ticks; ++i)
        s.tick();
    EXPECT_NEAR(s.value(), 1.0f - std::exp(-1.0f), 1e-4f);
}

TEST(Smoother, LagProcessorRisesAndFallsWithItsOwnTimes) {
    twdsp_smoother_lag_processor lag;
    lag.set_rise_time(0.001f);
    lag.set_fall_time(0.1f);
    const float rise = expf(-1.0f / (0.001f * 44100.0f));
    const float fall = expf(-1.0f / (0.1f * 44100.0f));
    float up = 0.0f;
    for (int i = 0; i < 10; ++i)
        up = lag.process(1.0f);
    EXPECT_NEAR(up, 1.0f - std::pow(rise, 10.0f), 1e-5f);
    lag.set_value(1.0f);
    float down = 1.0f;
    for (int i = 0; i < 10; ++i)
        down = lag.process(0.0f);
    EXPECT_NEAR(down, std::pow(fall, 10.0f), 1e-5f);
}

TEST(Smoother, PlainSmootherIgnoresTheFallTime) {
    twdsp_smoother a;
    twdsp_smoother b;
    b.set_fall_time(10.0f);
    a.set_value(1.0f);
    b.set_value(1.0f);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(a.process(0.0f), b.process(0.0f));
}

TEST(Smoother, SetValueJumpsWithoutGlideAndValueChangesNothing) {
    twdsp_smoother s;
    s.set_value(0.3f);
    EXPECT_NEAR(s.value(), 0.3f, near_five);
    EXPECT_NEAR(s.value(), 0.3f, near_five);
    EXPECT_NEAR(s.tick(), 0.3f, near_five);
    s.set_target(1.0f);
    EXPECT_NEAR(s.value(), 0.3f, near_five);
    EXPECT_GT(s.tick(), 0.3f);
}

TEST(Smoother, RateChangeKeepsTheValueAndRecomputesTheCoefficient) {
    twdsp_smoother s;
    s.set_value(0.5f);
    s.set_sample_rate(96000.0f);
    EXPECT_NEAR(s.value(), 0.5f, near_five);
    const float c = expf(-1.0f / (0.005f * 96000.0f));
    EXPECT_NEAR(s.process(1.0f), 1.0f - 0.5f * c, near_five);
}

TEST(Smoother, NearZeroValuesStayOnTheOffsetGrid) {
    // A long glide to 0 comes to rest on the grid of floats near 5, a few hundred steps of
    // 4.8e-07 away at most, instead of creeping on through subnormal numbers.
    twdsp_smoother s;
    s.set_value(1.0f);
    for (int i = 0; i < 100000; ++i)
        s.process(0.0f);
    const float rest = s.value();
    EXPECT_LT(std::fabs(rest), 1e-4f);
    EXPECT_TRUE(rest == 0.0f || std::fabs(rest) >= 4.7e-7f);
    EXPECT_EQ(s.process(0.0f), rest);
}

TEST(Smoother, NonsenseSettingsGiveFiniteImmediateOrUnchangedBehaviour) {
    twdsp_smoother_lag_processor lag;
    lag.set_rise_time(-1.0f);
    lag.set_fall_time(std::nanf(""));
    lag.set_update_interval(0);
    lag.set_sample_rate(0.0f);
    lag.set_sample_rate(std::nanf(""));
    EXPECT_EQ(lag.sample_rate(), 44100.0f);
    EXPECT_EQ(lag.update_interval(), 1);
    EXPECT_NEAR(lag.process(2.0f), 2.0f, near_five);
    EXPECT_NEAR(lag.process(-1.0f), -1.0f, near_five);
}

} // namespace
