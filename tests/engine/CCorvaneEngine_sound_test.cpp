// What comes out of the engine, measured and compared with the maths of each stage: the output
// is the only thing read, through the engine's public commands and process_buffers.

#include "engine/CCorvaneEngine.h"

#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using corvane::test::io;
using corvane::test::make_engine;
using corvane::test::noise;
using corvane::test::settle;
using E = CCorvaneEngine;

constexpr double pi = 3.14159265358979323846;

// A chain that passes low frequencies unchanged: fully wet output mix, no reverb (frozen while
// empty, so silent, and mixed out), the VCA at 0 dB, the drive at its smallest (small-signal
// gain 1 - 1e-5), the low-pass open at 20 kHz without resonance (DC gain 1) and the feedback at
// its minimum. No modulation depth is set.
std::unique_ptr<E> plain_chain(float rate) {
    auto e = make_engine(rate);
    e->set_normalised_parameter(E::mix, 1.0f);
    e->set_normalised_parameter(E::rev_mix, 0.0f);
    e->set_normalised_parameter(E::rev_freeze, 1.0f);
    e->set_parameter(E::vca, 0.0f);
    e->set_normalised_parameter(E::filter_drive, 0.0f);
    e->set_parameter(E::filter_cutoff, 20000.0f);
    e->set_parameter(E::feedback, -60.0f);
    settle(*e, 1000);
    return e;
}

// Both main inputs at x (a vector of the block's length); returns the left output.
std::vector<float> render(E& e, const std::vector<float>& x, int sidechains = 0,
                          const std::vector<float>* side = nullptr) {
    io b(static_cast<int>(x.size()));
    b.main_left = x;
    b.main_right = x;
    if (side) b.side_1 = b.side_2 = *side;
    b.render(e, 2, 2, sidechains);
    return b.out_left;
}

// The plain chain's gain for a held input: the front clipper's, then the drive's.
double plain_gain(double level) {
    return (1.0 - 1e-5) / (0.28 * level * level + 1.0);
}

std::vector<float> constant(int frames, float level) {
    return std::vector<float>(static_cast<size_t>(frames), level);
}

// Amplitude of the component at hz in y from `from` on, by correlation over as many whole
// periods as fit before `to`.
double amplitude_at(const std::vector<float>& y, double hz, double rate, int from, int to) {
    const double period = rate / hz;
    to = from + static_cast<int>(std::floor((to - from) / period) * period + 0.5);
    double c = 0.0;
    double s = 0.0;
    for (int n = from; n < to; ++n) {
        c += y[n] * std::cos(2.0 * pi * hz * n / rate);
        s += y[n] * std::sin(2.0 * pi * hz * n / rate);
    }
    return 2.0 * std::hypot(c, s) / (to - from);
}

std::vector<float> sine(int frames, double hz, double rate, float level) {
    std::vector<float> x(static_cast<size_t>(frames));
    for (int n = 0; n < frames; ++n)
        x[n] = level * static_cast<float>(std::sin(2.0 * pi * hz * n / rate));
    return x;
}

double db(double gain) {
    return 20.0 * std::log10(gain);
}

// Identical channels in give identical channels out through every stage of every program,
// the reverb aside: its right network is built longer on purpose, so it is frozen while still
// empty (silent) and mixed out, which lets the programs with a fully wet reverb be heard too.
// The only difference left is the anti-denormal offset, ±1e-12 on the two feedback paths.
class ProgramSymmetry : public testing::TestWithParam<int> {};

TEST_P(ProgramSymmetry, IdenticalChannelsInGiveIdenticalChannelsOut) {
    corvane::test::test_host host;
    auto e = corvane::test::make_program_engine(GetParam(), 44100.0f, host);
    e->set_normalised_parameter(E::rev_freeze, 1.0f);
    e->set_normalised_parameter(E::rev_mix, 0.0f);
    settle(*e, 1000);
    const int frames = 22050;
    io b(frames);
    noise().fill(b.main_left);
    b.main_right = b.side_1 = b.side_2 = b.main_left;
    for (int done = 0; done < frames; done += 512) {
        host.begin_block(*e);
        b.render(*e, 2, 2, 2, done, std::min(512, frames - done));
        host.end_block(512);
    }
    double peak = 0.0;
    double difference = 0.0;
    for (int n = 0; n < frames; ++n) {
        peak = std::max(peak, std::fabs(static_cast<double>(b.out_left[n])));
        difference = std::max(difference, std::fabs(double(b.out_left[n]) - b.out_right[n]));
    }
    ASSERT_GT(peak, 1e-3);
    EXPECT_LT(difference, 1e-6 * std::max(peak, 1.0));
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramSymmetry,
                         testing::Range(0, corvane::test::factory_program_count));

// A held input A settles at the clipper's a / (0.28 a² + 1) once the DC blocker has drained
// the fed-back part (0.995^n); the rest of the plain chain has DC gain 1 - 1e-5.
TEST(EngineSound, FeedbackClipperFollowsItsCurve) {
    for (float a : {0.25f, 1.0f, 1.8898f, 3.0f, 10.0f, -1.0f}) {
        auto e = plain_chain(96000.0f);
        const std::vector<float> y = render(*e, constant(48000, a));
        const double expected = a / (0.28 * a * a + 1.0) * (1.0 - 1e-5);
        EXPECT_NEAR(y.back(), expected, 2e-5 * std::fabs(expected)) << "a = " << a;
    }
}

// A step into the loop. Its output is the step plus the fed-back part, which the DC blocker
// y[n] = x[n] - x[n-1] + 0.995 y[n-1] drains: with the feedback gain g around a unity chain
// the fed-back part decays as λ1^n, λ1 the larger root of λ² - (g + 0.995) λ + g, and starts at
// g c A / (λ1 - λ2) (c the clipper's slope at the step's level). At g = 0.001 λ1 is the
// blocker's own pole within 0.1 %: its corner -ln λ1 × rate / 2π is 35.2 Hz at 44100 Hz. The
// chain's low-pass delays the loop by about a sample, which moves λ1 by a few parts in 1000 and
// the start by under 2 %.
TEST(EngineSound, FeedbackLoopGainAndDcBlockerCorner) {
    struct loop_case {
        float feedback_db;
        float step;
    };
    const float rate = 44100.0f;
    for (const loop_case& k : {loop_case{-60.0f, 0.5f}, loop_case{-6.0206f, 0.01f}}) {
        auto e = plain_chain(rate);
        e->set_parameter(E::feedback, k.feedback_db);
        settle(*e, 1000);
        const std::vector<float> y = render(*e, constant(22050, k.step));
        const double g = std::pow(10.0, k.feedback_db / 20.0);
        const double a = k.step;
        const double c = (1.0 - 0.28 * a * a) / ((1.0 + 0.28 * a * a) * (1.0 + 0.28 * a * a));
        const double gc = g * c;
        const double b = gc + 0.995;
        const double l1 = (b + std::sqrt(b * b - 4.0 * gc)) / 2.0;
        const double l2 = gc / l1;
        const double settled = y.back();
        const int n1 = 100;
        const int n2 = 500;
        const double e1 = y[n1] - settled;
        const double e2 = y[n2] - settled;
        const double measured = std::pow(e2 / e1, 1.0 / (n2 - n1));
        EXPECT_NEAR(measured, l1, 0.005 * (1.0 - l1)) << k.feedback_db << " dB";
        const double start = e1 / std::pow(measured, n1);
        EXPECT_NEAR(start / (gc * settled / (l1 - l2)), 1.0, 0.02) << k.feedback_db << " dB";
        if (k.feedback_db == -60.0f) {
            EXPECT_NEAR(-std::log(measured) * rate / (2.0 * pi), 35.2, 0.2);
        }
    }
}

// The envelope follower's attack and decay, heard through the VCA. The side-chain carries a
// burst of a sine at an eighth of the rate (so every 32-sample detector sum is the same), the
// main input a small constant whose level at the output is the VCA gain: level =
// 15 × envelope × Master Env Mod - 30 dB. The follower glides by exp(-32 / (time × rate)) per
// tick, so the envelope read back from the output rises with the time constant 0.2 × Env
// Attack and falls with Env Decay + 0.04 s, to the rounding of the output level.
TEST(EngineSound, EnvelopeFollowerTimeConstantsOnABurst) {
    const float rate = 48000.0f;
    auto e = plain_chain(rate);
    e->set_parameter(E::vca, -30.0f);
    e->set_normalised_parameter(E::master_env_mod, 1.0f);
    e->set_normalised_parameter(E::env_trigger, 2.0f / 3.0f);
    e->set_normalised_parameter(E::env_gain, 0.5f);
    e->set_normalised_parameter(E::env_attack, 0.5f); // 0.1 s
    e->set_normalised_parameter(E::env_decay, 0.16f); // 0.2 s
    settle(*e, 1000);
    const int on = static_cast<int>(rate);
    const int frames = 3 * on;
    std::vector<float> side = sine(frames, rate / 8.0, rate, 0.3f);
    std::fill(side.begin() + on, side.end(), 0.0f);
    const float level = 0.001f;
    const std::vector<float> y = render(*e, constant(frames, level), 2, &side);
    // The envelope at the end of each tick's piece (the output is one VCA gain per piece).
    auto envelope = [&](double seconds) {
        const int tick = static_cast<int>(seconds * rate / 32.0);
        const double out = y[static_cast<size_t>(32 * tick + 31)];
        return (db(out / (level * plain_gain(level))) + 30.0) / 15.0;
    };
    const double top = envelope(0.999);
    ASSERT_GT(top, 0.5);
    const double attack = 0.2 / std::log((top - envelope(0.05)) / (top - envelope(0.25)));
    EXPECT_NEAR(attack, 0.1, 0.002);
    const double decay = 0.5 / std::log(envelope(1.05) / envelope(1.55));
    EXPECT_NEAR(decay, 0.2, 0.002);
}

// Modulation depth: at full Master Env Mod each unit of envelope moves the VCA by 15 dB, and at
// full Filter Env Mod by 6 octaves; the LFO's unipolar output does the same through its two
// depths. The envelope is set by the MIDI gate (0.1 feeds the follower 1.0 with no attack), the
// LFO is held at its high level (1.0) by the tempo-sync phase. The VCA is read as the output
// level of a held input; the cutoff from the two-pole low-pass's gain at a probe frequency:
// |H| = 1 / (1 + (tan(π f / rate) / tan(π fc / rate))²).
TEST(EngineSound, ModulationDepthInDecibelsAndOctavesPerUnit) {
    const float rate = 48000.0f;
    auto start = [rate](float env_depth, float lfo_depth, bool master) {
        auto e = plain_chain(rate);
        e->set_parameter(E::vca, -40.0f);
        e->set_normalised_parameter(E::env_trigger, 1.0f / 3.0f);
        e->set_parameter(E::env_attack, 0.0f);
        e->set_note_gate(0.1f);
        e->set_parameter(E::lfo_sync, 1.0f);
        e->set_parameter(E::lfo_shape, 2.0f);
        e->set_parameter(E::lfo_skew, 0.5f);
        e->set_sync_phase(0.25);
        e->set_sync_increment(0.0);
        if (master) {
            e->set_normalised_parameter(E::master_env_mod, 0.5f * env_depth + 0.5f);
            e->set_normalised_parameter(E::master_lfo_mod, 0.5f * lfo_depth + 0.5f);
        } else {
            e->set_parameter(E::vca, 0.0f);
            e->set_parameter(E::filter_cutoff, 500.0f);
            e->set_parameter(E::filter_env_mod, env_depth);
            e->set_parameter(E::filter_lfo_mod, lfo_depth);
        }
        settle(*e, 1000);
        return e;
    };
    struct depth_case {
        float env, lfo, units;
    };
    for (const depth_case& d : {depth_case{0.5f, 0.0f, 0.5f}, depth_case{-0.25f, 0.0f, -0.25f},
                                depth_case{0.0f, 0.4f, 0.4f}, depth_case{0.3f, -0.6f, -0.3f}}) {
        auto vca = start(d.env, d.lfo, true);
        const float held = 0.001f;
        const double out = render(*vca, constant(4800, held)).back();
        EXPECT_NEAR(db(out / (held * plain_gain(held))), -40.0 + 15.0 * d.units, 1e-3)
            << d.env << ", " << d.lfo;

        auto filter = start(d.env, d.lfo, false);
        const double expected_hz = 500.0 * std::pow(2.0, 6.0 * d.units);
        const int frames = 9600;
        const double gain = amplitude_at(render(*filter, sine(frames, expected_hz, rate, 0.01f)),
                                         expected_hz, rate, frames / 2, frames) /
                            0.01;
        const double t = std::tan(pi * expected_hz / rate);
        const double fc = std::atan(t / std::sqrt(1.0 / gain - 1.0)) * rate / pi;
        EXPECT_NEAR(std::log2(fc / 500.0), 6.0 * d.units, 0.01) << d.env << ", " << d.lfo;
    }
}

// The VCA and the two mix laws. The VCA: a held input comes out 10^(VCA / 20) times as loud.
// The output mix with m = 1 - Mix: wet 1 - m², dry 1 - (1 - m)² (0.75 each at 50 %). The chain
// output does not depend on the output mix, so a fully wet twin gives it; the output is then
// fitted as dry × input + wet × chain output. Rev Mix works the same way on the reverb's dry
// and wet parts, seen with the reverb after the filter: its twins at Rev Mix 0 and 1 give the
// two parts, which differ from the mixed run's only through the 0.001 feedback.
TEST(EngineSound, VcaAndMixLaws) {
    for (float vca_db : {0.0f, -12.0f, -50.0f}) {
        auto e = plain_chain(44100.0f);
        e->set_parameter(E::vca, vca_db);
        settle(*e, 10);
        const float held = 0.01f;
        const double out = render(*e, constant(8192, held)).back();
        EXPECT_NEAR(db(out / (held * plain_gain(held))), vca_db, 1e-4);
    }

    // Least-squares fit of y = p u + q v.
    auto fit = [](const std::vector<float>& y, const std::vector<float>& u,
                  const std::vector<float>& v) {
        double uu = 0, vv = 0, uv = 0, yu = 0, yv = 0;
        for (size_t n = 0; n < y.size(); ++n) {
            uu += double(u[n]) * u[n];
            vv += double(v[n]) * v[n];
            uv += double(u[n]) * v[n];
            yu += double(y[n]) * u[n];
            yv += double(y[n]) * v[n];
        }
        const double det = uu * vv - uv * uv;
        return std::make_pair((yu * vv - yv * uv) / det, (yv * uu - yu * uv) / det);
    };
    std::vector<float> x(16384);
    noise().fill(x, 0.5f);
    auto busy = [](float rate) {
        auto e = make_engine(rate);
        e->set_parameter(E::vca, -6.0f);
        e->set_normalised_parameter(E::filter_drive, 0.5f);
        e->set_normalised_parameter(E::filter_type, 0.5f);
        e->set_parameter(E::filter_cutoff, 1200.0f);
        e->set_normalised_parameter(E::rev_decay, 0.7f);
        e->set_normalised_parameter(E::rev_route, 1.0f);
        return e;
    };
    for (float mix : {0.25f, 0.5f, 0.8f}) {
        auto mixed = busy(44100.0f);
        auto wet = busy(44100.0f);
        mixed->set_normalised_parameter(E::mix, mix);
        wet->set_normalised_parameter(E::mix, 1.0f);
        settle(*mixed, 1000);
        settle(*wet, 1000);
        const auto [dry_gain, wet_gain] = fit(render(*mixed, x), x, render(*wet, x));
        const double m = 1.0 - mix;
        EXPECT_NEAR(dry_gain, 1.0 - (1.0 - m) * (1.0 - m), 1e-5) << mix;
        EXPECT_NEAR(wet_gain, 1.0 - m * m, 1e-5) << mix;
    }
    for (float rev_mix : {0.3f, 0.5f}) {
        std::unique_ptr<E> runs[3];
        const float settings[3] = {rev_mix, 0.0f, 1.0f};
        std::vector<float> out[3];
        for (int i = 0; i < 3; ++i) {
            runs[i] = busy(44100.0f);
            runs[i]->set_normalised_parameter(E::mix, 1.0f);
            runs[i]->set_normalised_parameter(E::rev_mix, settings[i]);
            settle(*runs[i], 1000);
            out[i] = render(*runs[i], x);
        }
        const auto [dry_gain, wet_gain] = fit(out[0], out[1], out[2]);
        const double r = 1.0 - rev_mix;
        EXPECT_NEAR(dry_gain, 1.0 - (1.0 - r) * (1.0 - r), 3e-3) << rev_mix;
        EXPECT_NEAR(wet_gain, 1.0 - r * r, 3e-3) << rev_mix;
    }
}

// The resonant filter's feedback is linear while |k y| stays within 0.6 and clipped beyond.
// With k = 2 (resonance 0.8) and a probe near the resonance the output is close to a pure
// sine, so its amplitude is its peak: the gain of an output that keeps k y at 0.98 × 0.6 is the
// small-signal gain (less the front clipper's own compression, 0.21 a² for a sine of amplitude
// a), while at 1.05 × 0.6 the clipped feedback has taken the resonance down by over 1 %.
TEST(EngineSound, ResonantFeedbackClipsAtItsThreshold) {
    const float rate = 44100.0f;
    const double k = 2.0;
    const double hz = 860.0;
    auto gain_at = [&](double amplitude) {
        auto e = plain_chain(rate);
        e->set_parameter(E::filter_cutoff, 1000.0f);
        e->set_normalised_parameter(E::filter_reson, 0.8f);
        settle(*e, 10);
        const int frames = 44100;
        const std::vector<float> y =
            render(*e, sine(frames, hz, rate, static_cast<float>(amplitude)));
        return amplitude_at(y, hz, rate, frames / 2, frames) / amplitude;
    };
    const double small = gain_at(1e-4);
    ASSERT_GT(small, 2.0);
    for (double share : {0.98, 1.05}) {
        const double a = share * 0.6 / k / small;
        const double expected = small * (1.0 - 0.21 * a * a);
        if (share < 1.0) {
            EXPECT_NEAR(gain_at(a) / expected, 1.0, 1e-3) << share;
        } else {
            EXPECT_LT(gain_at(a) / expected, 0.99) << share;
        }
    }
}

// The reverb's combs feed back 0.84 (Rev Decay 0.5) through a lowpass that loses
// |(1 - d) / (1 - d e^-jω)| at ω (d = 0.2, its damping): per round trip a 200 Hz tail drops
// by 1.51 dB, an 8 kHz one by 1.51 + 1.35 dB. A comb of L samples makes rate / L trips a
// second, so each band's tail decays at its loss times 27.3 .. 39.5 trips a second (combs of
// 1617 .. 1116 samples at 44100 Hz), and for every comb the high tail at 1.894 times the
// rate of the low one. The tails are mixtures of the eight combs, weighted a little
// differently in the two bands: the measured ratio may stray from 1.894 by a few per cent.
TEST(EngineSound, ReverbDampsHighTailsFaster) {
    const float rate = 44100.0f;
    auto decay_rate = [rate](double hz) {
        auto e = plain_chain(rate);
        e->set_normalised_parameter(E::rev_freeze, 0.0f);
        e->set_normalised_parameter(E::rev_mix, 1.0f);
        e->set_normalised_parameter(E::rev_color, 0.5f);
        e->set_normalised_parameter(E::rev_decay, 0.5f);
        settle(*e, 10);
        const int burst = static_cast<int>(rate / 4);
        std::vector<float> x = sine(burst + static_cast<int>(rate), hz, rate, 0.5f);
        std::fill(x.begin() + burst, x.end(), 0.0f);
        const std::vector<float> y = render(*e, x);
        // Tail levels in 50 ms windows from 0.1 s to 0.6 s after the burst, and their slope.
        double st = 0, sl = 0, stt = 0, stl = 0;
        const int window = static_cast<int>(rate / 20);
        int count = 0;
        for (int w = 2; w < 12; ++w, ++count) {
            const int from = burst + w * window;
            double energy = 0.0;
            for (int n = from; n < from + window; ++n)
                energy += double(y[n]) * y[n];
            const double t = (w + 0.5) / 20.0;
            const double level = 10.0 * std::log10(energy / window);
            st += t;
            sl += level;
            stt += t * t;
            stl += t * level;
        }
        return (count * stl - st * sl) / (count * stt - st * st);
    };
    const double w = 2.0 * pi * 8000.0 / rate;
    const double loop_db = db(0.84);
    const double damping_db = db(0.8 / std::hypot(1.0 - 0.2 * std::cos(w), 0.2 * std::sin(w)));
    const double low = decay_rate(200.0);
    const double high = decay_rate(8000.0);
    EXPECT_GT(low, loop_db * rate / 1116.0 * 1.02);
    EXPECT_LT(low, loop_db * rate / 1617.0 * 0.98);
    EXPECT_NEAR(high / low, (loop_db + damping_db) / loop_db,
                0.05 * (loop_db + damping_db) / loop_db);
}

} // namespace
