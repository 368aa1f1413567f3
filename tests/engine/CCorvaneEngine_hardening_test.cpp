#include "engine/CCorvaneEngine.h"

#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>
#include <tuple>

namespace {

using corvane::test::io;
using corvane::test::make_engine;
using corvane::test::noise;
using corvane::test::settle;
using E = CCorvaneEngine;

// Largest output magnitude, or infinity once any sample is not finite.
float peak_of(const io& b, int frames, bool stereo = true) {
    float peak = 0.0f;
    for (int i = 0; i < frames; ++i) {
        const float l = b.out_left[i];
        const float r = stereo ? b.out_right[i] : 0.0f;
        if (!std::isfinite(l) || !std::isfinite(r)) return INFINITY;
        peak = std::max({peak, std::fabs(l), std::fabs(r)});
    }
    return peak;
}

bool subnormal(float x) {
    return x != 0.0f && std::fabs(x) < FLT_MIN;
}

// Random values for the parameters that shape the filter stage and the gains around it,
// sent before every block of 1 to 64 frames of loud noise: filter type, cutoff and
// resonance moving faster than the control tick must not pump the resonant filters up.
class AutomationAtAnyRate : public testing::TestWithParam<std::tuple<unsigned, float>> {};

TEST_P(AutomationAtAnyRate, KeepsTheOutputFiniteAndBounded) {
    const unsigned seed = std::get<0>(GetParam());
    const float rate = std::get<1>(GetParam());
    auto e = make_engine(rate);
    e->set_parameter(E::vca, 0.0f);
    e->set_normalised_parameter(E::mix, 1.0f);
    e->set_normalised_parameter(E::filter_reson, 1.0f);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int> size(1, 64);
    io b(64);
    noise source(seed);
    float peak = 0.0f;
    for (int block = 0; block < 6000; ++block) {
        e->set_parameter(E::filter_cutoff, 20.0f * std::pow(1000.0f, unit(rng)));
        e->set_normalised_parameter(E::filter_type, unit(rng));
        if (block % 2) e->set_normalised_parameter(E::filter_reson, unit(rng));
        if (block % 3 == 0) e->set_normalised_parameter(E::filter_drive, unit(rng));
        if (block % 4 == 0) {
            e->set_parameter(E::input, -40.0f + 46.0f * unit(rng));
            e->set_parameter(E::feedback, -60.0f + 60.0f * unit(rng));
            e->set_normalised_parameter(E::filter_lfo_mod, unit(rng));
            e->set_normalised_parameter(E::filter_env_mod, unit(rng));
            e->set_normalised_parameter(E::rev_mix, unit(rng));
            e->set_normalised_parameter(E::rev_route, unit(rng) > 0.5f ? 1.0f : 0.0f);
        }
        const int n = size(rng);
        for (int i = 0; i < n; ++i) {
            b.main_left[i] = 4.0f * source.next();
            b.main_right[i] = 4.0f * source.next();
        }
        b.render(*e, 2, 2, 0, 0, n);
        peak = std::max(peak, peak_of(b, n));
        ASSERT_TRUE(std::isfinite(peak)) << "block " << block;
    }
    // The input alone reaches 4, and a cutoff command per block glides the resonant filters
    // faster than any tick could (peaks near 15 over ten times as many blocks); a filter pumped
    // by coefficient jumps goes to thousands.
    EXPECT_LT(peak, 20.0f);
}

INSTANTIATE_TEST_SUITE_P(Seeds, AutomationAtAnyRate,
                         testing::Combine(testing::Values(1u, 2u, 3u),
                                          testing::Values(44100.0f, 192000.0f)));

// Filter Cutoff runs the cutoff update at once: the running pair moves by one smoother step
// before the next sample, and each further command takes one more step.
TEST(EngineAutomation, CutoffCommandReachesTheFiltersAtOnce) {
    auto e = make_engine();
    settle(*e);
    e->set_parameter(E::filter_cutoff, 8000.0f);
    const float first = e->current_filter(0)->frequency();
    EXPECT_GT(first, 2000.0f);
    EXPECT_EQ(e->current_filter(1)->frequency(), first);
    e->set_parameter(E::filter_cutoff, 8000.0f);
    EXPECT_GT(e->current_filter(0)->frequency(), first);
}

// A command that changes the chain's coefficients between two frames in the middle of a
// control interval acts on the very next frame, in hosts that call with one frame at a time.
TEST(EngineAutomation, ChainCommandsActOnTheNextFrame) {
    struct command {
        int index;
        float value;
        bool normalised;
    };
    const command commands[] = {{E::filter_cutoff, 8000.0f, false},
                                {E::filter_reson, 0.9f, true},
                                {E::filter_drive, 0.8f, true},
                                {E::rev_color, 0.0f, true},
                                {E::filter_type, 1.0f, true}};
    for (const command& c : commands) {
        SCOPED_TRACE(c.index);
        std::unique_ptr<E> engines[2] = {make_engine(), make_engine()};
        for (auto& e : engines) {
            e->set_normalised_parameter(E::rev_mix, 0.5f);
            e->set_normalised_parameter(E::filter_reson, 0.5f);
            e->set_normalised_parameter(E::mix, 1.0f);
            e->set_parameter(E::vca, 0.0f);
        }
        io b(1);
        noise source(3);
        constexpr int at = 4000 + 13; // not on a control tick
        for (int n = 0; n <= at; ++n) {
            b.main_left[0] = source.next();
            b.main_right[0] = source.next();
            if (n == at) {
                if (c.normalised)
                    engines[0]->set_normalised_parameter(c.index, c.value);
                else
                    engines[0]->set_parameter(c.index, c.value);
            }
            float out[2];
            for (int k = 0; k < 2; ++k) {
                b.render(*engines[k]);
                out[k] = b.out_left[0];
            }
            if (n < at)
                ASSERT_EQ(out[0], out[1]) << n;
            else
                EXPECT_NE(out[0], out[1]);
        }
    }
}

TEST(EngineAutomation, ResendingTheCurrentFilterTypeKeepsTheModulatedCutoff) {
    auto e = make_engine();
    e->set_parameter(E::filter_cutoff, 500.0f);
    e->set_normalised_parameter(E::filter_type, 0.5f);
    e->set_normalised_parameter(E::filter_lfo_mod, 1.0f);
    e->set_parameter(E::lfo_rate, 2.0f);
    settle(*e, 50);
    const float modulated = e->cutoff();
    ASSERT_NE(modulated, 500.0f);
    e->set_normalised_parameter(E::filter_type, 0.5f);
    EXPECT_EQ(e->current_filter(0)->frequency(), modulated);
    EXPECT_EQ(e->current_filter(1)->frequency(), modulated);
}

// Bursts of NaN, infinities and absurd values in the main and side-chain inputs, in every
// channel plan, route and filter type: the output stays finite throughout, and once finite
// input returns it is bounded again.
class NonFiniteInput : public testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(NonFiniteInput, LeavesNoLastingTrace) {
    const int plan = std::get<0>(GetParam());
    const int active_inputs = plan == 2 ? 2 : 1;
    const int active_outputs = plan == 0 ? 1 : 2;
    auto e = make_engine();
    e->set_normalised_parameter(E::rev_route, static_cast<float>(std::get<1>(GetParam())));
    e->set_normalised_parameter(E::filter_type, 0.5f * std::get<2>(GetParam()));
    e->set_normalised_parameter(E::filter_reson, 0.9f);
    e->set_normalised_parameter(E::env_trigger, 2.0f / 3.0f);
    e->set_normalised_parameter(E::filter_env_mod, 1.0f);
    e->set_normalised_parameter(E::master_env_mod, 1.0f);
    e->set_normalised_parameter(E::rev_mix, 0.5f);
    e->set_parameter(E::feedback, 0.0f);
    e->set_parameter(E::vca, 0.0f);
    const float bad[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e38f, FLT_MIN / 4.0f};
    const int frames = 4410;
    io b(frames);
    noise source(9);
    for (int pass = 0; pass < 12; ++pass) {
        const bool burst = pass % 3 == 1;
        for (int i = 0; i < frames; ++i) {
            float* channels[] = {&b.main_left[i], &b.main_right[i], &b.side_1[i], &b.side_2[i]};
            for (int c = 0; c < 4; ++c)
                *channels[c] = burst && (i + c) % 5 == 0 ? bad[(i / 5 + c) % 6] : source.next();
        }
        b.render(*e, active_inputs, active_outputs, 2);
        const float peak = peak_of(b, frames, active_outputs == 2);
        ASSERT_TRUE(std::isfinite(peak)) << "pass " << pass;
        // A tenth of a second after a burst, the chain is back within its usual range.
        if (pass % 3 == 2) {
            EXPECT_LT(peak, 10.0f) << "pass " << pass;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PlansRoutesTypes, NonFiniteInput,
                         testing::Combine(testing::Range(0, 3), testing::Range(0, 2),
                                          testing::Range(0, 3)));

// Every factory program, loud noise and then a long silence: no output sample is NaN,
// infinite or subnormal (validators count them).
class OutputHygiene : public testing::TestWithParam<std::tuple<int, float>> {};

TEST_P(OutputHygiene, NoNanInfinityOrSubnormal) {
    const int program = std::get<0>(GetParam());
    const float rate = std::get<1>(GetParam());
    corvane::test::test_host host;
    auto e = corvane::test::make_program_engine(program, rate, host);
    const int block = 512;
    io b(block);
    noise source(static_cast<std::uint32_t>(program + 40));
    const int loud = static_cast<int>(rate / 2) / block;
    const int total = loud + static_cast<int>(4.0f * rate) / block;
    for (int k = 0; k < total; ++k) {
        const float level = k < loud ? 2.0f : 0.0f;
        for (int i = 0; i < block; ++i) {
            b.main_left[i] = level * source.next();
            b.main_right[i] = level * source.next();
            b.side_1[i] = b.main_left[i];
            b.side_2[i] = b.main_right[i];
        }
        host.begin_block(*e);
        b.render(*e, 2, 2, 2);
        host.end_block(block);
        for (int i = 0; i < block; ++i) {
            ASSERT_TRUE(std::isfinite(b.out_left[i]) && std::isfinite(b.out_right[i]));
            ASSERT_FALSE(subnormal(b.out_left[i]) || subnormal(b.out_right[i]))
                << "block " << k << " sample " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, OutputHygiene,
                         testing::Combine(testing::Range(0, corvane::test::factory_program_count),
                                          testing::Values(44100.0f, 48000.0f, 96000.0f)));

// Every factory program at rates from 8 kHz to 384 kHz, in every channel plan and at block
// sizes from 1 to 8192: short renders of noise, all finite and bounded.
class RateBlockPlanSweep : public testing::TestWithParam<std::tuple<int, float>> {};

TEST_P(RateBlockPlanSweep, StaysFiniteAndBounded) {
    const int program = std::get<0>(GetParam());
    const float rate = std::get<1>(GetParam());
    const int sizes[] = {1, 7, 64, 256, 1024, 8192};
    io b(8192);
    for (int plan = 0; plan < 3; ++plan) {
        const int active_inputs = plan == 2 ? 2 : 1;
        const int active_outputs = plan == 0 ? 1 : 2;
        for (int size : sizes) {
            corvane::test::test_host host;
            auto e = corvane::test::make_program_engine(program, rate, host);
            noise source(static_cast<std::uint32_t>(size + plan));
            const int total = std::max(size, 2048);
            float peak = 0.0f;
            for (int done = 0; done < total; done += size) {
                for (int i = 0; i < size; ++i) {
                    b.main_left[i] = source.next();
                    b.main_right[i] = source.next();
                    b.side_1[i] = b.main_right[i];
                    b.side_2[i] = b.main_left[i];
                }
                host.begin_block(*e);
                b.render(*e, active_inputs, active_outputs, 2, 0, size);
                host.end_block(size);
                peak = std::max(peak, peak_of(b, size, active_outputs == 2));
            }
            EXPECT_LT(peak, 20.0f) << "plan " << plan << ", block " << size;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, RateBlockPlanSweep,
                         testing::Combine(testing::Range(0, corvane::test::factory_program_count),
                                          testing::Values(8000.0f, 11025.0f, 22050.0f, 44100.0f,
                                                          48000.0f, 96000.0f, 192000.0f,
                                                          384000.0f)));

} // namespace

namespace {

// Commands far outside their parameters' ranges (the plug-in never sends them, a direct caller
// may): the output stays finite and bounded, and once sane values return the effect works as
// before instead of staying silent.
class AbsurdCommands : public testing::TestWithParam<float> {};

TEST_P(AbsurdCommands, LeaveTheEngineWorking) {
    auto e = make_engine();
    e->set_normalised_parameter(E::mix, 0.5f);
    for (int index = 0; index < E::command_count; ++index)
        if (index != E::filter_type && index != E::lfo_shape && index != E::bypass)
            e->set_parameter(index, GetParam());
    io b(4096);
    noise source(3);
    for (int pass = 0; pass < 4; ++pass) {
        source.fill(b.main_left);
        source.fill(b.main_right);
        b.render(*e);
        ASSERT_TRUE(std::isfinite(peak_of(b, 4096))) << "pass " << pass;
    }
    // Sane values again: every command back to a usual setting.
    e->set_parameter(E::input, 0.0f);
    e->set_parameter(E::feedback, -60.0f);
    e->set_parameter(E::env_gain, 0.0f);
    e->set_parameter(E::vca, -6.0f);
    e->set_parameter(E::lfo_rate, 1.0f);
    e->set_parameter(E::filter_cutoff, 2000.0f);
    for (int index : {E::rev_decay, E::rev_mix, E::rev_freeze, E::filter_reson, E::filter_drive,
                      E::lfo_phase, E::lfo_skew, E::env_attack, E::env_decay, E::env_hpf})
        e->set_normalised_parameter(index, 0.3f);
    for (int index :
         {E::filter_lfo_mod, E::filter_env_mod, E::master_lfo_mod, E::master_env_mod, E::mix})
        e->set_normalised_parameter(index, 0.5f);
    e->set_parameter(E::env_hpf, 100.0f);
    settle(*e, 2000);
    for (int pass = 0; pass < 2; ++pass) {
        source.fill(b.main_left);
        source.fill(b.main_right);
        b.render(*e);
    }
    const float peak = peak_of(b, 4096);
    EXPECT_GT(peak, 0.1f);
    EXPECT_LT(peak, 10.0f);
}

INSTANTIATE_TEST_SUITE_P(Values, AbsurdCommands,
                         testing::Values(1e30f, -1e30f, 3e38f, -3e38f, 1e-30f));

} // namespace
