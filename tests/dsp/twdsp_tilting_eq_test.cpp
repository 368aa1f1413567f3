#include "dsp/twdsp_filter_dc_blocker.h"
#include "dsp/twdsp_filter_kalden_high_shelf.h"
#include "dsp/twdsp_filter_kalden_low_shelf.h"
#include "dsp/twdsp_tilting_eq.h"

#include "dsp_test_signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using corvane::test::noise_source;
using corvane::test::sine_gain;
using corvane::test::to_db;

TEST(Shelves, ZeroDecibelsIsAnExactIdentityOrInversion) {
    twdsp_filter_kalden_high_shelf high;
    twdsp_filter_kalden_low_shelf low;
    twdsp_tilting_eq tilt;
    high.set_gain(5.0f);
    high.set_gain(0.0f);
    noise_source noise;
    for (int n = 0; n < 20000; ++n) {
        const float x = noise.next() * (n % 7 == 0 ? 1e-6f : 1.0f);
        ASSERT_EQ(high.process(x), x) << n;
        ASSERT_EQ(low.process(x), -x) << n;
        ASSERT_EQ(tilt.process(x), -x) << n;
    }
}

struct shelf_case {
    float gain_db;
    bool low;
};

class ShelfGain : public testing::TestWithParam<shelf_case> {};

TEST_P(ShelfGain, ReachesItsGainOnItsSideAndUnityOnTheOther) {
    const shelf_case c = GetParam();
    twdsp_filter_kalden_low_shelf low;
    twdsp_filter_kalden_high_shelf high;
    twdsp_filter_kalden_shelf& shelf = c.low ? static_cast<twdsp_filter_kalden_shelf&>(low) : high;
    shelf.set_gain(c.gain_db);
    const double bass = to_db(sine_gain(shelf, 20.0, 44100.0, 44100, 88200));
    shelf.reset();
    const double treble = to_db(sine_gain(shelf, 18000.0, 44100.0));
    EXPECT_NEAR(c.low ? bass : treble, c.gain_db, 1.0);
    EXPECT_NEAR(c.low ? treble : bass, 0.0, 1.0);
    // Settled DC: the low shelf inverts, the high shelf passes exactly 1.
    shelf.reset();
    float y = 0.0f;
    for (int n = 0; n < 200000; ++n)
        y = shelf.process(1.0f);
    if (c.low)
        EXPECT_NEAR(to_db(-y), c.gain_db, 0.7);
    else
        EXPECT_NEAR(y, 1.0f, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Gains, ShelfGain,
                         testing::Values(shelf_case{9.0f, true}, shelf_case{-9.0f, true},
                                         shelf_case{12.0f, false}, shelf_case{-12.0f, false}),
                         [](const testing::TestParamInfo<shelf_case>& p) {
                             return std::string(p.param.low ? "low_" : "high_") +
                                    (p.param.gain_db < 0 ? "cut" : "boost");
                         });

TEST(TiltingEq, EndsOfTheTiltAreOppositeShelves) {
    twdsp_tilting_eq eq;
    eq.set_tilt(0.0f);
    EXPECT_EQ(eq.low_shelf().gain(), 12.0f);
    EXPECT_EQ(eq.high_shelf().gain(), -12.0f);
    eq.set_tilt(1.0f);
    EXPECT_EQ(eq.low_shelf().gain(), -12.0f);
    EXPECT_EQ(eq.high_shelf().gain(), 12.0f);
    eq.set_tilt(0.75f);
    eq.set_tilt_range(9.0f);
    EXPECT_EQ(eq.tilt(), 0.75f);
    EXPECT_EQ(eq.low_shelf().gain(), -4.5f);
    EXPECT_EQ(eq.high_shelf().gain(), 4.5f);
}

TEST(TiltingEq, DarkTiltCutsTrebleAndBrightTiltCutsBass) {
    twdsp_tilting_eq eq;
    eq.set_tilt(0.0f);
    const double dark_bass = sine_gain(eq, 50.0, 44100.0);
    eq.reset();
    const double dark_treble = sine_gain(eq, 15000.0, 44100.0);
    EXPECT_GT(to_db(dark_bass / dark_treble), 18.0);
    eq.set_tilt(1.0f);
    eq.reset();
    const double bright_bass = sine_gain(eq, 50.0, 44100.0);
    eq.reset();
    const double bright_treble = sine_gain(eq, 15000.0, 44100.0);
    EXPECT_LT(to_db(bright_bass / bright_treble), -18.0);
}

TEST(TiltingEq, FrequenciesReachTheShelves) {
    twdsp_tilting_eq eq;
    eq.set_frequency(500.0f);
    EXPECT_EQ(eq.low_shelf().frequency(), 500.0f);
    EXPECT_EQ(eq.high_shelf().frequency(), 500.0f);
    eq.set_low_frequency(200.0f);
    eq.set_high_frequency(4000.0f);
    EXPECT_EQ(eq.low_shelf().frequency(), 200.0f);
    EXPECT_EQ(eq.high_shelf().frequency(), 4000.0f);
    eq.set_sample_rate(96000.0f);
    EXPECT_EQ(eq.low_shelf().sample_rate(), 96000.0f);
}

TEST(DcBlocker, RemovesDcAndPassesTheTop) {
    twdsp_filter_dc_blocker dc;
    float y = dc.process(1.0f);
    EXPECT_EQ(y, 1.0f);
    for (int n = 1; n <= 10; ++n)
        y = dc.process(1.0f);
    EXPECT_NEAR(y, std::pow(0.995f, 10.0f), 1e-6f);
    for (int n = 0; n < 10000; ++n)
        y = dc.process(1.0f);
    EXPECT_NEAR(y, 0.0f, 1e-6f);
    for (int n = 0; n < 10000; ++n)
        y = dc.process(n % 2 ? 1.0f : -1.0f);
    EXPECT_NEAR(std::fabs(y), 2.0f / 1.995f, 1e-4f);
    dc.reset(); // keeps running: nothing clears it
    EXPECT_NE(dc.process(0.0f), 0.0f);
}

} // namespace
