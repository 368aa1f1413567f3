#include "dsp/twdsp_filter_rbj_high_pass.h"

#include "dsp_test_signals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using corvane::test::noise_source;
using corvane::test::sine_gain;

TEST(RbjHighPass, BlocksLowAndPassesHighFrequencies) {
    twdsp_filter_rbj_high_pass hp;
    EXPECT_NEAR(sine_gain(hp, 10000.0, 44100.0), 1.0, 0.02);
    EXPECT_NEAR(corvane::test::gain_step_db(hp, 250.0, 125.0, 44100.0), 12.0, 1.0);
    float y = 1.0f;
    hp.reset();
    for (int n = 0; n < 20000; ++n)
        y = hp.process(1.0f);
    EXPECT_NEAR(y, 0.0f, 1e-6f);
}

TEST(RbjHighPass, BypassIsExactAndLeavingItClearsTheMemories) {
    twdsp_filter_rbj_high_pass hp;
    noise_source noise;
    for (int n = 0; n < 100; ++n)
        hp.process(noise.next());
    hp.set_bypass(true);
    for (int n = 0; n < 1000; ++n) {
        const float x = noise.next();
        ASSERT_EQ(hp.process(x), x);
    }
    hp.set_bypass(false);
    twdsp_filter_rbj_high_pass fresh;
    noise_source a(5), b(5);
    for (int n = 0; n < 1000; ++n)
        ASSERT_EQ(hp.process(a.next()), fresh.process(b.next()));
}

TEST(RbjHighPass, ResonanceSetsQAndPlainStepMatchesWithinTheOffset) {
    twdsp_filter_rbj_high_pass hp;
    hp.set_resonance(0.5f);
    EXPECT_EQ(hp.q(), 6.0f);
    twdsp_filter_rbj_high_pass plain;
    plain.set_resonance(0.5f);
    noise_source a(9), b(9);
    for (int n = 0; n < 1000; ++n)
        ASSERT_NEAR(hp.process(a.next()), plain.process_plain(b.next()), 1e-5f);
}

TEST(RbjHighPass, NonsenseQAndFrequencyStayFinite) {
    twdsp_filter_rbj_high_pass hp;
    hp.set_q(0.0f);
    hp.set_frequency(40000.0f);
    noise_source noise;
    for (int n = 0; n < 10000; ++n)
        ASSERT_TRUE(std::isfinite(hp.process(noise.next())));
    hp.set_frequency(std::nanf(""));
    EXPECT_TRUE(std::isnan(hp.frequency()));
    for (int n = 0; n < 10000; ++n)
        ASSERT_TRUE(std::isfinite(hp.process(noise.next())));
}

} // namespace
