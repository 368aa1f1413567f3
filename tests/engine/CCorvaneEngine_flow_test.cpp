#include "engine/CCorvaneEngine.h"

#include "engine_test_support.h"
#include "rt_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

using corvane::test::io;
using corvane::test::make_engine;
using corvane::test::noise;
using corvane::test::settle;
using E = CCorvaneEngine;

// A setting with everything in the signal path active.
void busy(E& e) {
    e.set_normalised_parameter(E::rev_mix, 0.6f);
    e.set_normalised_parameter(E::rev_decay, 0.8f);
    e.set_normalised_parameter(E::rev_color, 0.3f);
    e.set_parameter(E::filter_cutoff, 900.0f);
    e.set_normalised_parameter(E::filter_reson, 0.7f);
    e.set_normalised_parameter(E::filter_type, 0.5f);
    e.set_normalised_parameter(E::filter_drive, 0.6f);
    e.set_normalised_parameter(E::filter_lfo_mod, 0.8f);
    e.set_normalised_parameter(E::filter_env_mod, 0.7f);
    e.set_parameter(E::lfo_rate, 3.0f);
    e.set_normalised_parameter(E::env_gain, 0.7f);
    e.set_parameter(E::feedback, -20.0f);
    e.set_parameter(E::vca, -10.0f);
    e.set_normalised_parameter(E::master_lfo_mod, 0.8f);
    e.set_normalised_parameter(E::mix, 0.8f);
}

double max_difference(const std::vector<float>& a, const std::vector<float>& b, size_t from = 0) {
    double d = 0.0;
    for (size_t i = from; i < a.size(); ++i)
        d = std::max(d, std::fabs(double(a[i]) - b[i]));
    return d;
}

TEST(EngineFlow, MixZeroGivesTheInputBackOnceSettled) {
    auto e = make_engine();
    busy(*e);
    e->set_normalised_parameter(E::mix, 0.0f);
    settle(*e);
    io b(4096);
    noise().fill(b.main_left);
    noise(3).fill(b.main_right);
    b.render(*e);
    EXPECT_EQ(e->dry_gain(), 1.0f);
    // The mix smoother comes to rest within one step of the float grid near its +5 offset,
    // which leaves the wet path more than 100 dB down.
    EXPECT_LT(e->wet_gain(), 1e-5f);
    EXPECT_LT(max_difference(b.out_left, b.main_left), 1e-5);
    EXPECT_LT(max_difference(b.out_right, b.main_right), 1e-5);
}

TEST(EngineFlow, BypassFadesToDryAndBackToTheStoredMix) {
    auto e = make_engine();
    busy(*e);
    e->set_normalised_parameter(E::mix, 1.0f);
    settle(*e);
    io wet(2048);
    noise().fill(wet.main_left);
    wet.main_right = wet.main_left;
    wet.render(*e);
    EXPECT_GT(max_difference(wet.out_left, wet.main_left), 0.1);
    e->set_normalised_parameter(E::bypass, 1.0f);
    io fade(44100 / 5);
    noise(4).fill(fade.main_left);
    fade.main_right = fade.main_left;
    fade.render(*e);
    // A fade, not a jump: early samples still differ, the end is the dry input.
    EXPECT_GT(std::fabs(fade.out_left[40] - fade.main_left[40]), 1e-3f);
    EXPECT_LT(max_difference(fade.out_left, fade.main_left, fade.main_left.size() - 512), 1e-5);
    e->set_normalised_parameter(E::bypass, 0.0f);
    settle(*e);
    EXPECT_NEAR(e->wet_gain(), 1.0f, 1e-6f);
}

TEST(EngineFlow, BothRoutesAgreeWithoutReverb) {
    auto a = make_engine();
    auto b = make_engine();
    for (E* e : {a.get(), b.get()}) {
        busy(*e);
        e->set_normalised_parameter(E::rev_mix, 0.0f);
        e->set_parameter(E::feedback, -60.0f);
    }
    b->set_normalised_parameter(E::rev_route, 1.0f);
    settle(*a);
    settle(*b);
    io x(8192), y(8192);
    noise().fill(x.main_left, 0.5f);
    noise(2).fill(x.main_right, 0.5f);
    y.main_left = x.main_left;
    y.main_right = x.main_right;
    x.render(*a);
    y.render(*b);
    EXPECT_LT(max_difference(x.out_left, y.out_left), 1e-4);
    EXPECT_LT(max_difference(x.out_right, y.out_right), 1e-4);
}

// Envelope after a second of noise on the chosen channels only.
float envelope_after(int active_inputs, int trigger_step, int sidechains, bool main_left,
                     bool main_right, bool side_1, bool side_2) {
    auto e = make_engine();
    e->set_normalised_parameter(E::env_trigger, trigger_step / 3.0f);
    e->set_normalised_parameter(E::env_gain, 0.5f);
    io b(44100);
    if (main_left) noise(1).fill(b.main_left);
    if (main_right) noise(2).fill(b.main_right);
    if (side_1) noise(3).fill(b.side_1);
    if (side_2) noise(4).fill(b.side_2);
    b.render(*e, active_inputs, 2, sidechains);
    return e->envelope();
}

TEST(EngineFlow, DetectorListensWhereThePlanAndTriggerModeSay) {
    const float heard = 0.01f;
    // Stereo, main-input trigger: the side-chain is ignored.
    EXPECT_LT(envelope_after(2, 0, 2, false, false, true, true), heard);
    EXPECT_GT(envelope_after(2, 0, 2, true, false, false, false), heard);
    // Stereo, side-chain trigger without side-chain: main inputs.
    EXPECT_GT(envelope_after(2, 2, 0, false, true, false, false), heard);
    // One side-chain channel: side 1 on the left, main R on the right.
    EXPECT_GT(envelope_after(2, 2, 1, false, false, true, false), heard);
    EXPECT_GT(envelope_after(2, 2, 1, false, true, false, false), heard);
    EXPECT_LT(envelope_after(2, 2, 1, true, false, false, true), heard);
    // Two: side 1 and side 2.
    EXPECT_GT(envelope_after(2, 2, 2, false, false, false, true), heard);
    EXPECT_LT(envelope_after(2, 2, 2, true, true, false, false), heard);
    // Mono input: side-chain 1 whenever one is connected, in every trigger mode.
    EXPECT_GT(envelope_after(1, 0, 1, false, false, true, false), heard);
    EXPECT_LT(envelope_after(1, 0, 1, true, false, false, false), heard);
    EXPECT_GT(envelope_after(1, 0, 0, true, false, false, false), heard);
    EXPECT_LT(envelope_after(1, 0, 0, false, true, false, false), heard);
}

TEST(EngineFlow, MonoPlanWritesOnlyTheLeftOutputAndMonoToStereoUsesMainLeft) {
    auto e = make_engine();
    e->set_normalised_parameter(E::mix, 0.0f);
    settle(*e);
    io b(1024);
    noise().fill(b.main_left);
    noise(8).fill(b.main_right);
    std::fill(b.out_right.begin(), b.out_right.end(), 7.0f);
    b.render(*e, 1, 1);
    EXPECT_TRUE(
        std::all_of(b.out_right.begin(), b.out_right.end(), [](float x) { return x == 7.0f; }));
    EXPECT_LT(max_difference(b.out_left, b.main_left), 1e-5);
    b.render(*e, 1, 2);
    EXPECT_LT(max_difference(b.out_right, b.main_left), 1e-5);
}

TEST(EngineFlow, OutputDoesNotDependOnHowTheHostSplitsBlocks) {
    const int frames = 6000;
    io whole(frames), split(frames);
    noise().fill(whole.main_left);
    noise(2).fill(whole.main_right);
    noise(3).fill(whole.side_1);
    split.main_left = whole.main_left;
    split.main_right = whole.main_right;
    split.side_1 = whole.side_1;
    auto a = make_engine();
    auto b = make_engine();
    busy(*a);
    busy(*b);
    for (E* e : {a.get(), b.get()})
        e->set_normalised_parameter(E::env_trigger, 2.0f / 3.0f);
    // Rev Decay and Rev Freeze change between the two halves, within one of the reverb's
    // chunks: each engine takes them at that chunk's end, however its host split the blocks.
    const int change = 3000;
    auto change_reverb = [](E& e) {
        e.set_normalised_parameter(E::rev_decay, 0.3f);
        e.set_normalised_parameter(E::rev_freeze, 1.0f);
    };
    whole.render(*a, 2, 2, 1, 0, change);
    change_reverb(*a);
    whole.render(*a, 2, 2, 1, change, frames - change);
    const int sizes[] = {1, 2, 31, 32, 33, 255, 256, 257, 1000};
    for (int done = 0, k = 0; done < frames; ++k) {
        if (done == change) change_reverb(*b);
        const int n = std::min(sizes[k % 9], (done < change ? change : frames) - done);
        split.render(*b, 2, 2, 1, done, n);
        done += n;
    }
    EXPECT_EQ(whole.out_left, split.out_left);
    EXPECT_EQ(whole.out_right, split.out_right);
    EXPECT_EQ(a->reverb().effective_feedback(), 1.0f);
}

TEST(EngineFlow, EmptyAndNullBuffersAreHandled) {
    auto e = make_engine();
    float out_l[4] = {9, 9, 9, 9};
    float out_r[4] = {9, 9, 9, 9};
    float* out[2] = {out_l, out_r};
    const float in[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    const float* ins[4] = {in, in, in, in};
    e->process_buffers(ins, out, 2, 2, 0, 0);
    e->process_buffers(ins, out, 2, 2, 0, -5);
    EXPECT_EQ(out_l[0], 9.0f);
    EXPECT_EQ(e->control_counter(), E::control_interval); // no tick ran
    e->process_buffers(ins, nullptr, 2, 2, 0, 4);
    e->process_buffers(nullptr, out, 2, 2, 2, 4);
    EXPECT_TRUE(std::isfinite(out_l[3]));
    const float* partial[4] = {in, nullptr, nullptr, nullptr};
    float* left_only[2] = {out_l, nullptr};
    e->process_buffers(partial, left_only, 2, 2, 2, 4);
    EXPECT_TRUE(std::isfinite(out_l[3]));
}

TEST(EngineFlow, BrokenInputSamplesLeaveNoLastingTrace) {
    auto e = make_engine();
    busy(*e);
    io b(2048);
    noise().fill(b.main_left);
    b.main_right = b.main_left;
    b.main_left[100] = NAN;
    b.main_right[200] = INFINITY;
    b.main_left[300] = -1e38f;
    b.render(*e);
    for (float x : b.out_left)
        ASSERT_TRUE(std::isfinite(x));
    for (float x : b.out_right)
        ASSERT_TRUE(std::isfinite(x));
}

TEST(EngineFlow, RendersWithoutAllocatingOrLocking) {
    auto e = make_engine(48000.0f);
    busy(*e);
    io b(512);
    noise().fill(b.main_left);
    b.main_right = b.main_left;
    b.side_1 = b.main_left;
    corvane::test::RealtimeProbe probe;
    for (int route = 0; route < 2; ++route)
        for (int type = 0; type < 3; ++type) {
            e->set_parameter(E::rev_route, static_cast<float>(route));
            e->set_parameter(E::filter_type, static_cast<float>(type));
            e->set_parameter(E::filter_cutoff, 1500.0f);
            b.render(*e, 2, 2, 1);
            b.render(*e, 1, 2, 1);
            b.render(*e, 1, 1, 0);
        }

    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
}

// Noise through every factory program at several rates and block sizes, with the host's
// tempo sync running: every output sample finite and bounded.
class FactorySweep : public testing::TestWithParam<std::tuple<int, float>> {};

TEST_P(FactorySweep, NoiseStaysFiniteAndBounded) {
    const int program = std::get<0>(GetParam());
    const float rate = std::get<1>(GetParam());
    corvane::test::test_host host;
    auto e = corvane::test::make_program_engine(program, rate, host);
    const int sizes[] = {1, 7, 64, 333, 4096};
    const int total = static_cast<int>(rate / 2);
    io b(4096);
    noise source(static_cast<std::uint32_t>(program + 1));
    float peak = 0.0f;
    for (int done = 0, k = 0; done < total; ++k) {
        const int n = std::min(sizes[k % 5], total - done);
        for (int i = 0; i < n; ++i) {
            b.main_left[i] = source.next();
            b.main_right[i] = source.next();
            b.side_1[i] = b.main_left[i];
            b.side_2[i] = b.main_right[i];
        }
        host.begin_block(*e);
        b.render(*e, 2, 2, 2, 0, n);
        host.end_block(n);
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(std::isfinite(b.out_left[i]) && std::isfinite(b.out_right[i])) << done + i;
            peak = std::max({peak, std::fabs(b.out_left[i]), std::fabs(b.out_right[i])});
        }
        done += n;
    }
    EXPECT_LT(peak, 20.0f);
}

INSTANTIATE_TEST_SUITE_P(Programs, FactorySweep,
                         testing::Combine(testing::Range(0, 20),
                                          testing::Values(22050.0f, 44100.0f, 48000.0f, 96000.0f,
                                                          192000.0f)));

} // namespace
