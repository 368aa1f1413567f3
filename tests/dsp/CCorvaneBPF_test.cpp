#include "dsp/CCorvaneBPF.h"

#include "dsp_test_signals.h"

#include <gtest/gtest.h>

namespace {

using corvane::test::sine_gain;

TEST(BandPass, PassesItsBandAndRejectsBothSides) {
    CCorvaneBPF bp;
    const double centre = sine_gain(bp, 1000.0, 44100.0);
    bp.reset();
    const double low = sine_gain(bp, 100.0, 44100.0);
    bp.reset();
    const double high = sine_gain(bp, 10000.0, 44100.0);
    EXPECT_GT(centre, 4.0 * low);
    EXPECT_GT(centre, 4.0 * high);
}

TEST(BandPass, BothPartsFollowTheHostRate) {
    CCorvaneBPF at44;
    CCorvaneBPF at48;
    at48.set_sample_rate(48000.0f);
    at48.set_frequency(1000.0f);
    EXPECT_EQ(at48.lowpass_part().sample_rate(), 48000.0f);
    EXPECT_EQ(at48.highpass_part().sample_rate(), 48000.0f);
    for (double hz : {250.0, 1000.0, 4000.0}) {
        at44.reset();
        at48.reset();
        EXPECT_NEAR(sine_gain(at44, hz, 44100.0), sine_gain(at48, hz, 48000.0), 0.03) << hz;
    }
}

TEST(BandPass, ResonanceReachesOnlyTheLowPassPart) {
    CCorvaneBPF bp;
    bp.set_resonance(0.8f);
    EXPECT_EQ(bp.lowpass_part().q(), 2.0f);
    EXPECT_EQ(bp.highpass_part().q(), 0.707f);
    bp.set_frequency(2500.0f);
    EXPECT_EQ(bp.lowpass_part().frequency(), 2500.0f);
    EXPECT_EQ(bp.highpass_part().frequency(), 2500.0f);
}

} // namespace
