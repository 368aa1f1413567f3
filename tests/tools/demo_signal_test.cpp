// The embedded demo: deterministic, stereo, audible, and in time with the host's tempo.

#include "tools/corvane-host/demo_signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace corvane::tools {
namespace {

double rms(const std::vector<float>& x, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

// rate, tempo, numerator, denominator
using Setting = std::tuple<double, double, int, int>;

class DemoSignal : public ::testing::TestWithParam<Setting> {
protected:
    double rate() const { return std::get<0>(GetParam()); }
    double tempo() const { return std::get<1>(GetParam()); }
    int numerator() const { return std::get<2>(GetParam()); }
    int denominator() const { return std::get<3>(GetParam()); }
    double beat_seconds() const { return 60.0 / tempo() * 4.0 / denominator(); }
    AudioBuffer make() const {
        return make_demo_signal(rate(), tempo(), numerator(), denominator());
    }
};

TEST_P(DemoSignal, IsTheSameEveryTime) {
    const AudioBuffer a = make(), b = make();
    ASSERT_EQ(a.channel_count(), 2);
    EXPECT_EQ(a.channels, b.channels);
    EXPECT_EQ(a.sample_rate, rate());
}

TEST_P(DemoSignal, LastsFourBarsAndASecond) {
    const double expected = 4 * numerator() * beat_seconds() + 1.0;
    EXPECT_NEAR(static_cast<double>(make().frames()) / rate(), expected, 1.0 / rate() + 1e-9);
}

TEST_P(DemoSignal, IsLoudWithHeadroomAndStereo) {
    const AudioBuffer a = make();
    float peak = 0.0f;
    for (const auto& c : a.channels)
        for (float v : c) {
            ASSERT_TRUE(std::isfinite(v));
            peak = std::max(peak, std::fabs(v));
        }
    EXPECT_NEAR(peak, 0.5f, 1e-6f);
    const size_t music = a.frames() - static_cast<size_t>(rate());
    EXPECT_GT(rms(a.channels[0], 0, music), 0.05);
    EXPECT_NE(a.channels[0], a.channels[1]);
}

TEST_P(DemoSignal, EndsInSilenceForTails) {
    const AudioBuffer a = make();
    const size_t quiet_from = a.frames() - static_cast<size_t>(0.45 * rate());
    for (const auto& c : a.channels)
        EXPECT_EQ(rms(c, quiet_from, a.frames()), 0.0);
}

// Every beat starts with a drum hit: the level just after a beat is well above the level just
// before it.
TEST_P(DemoSignal, DrumsStrikeOnTheBeat) {
    const AudioBuffer a = make();
    const size_t window = static_cast<size_t>(0.01 * rate());
    for (int beat = 1; beat < 4 * numerator(); ++beat) {
        const size_t at = static_cast<size_t>(std::llround(beat * beat_seconds() * rate()));
        EXPECT_GT(rms(a.channels[1], at, at + window), 1.5 * rms(a.channels[1], at - window, at))
            << "beat " << beat;
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, DemoSignal,
                         ::testing::Values(Setting{44100.0, 120.0, 4, 4},
                                           Setting{48000.0, 90.0, 3, 4},
                                           Setting{96000.0, 140.0, 7, 8},
                                           Setting{22050.0, 175.0, 4, 4}));

} // namespace
} // namespace corvane::tools
