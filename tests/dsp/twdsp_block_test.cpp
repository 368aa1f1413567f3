#include "dsp/CCorvaneBPF.h"
#include "dsp/twdsp_block.h"
#include "dsp/twdsp_deverb.h"
#include "dsp/twdsp_filter_cascaded_highpass.h"
#include "dsp/twdsp_filter_dc_blocker.h"
#include "dsp/twdsp_filter_ms20_hp.h"
#include "dsp/twdsp_oscillator_LFO_skewed.h"
#include "dsp/twdsp_saturator_inv_atan.h"
#include "dsp/twdsp_smoother.h"
#include "dsp/twdsp_tilting_eq.h"

#include "dsp_test_signals.h"
#include "rt_probe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

using corvane::test::noise_source;

TEST(Block, BaseIsTheIdentityAndSetsItsRateFields) {
    twdsp_block b;
    EXPECT_EQ(b.sample_rate(), 44100.0f);
    EXPECT_EQ(b.sample_period(), 1.0f / 44100.0f);
    EXPECT_FLOAT_EQ(b.samples_per_millisecond(), 44.1f);
    b.set_sample_rate(96000.0f);
    EXPECT_EQ(b.sample_period(), 1.0f / 96000.0f);
    EXPECT_FLOAT_EQ(b.samples_per_millisecond(), 96.0f);
    EXPECT_EQ(b.process(0.75f), 0.75f);
}

TEST(Block, ProcessBlockOfZeroOrNullWritesNothing) {
    twdsp_smoother s;
    float in[2] = {1.0f, 1.0f};
    float out[2] = {-7.0f, -7.0f};
    s.process_block(in, out, 0);
    s.process_block(nullptr, out, 2);
    s.process_block(in, nullptr, 2);
    EXPECT_EQ(out[0], -7.0f);
    EXPECT_EQ(out[1], -7.0f);
    EXPECT_NEAR(s.value(), 0.0f, 5e-7f);
}

// Every block, built and driven only through the base interface.
struct block_case {
    const char* name;
    std::function<std::unique_ptr<twdsp_block>()> make;
};

class EveryBlock : public testing::TestWithParam<block_case> {};

TEST_P(EveryBlock, IgnoresUnusableRatesAndStaysFiniteOnNoise) {
    auto block = GetParam().make();
    for (float bad : {0.0f, -48000.0f, std::nanf(""), INFINITY})
        block->set_sample_rate(bad);
    EXPECT_EQ(block->sample_rate(), 44100.0f);
    noise_source noise;
    for (float rate : {8000.0f, 22050.0f, 44100.0f, 192000.0f, 384000.0f}) {
        block->set_sample_rate(rate);
        for (int i = 0; i < 20000; ++i)
            ASSERT_TRUE(std::isfinite(block->process(noise.next())));
    }
}

TEST_P(EveryBlock, ProcessesWithoutAllocating) {
    auto block = GetParam().make();
    std::vector<float> in(512, 0.25f), out(512);
    corvane::test::RealtimeProbe probe;
    block->process_block(in.data(), out.data(), 512);
    for (float& x : out)
        x = block->process(x);
    block->reset();
    block->set_parameter(0, 0.5f);
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
}

template <class T>
block_case make_case(const char* name) {
    return {name, [] { return std::unique_ptr<twdsp_block>(std::make_unique<T>()); }};
}

INSTANTIATE_TEST_SUITE_P(Dsp, EveryBlock,
                         testing::Values(make_case<twdsp_smoother>("smoother"),
                                         make_case<twdsp_smoother_lag_processor>("lag"),
                                         make_case<twdsp_deverb>("deverb"),
                                         make_case<twdsp_filter_ms20_lp>("ms20_lp"),
                                         make_case<twdsp_filter_ms20_hp>("ms20_hp"),
                                         make_case<CCorvaneBPF>("bpf"),
                                         make_case<twdsp_filter_rbj_high_pass>("rbj_hp"),
                                         make_case<twdsp_filter_cascaded_highpass>("cascaded"),
                                         make_case<twdsp_oscillator_LFO_skewed>("lfo"),
                                         make_case<twdsp_tilting_eq>("tilt"),
                                         make_case<twdsp_filter_kalden_low_shelf>("low_shelf"),
                                         make_case<twdsp_filter_kalden_high_shelf>("high_shelf"),
                                         make_case<twdsp_filter_dc_blocker>("dc_blocker"),
                                         make_case<twdsp_saturator_inv_atan>("saturator")),
                         [](const testing::TestParamInfo<block_case>& p) { return p.param.name; });

} // namespace
