#include "engine/CCorvaneEngine.h"

#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

namespace {

using corvane::test::io;
using corvane::test::make_engine;
using corvane::test::settle;
using E = CCorvaneEngine;

// One block of silence of the given length.
void run_frames(E& e, int frames) {
    io b(frames);
    b.render(e);
}

TEST(EngineModulation, VcaNeverExceedsUnity) {
    auto e = make_engine();
    e->set_parameter(E::vca, 0.0f);
    e->set_parameter(E::master_lfo_mod, 1.0f);
    e->set_parameter(E::master_env_mod, 1.0f);
    e->set_normalised_parameter(E::env_trigger, 1.0f / 3.0f); // MIDI
    e->set_note_gate(1.0f);
    for (int i = 0; i < 200; ++i) {
        run_frames(*e, 32);
        ASSERT_LE(e->vca_gain(), 1.0f);
    }
    EXPECT_EQ(e->vca_gain(), 1.0f);
}

TEST(EngineModulation, CutoffStaysWithinTwentyHertzAndTwentyKilohertz) {
    auto e = make_engine(96000.0f);
    e->set_normalised_parameter(E::env_trigger, 1.0f / 3.0f);
    e->set_note_gate(1.0f);
    e->set_parameter(E::filter_cutoff, 20000.0f);
    e->set_parameter(E::filter_env_mod, 1.0f);
    settle(*e);
    EXPECT_EQ(e->cutoff(), 20000.0f);
    e->set_parameter(E::filter_cutoff, 20.0f);
    e->set_parameter(E::filter_env_mod, -1.0f);
    // The ratio glides down from 2^60 to 2^-60: 0.4 s.
    settle(*e, 1500);
    EXPECT_EQ(e->cutoff(), 20.0f);
}

class LowRate : public testing::TestWithParam<float> {};

TEST_P(LowRate, CutoffStaysBelowNyquistAndTheFilterStable) {
    const float rate = GetParam();
    auto e = make_engine(rate);
    e->set_parameter(E::filter_cutoff, 20000.0f);
    e->set_normalised_parameter(E::filter_reson, 1.0f);
    e->set_normalised_parameter(E::mix, 1.0f);
    e->set_parameter(E::vca, 0.0f);
    e->set_parameter(E::input, 0.0f);
    io b(static_cast<int>(rate));
    corvane::test::noise().fill(b.main_left, 0.5f);
    b.main_right = b.main_left;
    b.render(*e);
    EXPECT_LE(e->cutoff(), 0.45f * rate);
    for (float x : b.out_left)
        ASSERT_TRUE(std::isfinite(x) && std::fabs(x) < 10.0f);
}

INSTANTIATE_TEST_SUITE_P(Rates, LowRate, testing::Values(8000.0f, 22050.0f, 32000.0f));

// The octave term is bounded only where 2^x would overflow: every factory program, fed bursts
// that drive its envelope as far as loud input does, renders the same samples as with no bound
// at all. A bound of 10 octaves would change program 17, whose term reaches about 34.
class OctaveBound : public testing::TestWithParam<std::tuple<int, float>> {};

TEST_P(OctaveBound, NeverActsOnAFactoryProgram) {
    const int program = std::get<0>(GetParam());
    const float rate = std::get<1>(GetParam());
    auto render_program = [&](float limit) {
        corvane::test::test_host host;
        auto e = corvane::test::make_program_engine(program, rate, host);
        if (limit > 0.0f) e->set_octave_limit(limit);
        const int block = 512;
        const int total = static_cast<int>(rate) / block * block;
        io b(total);
        corvane::test::noise source(static_cast<std::uint32_t>(program + 7));
        const int burst = static_cast<int>(rate / 4);
        for (int n = 0; n < total; ++n) {
            const float level = (n % burst) < burst / 3 ? 2.0f : 0.0f;
            b.main_left[n] = level * source.next();
            b.main_right[n] = level * source.next();
        }
        b.side_1 = b.main_left;
        b.side_2 = b.main_right;
        for (int done = 0; done < total; done += block) {
            host.begin_block(*e);
            b.render(*e, 2, 2, 2, done, block);
            host.end_block(block);
        }
        return b.out_left;
    };
    const std::vector<float> bounded = render_program(0.0f);
    EXPECT_EQ(bounded, render_program(INFINITY));
    if (program == 16 && rate == 44100.0f) {
        EXPECT_NE(bounded, render_program(10.0f));
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, OctaveBound,
                         testing::Combine(testing::Range(0, corvane::test::factory_program_count),
                                          testing::Values(44100.0f, 48000.0f, 96000.0f)));

TEST(EngineModulation, MidiGateOpensOnlyForNotesAtOrAboveTheThreshold) {
    auto e = make_engine();
    e->set_normalised_parameter(E::env_trigger, 1.0f / 3.0f);
    e->set_normalised_parameter(E::env_gain, 0.0f);
    e->set_note_gate(1.0f / 127.0f);
    settle(*e, 50);
    EXPECT_GT(e->envelope(), 0.05f);
    e->set_normalised_parameter(E::env_gain, 1.0f);
    e->set_note_gate(126.0f / 127.0f);
    settle(*e, 2000);
    EXPECT_NEAR(e->envelope(), 0.0f, 1e-4f);
    e->set_note_gate(1.0f);
    settle(*e, 50);
    EXPECT_GT(e->envelope(), 5.0f);
}

TEST(EngineModulation, LfoTriggerFeedsTheFollowerWhileTheSquareIsHigh) {
    auto e = make_engine();
    e->set_normalised_parameter(E::env_trigger, 1.0f);
    e->set_parameter(E::env_attack, 0.0f);
    e->set_parameter(E::lfo_shape, 2.0f);
    e->set_parameter(E::lfo_skew, 0.5f);
    e->set_parameter(E::lfo_rate, 2.0f);
    int high = 0;
    int low = 0;
    float previous = 0.0f;
    for (int i = 0; i < 2000; ++i) {
        run_frames(*e, 32);
        if (e->lfo_output() > 0.5f) {
            ASSERT_EQ(e->envelope(), 10.0f);
            ++high;
        } else {
            ASSERT_LE(e->envelope(), previous);
            ++low;
        }
        previous = e->envelope();
    }
    EXPECT_GT(high, 500);
    EXPECT_GT(low, 500);
}

TEST(EngineModulation, SyncedLfoIsEvaluatedAtTheHostPhaseThenAdvances) {
    auto e = make_engine();
    e->set_parameter(E::lfo_sync, 1.0f);
    e->set_parameter(E::lfo_shape, 1.0f); // ramp
    e->set_parameter(E::lfo_skew, 0.5f);
    e->set_sync_phase(0.5);
    e->set_sync_increment(0.125);
    run_frames(*e, 1);
    EXPECT_FLOAT_EQ(e->lfo_output(), 1.0f);
    EXPECT_DOUBLE_EQ(e->sync_phase(), 0.625);
    run_frames(*e, 32);
    EXPECT_FLOAT_EQ(e->lfo_output(), 0.75f); // ramp at 0.625: (1 - 0.625) × 4 - 1 = 0.5
}

TEST(EngineModulation, SyncedPhaseWrapsLikeWholeCycleSubtraction) {
    auto e = make_engine();
    e->set_parameter(E::lfo_sync, 1.0f);
    e->set_parameter(E::lfo_shape, 2.0f); // pulse: high below the skew
    e->set_parameter(E::lfo_skew, 0.5f);
    e->set_sync_phase(2.0); // comes to rest at 1.0, where the pulse is low
    run_frames(*e, 1);
    EXPECT_EQ(e->lfo_output(), 0.0f);
    e->set_sync_phase(2.25);
    run_frames(*e, 32);
    EXPECT_EQ(e->lfo_output(), 1.0f);
}

TEST(EngineModulation, BrokenSyncValuesNeitherHangNorPoison) {
    auto e = make_engine();
    e->set_parameter(E::lfo_sync, 1.0f);
    e->set_normalised_parameter(E::filter_lfo_mod, 1.0f);
    e->set_normalised_parameter(E::master_lfo_mod, 0.0f);
    for (double inc : {1e300, 1e18, -1e300, double(INFINITY), double(NAN)}) {
        e->set_sync_increment(inc);
        for (double phase : {1e300, -5.5, double(NAN), double(INFINITY), 0.3}) {
            e->set_sync_phase(phase);
            io b(256);
            corvane::test::noise().fill(b.main_left);
            b.render(*e);
            ASSERT_TRUE(std::isfinite(e->sync_phase()));
            ASSERT_TRUE(std::isfinite(e->lfo_output()));
            for (float x : b.out_left)
                ASSERT_TRUE(std::isfinite(x));
        }
    }
}

TEST(EngineModulation, LoudSidechainWithFullEnvelopeStaysFinite) {
    auto e = make_engine();
    e->set_normalised_parameter(E::env_trigger, 2.0f / 3.0f);
    e->set_normalised_parameter(E::env_gain, 1.0f);
    e->set_parameter(E::env_attack, 0.0f);
    e->set_parameter(E::filter_env_mod, 1.0f);
    e->set_parameter(E::master_env_mod, 1.0f);
    e->set_parameter(E::vca, 0.0f);
    e->set_normalised_parameter(E::rev_mix, 1.0f);
    io b(44100);
    corvane::test::noise().fill(b.side_1, 2.0f);
    corvane::test::noise(5).fill(b.side_2, 2.0f);
    corvane::test::noise(6).fill(b.main_left, 2.0f);
    b.main_right = b.main_left;
    for (int pass = 0; pass < 3; ++pass) {
        b.render(*e, 2, 2, 2);
        for (size_t n = 0; n < b.out_left.size(); ++n) {
            ASSERT_TRUE(std::isfinite(b.out_left[n])) << n;
            ASSERT_TRUE(std::isfinite(b.out_right[n])) << n;
        }
    }
    EXPECT_GT(e->envelope(), 10.0f);
    EXPECT_EQ(e->cutoff(), 0.45f * 44100.0f);
    EXPECT_EQ(e->vca_gain(), 1.0f);
}

TEST(EngineModulation, TicksStayThirtyTwoSamplesApartAcrossBlocks) {
    auto e = make_engine();
    e->set_parameter(E::lfo_rate, 0.01f);
    const float increment = 0.01f * 32.0f / 44100.0f;
    int total = 0;
    int ticks = 0;
    for (int frames : {24, 24, 1, 7, 100, 31, 32, 33, 0, 5, 1000, 3}) {
        run_frames(*e, frames);
        for (int i = 0; i < frames; ++i)
            if ((total + i) % 32 == 0) ++ticks;
        total += frames;
        ASSERT_EQ(e->control_counter(), (total - 1) % 32) << total;
    }
    EXPECT_NEAR(e->lfo().phase(), ticks * increment, 1e-6f);
}

} // namespace
