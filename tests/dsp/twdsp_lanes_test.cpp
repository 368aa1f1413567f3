#include "dsp/CCorvaneBPF.h"
#include "dsp/twdsp_filter_cascaded_highpass.h"
#include "dsp/twdsp_filter_dc_blocker.h"
#include "dsp/twdsp_filter_ms20_hp.h"
#include "dsp/twdsp_filter_ms20_lp.h"
#include "dsp/twdsp_filter_rbj_high_pass.h"
#include "dsp/twdsp_lanes.h"
#include "dsp/twdsp_saturator_inv_atan.h"
#include "dsp/twdsp_tilting_eq.h"

#include "dsp_test_signals.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

using corvane::test::noise_source;

// How each block is set up for the left (0) and right (1) channel: different settings, so
// that a lane mixed up with the other shows.
void configure(twdsp_filter& f, int channel) {
    f.set_sample_rate(48000.0f);
    f.set_frequency(channel ? 3100.0f : 700.0f);
    f.set_resonance(channel ? 0.95f : 0.6f);
}
void configure(twdsp_tilting_eq& eq, int channel) {
    eq.set_sample_rate(48000.0f);
    eq.set_tilt_range(9.0f);
    eq.set_tilt(channel ? 0.9f : 0.2f);
}
void configure(twdsp_saturator_inv_atan& s, int channel) {
    s.set_drive(channel ? 6.0f : 0.7f);
}

// Settings changed while the blocks run (the pairs then take the new coefficients).
void reconfigure(twdsp_filter& f, int channel) {
    f.set_frequency(channel ? 900.0f : 5200.0f);
    f.set_resonance(channel ? 0.3f : 0.99f);
}
void reconfigure(twdsp_tilting_eq& eq, int channel) {
    eq.set_tilt(channel ? 0.1f : 0.7f);
}
void reconfigure(twdsp_saturator_inv_atan& s, int channel) {
    s.set_drive(channel ? 2.0f : 4.0f);
}

float scalar_step(twdsp_block& b, float x) {
    return b.process(x);
}

twdsp_f4 lane_step(twdsp_filter_cascaded_highpass::pair& p, twdsp_f4 x) {
    const twdsp_d2 y = p.process(twdsp_d2{x[0], x[1]});
    return twdsp_pair(static_cast<float>(y[0]), static_cast<float>(y[1]));
}
template <class Pair>
twdsp_f4 lane_step(Pair& p, twdsp_f4 x) {
    return p.process(x);
}

// The same step with the memories held outside the pair, where the pair lends them out.
template <class Pair>
auto held_step(Pair& p, twdsp_f4 x, int) -> decltype(p.memory(), twdsp_f4{}) {
    auto m = p.memory();
    const twdsp_f4 y = p.process(x, m);
    p.set_memory(m);
    return y;
}
twdsp_f4 held_step(twdsp_filter_cascaded_highpass::pair& p, twdsp_f4 x, int) {
    auto m = p.memory();
    const twdsp_d2 y = p.process(twdsp_d2{x[0], x[1]}, m);
    p.set_memory(m);
    return twdsp_pair(static_cast<float>(y[0]), static_cast<float>(y[1]));
}
template <class Pair>
twdsp_f4 held_step(Pair& p, twdsp_f4 x, long) {
    return lane_step(p, x);
}

template <class Pair>
void store(Pair& p, int count) {
    p.store(count);
}
void store(twdsp_saturator_inv_atan::pair&, int) {}

// The pair takes its blocks' changed coefficients; a pair without memories is made again, and
// the blocker has no settings.
template <class Pair, class Block>
auto load_coefficients(Pair& p, Block (&)[2], int) -> decltype(p.load_coefficients()) {
    p.load_coefficients();
}
void load_coefficients(twdsp_saturator_inv_atan::pair& p, twdsp_saturator_inv_atan (&blocks)[2],
                       int) {
    p = twdsp_saturator_inv_atan::pair(blocks[0], blocks[1]);
}
template <class Pair, class Block>
void load_coefficients(Pair&, Block (&)[2], long) {}

template <class Block>
struct lanes_case {
    using block = Block;
    using pair = typename Block::pair;
};

template <class Case>
class BlockLanes : public testing::Test {};

using cases =
    testing::Types<lanes_case<twdsp_filter_ms20_lp>, lanes_case<twdsp_filter_ms20_hp>,
                   lanes_case<CCorvaneBPF>, lanes_case<twdsp_filter_rbj_high_pass>,
                   lanes_case<twdsp_tilting_eq>, lanes_case<twdsp_saturator_inv_atan>,
                   lanes_case<twdsp_filter_dc_blocker>, lanes_case<twdsp_filter_cascaded_highpass>>;
TYPED_TEST_SUITE(BlockLanes, cases);

// Two blocks run as the lanes of one give exactly what each gives alone, with the memories in
// the pair or lent out, through a change of settings; they hand their state back so that they
// go on as if they had run alone all along; store(1) hands back only the first.
TYPED_TEST(BlockLanes, MatchTheScalarStepExactly) {
    using block = typename TypeParam::block;
    using pair = typename TypeParam::pair;
    block lanes[2], alone[2], partial[2];
    for (int c = 0; c < 2; ++c) {
        configure(lanes[c], c);
        configure(alone[c], c);
        configure(partial[c], c);
    }
    noise_source left(1), right(2);
    for (int round = 0; round < 3; ++round) {
        pair p(lanes[0], lanes[1]);
        pair q(partial[0], partial[1]);
        for (int n = 0; n < 2000; ++n) {
            if (n == 1000 && round == 1) {
                for (int c = 0; c < 2; ++c) {
                    reconfigure(lanes[c], c);
                    reconfigure(alone[c], c);
                    reconfigure(partial[c], c);
                }
                load_coefficients(p, lanes, 0);
                load_coefficients(q, partial, 0);
            }
            const float l = 2.0f * left.next();
            const float r = 2.0f * right.next();
            const twdsp_f4 y = lane_step(p, twdsp_pair(l, r));
            const twdsp_f4 z = held_step(q, twdsp_pair(l, r), 0);
            ASSERT_EQ(y[0], scalar_step(alone[0], l)) << "round " << round << ", sample " << n;
            ASSERT_EQ(y[1], scalar_step(alone[1], r)) << "round " << round << ", sample " << n;
            ASSERT_EQ(z[0], y[0]) << "round " << round << ", sample " << n;
        }
        store(p, 2);
        store(q, 1);
        // The stored state carries on one sample at a time.
        for (int n = 0; n < 100; ++n) {
            const float l = left.next();
            const float r = right.next();
            const float expected = scalar_step(alone[0], l);
            ASSERT_EQ(scalar_step(lanes[0], l), expected);
            ASSERT_EQ(scalar_step(partial[0], l), expected);
            ASSERT_EQ(scalar_step(lanes[1], r), scalar_step(alone[1], r));
        }
    }
    // The second of the partially stored pair never ran outside the lanes, and stepped from
    // its initial state it answers like a fresh block.
    block fresh;
    configure(fresh, 1);
    reconfigure(fresh, 1);
    for (int n = 0; n < 50; ++n) {
        const float x = left.next();
        ASSERT_EQ(scalar_step(partial[1], x), scalar_step(fresh, x));
    }
}

TEST(Lanes, FlushAndFiniteNormalFollowTheExponentBits) {
    const float sub = FLT_MIN / 8.0f;
    const twdsp_f4 x = {sub, -0.0f, 1.5f, -FLT_MIN};
    const twdsp_f4 f = twdsp_flush(x);
    EXPECT_EQ(f[0], 0.0f);
    EXPECT_FALSE(std::signbit(f[1]));
    EXPECT_EQ(f[2], 1.5f);
    EXPECT_EQ(f[3], -FLT_MIN);
    EXPECT_TRUE(std::isnan(twdsp_flush(twdsp_f4{NAN, 0, 0, 0})[0]));
    const twdsp_f4 g = twdsp_finite_normal(twdsp_f4{NAN, INFINITY, sub, -2.0f});
    EXPECT_EQ(g[0], 0.0f);
    EXPECT_EQ(g[1], 0.0f);
    EXPECT_EQ(g[2], 0.0f);
    EXPECT_EQ(g[3], -2.0f);
    for (float v : {NAN, -INFINITY, sub, 3.0f})
        EXPECT_EQ(twdsp_finite_normal(v), twdsp_finite_normal(twdsp_f4{v, 0, 0, 0})[0]);
}

TEST(Lanes, TransposeTurnsRowsIntoColumns) {
    twdsp_f4 a = {0, 1, 2, 3}, b = {4, 5, 6, 7}, c = {8, 9, 10, 11}, d = {12, 13, 14, 15};
    twdsp_transpose(a, b, c, d);
    const twdsp_f4 rows[4] = {a, b, c, d};
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(rows[r][k], static_cast<float>(4 * k + r));
}

} // namespace
