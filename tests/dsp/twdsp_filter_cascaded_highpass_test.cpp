#include "dsp/twdsp_filter_cascaded_highpass.h"

#include "dsp_test_signals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using corvane::test::noise_source;
using corvane::test::sine_gain;
using corvane::test::to_db;

// Single-precision sixth-order Butterworth high-pass in the original three-section form; the
// double-precision filter must give the same response wherever this one is stable.
class float_reference {
public:
    float_reference(float rate, float hz) {
        const float rad = static_cast<float>(2.0 * 3.14159265358979323846 / rate);
        const float cw = cosf(hz * rad);
        const float sw = sinf(hz * rad);
        for (int k = 0; k < 3; ++k) {
            const float dk =
                2.0f *
                sinf(static_cast<float>((2.0 * (k + 1) - 1.0) * 3.14159265358979323846 / 12.0));
            const float e = dk * 0.5f * sw;
            beta[k] = (1.0f - e) / (1.0f + e) * 0.5f;
            gamma[k] = (beta[k] + 0.5f) * cw;
            alpha[k] = (beta[k] + 0.5f + gamma[k]) * 0.25f;
        }
    }
    float process(float x) {
        for (int k = 0; k < 3; ++k) {
            const float y =
                2.0f * (alpha[k] * (x - 2.0f * x1[k] + x2[k]) + gamma[k] * y1[k] - beta[k] * y2[k]);
            x2[k] = x1[k];
            x1[k] = x;
            y2[k] = y1[k];
            y1[k] = y;
            x = y;
        }
        return x;
    }

private:
    float alpha[3], beta[3], gamma[3];
    float x1[3] = {}, x2[3] = {}, y1[3] = {}, y2[3] = {};
};

TEST(CascadedHighPass, ConstantInputDecaysToZero) {
    twdsp_filter_cascaded_highpass hp;
    float y = 1.0f;
    for (int n = 0; n < 20000; ++n)
        y = hp.process(1.0f);
    EXPECT_NEAR(y, 0.0f, 1e-7f);
}

TEST(CascadedHighPass, ThirtySixDecibelsPerOctaveBelowTheCorner) {
    twdsp_filter_cascaded_highpass hp;
    EXPECT_NEAR(to_db(sine_gain(hp, 1000.0, 44100.0)), -3.01, 0.1);
    hp.reset();
    EXPECT_NEAR(sine_gain(hp, 10000.0, 44100.0), 1.0, 0.01);
    EXPECT_NEAR(corvane::test::gain_step_db(hp, 250.0, 125.0, 44100.0), 36.0, 1.0);
}

class CascadedRate : public testing::TestWithParam<float> {};

TEST_P(CascadedRate, MatchesTheSinglePrecisionResponseWithinRounding) {
    twdsp_filter_cascaded_highpass hp;
    hp.set_sample_rate(GetParam());
    hp.set_frequency(150.0f);
    float_reference ref(GetParam(), 150.0f);
    noise_source noise;
    for (int n = 0; n < 20000; ++n) {
        const float x = noise.next();
        ASSERT_NEAR(hp.process(x), ref.process(x), 2e-4f) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CascadedRate, testing::Values(44100.0f, 48000.0f));

class CascadedHighRate : public testing::TestWithParam<float> {};

TEST_P(CascadedHighRate, TenHertzCornerStaysStable) {
    twdsp_filter_cascaded_highpass hp;
    hp.set_sample_rate(GetParam());
    hp.set_frequency(10.0f);
    // DC is removed and an impulse's response dies away rather than growing.
    float y = 0.0f;
    for (int n = 0; n < static_cast<int>(GetParam()); ++n) {
        y = hp.process(1.0f);
        ASSERT_TRUE(std::isfinite(y));
    }
    EXPECT_LT(std::fabs(y), 1e-3f);
    hp.reset();
    hp.process(1.0f);
    float late = 0.0f;
    for (int n = 0; n < 4 * static_cast<int>(GetParam()); ++n)
        late = hp.process(0.0f);
    EXPECT_LT(std::fabs(late), 1e-6f);
    hp.reset();
    EXPECT_NEAR(sine_gain(hp, 1000.0, GetParam(), GetParam() / 2, GetParam() / 2), 1.0, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Rates, CascadedHighRate,
                         testing::Values(44100.0f, 96000.0f, 192000.0f, 384000.0f, 768000.0f));

TEST(CascadedHighPass, CornerAboveHalfTheRateStaysStable) {
    twdsp_filter_cascaded_highpass hp;
    hp.set_sample_rate(8000.0f);
    hp.set_frequency(7500.0f);
    noise_source noise;
    for (int n = 0; n < 20000; ++n) {
        const float y = hp.process(noise.next());
        ASSERT_TRUE(std::isfinite(y));
        ASSERT_LT(std::fabs(y), 10.0f);
    }
}

} // namespace
