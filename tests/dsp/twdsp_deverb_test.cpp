#include "dsp/twdsp_deverb.h"

#include "dsp_test_signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>
#include <xmmintrin.h>

namespace {

using corvane::test::noise_source;

// The reverb is too large for a test's stack.
std::unique_ptr<twdsp_deverb> make_reverb() {
    return std::make_unique<twdsp_deverb>();
}

struct stereo {
    std::vector<float> left, right;
};

stereo run(twdsp_deverb& r, int frames, float in_left = 0.0f, float in_right = 0.0f,
           bool impulse = false) {
    stereo out{std::vector<float>(frames), std::vector<float>(frames)};
    for (int n = 0; n < frames; ++n) {
        const bool on = !impulse || n == 0;
        r.process_stereo(on ? in_left : 0.0f, on ? in_right : 0.0f, &out.left[n], &out.right[n]);
    }
    return out;
}

int first_nonzero(const std::vector<float>& v) {
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i] != 0.0f) return static_cast<int>(i);
    return -1;
}

double energy(const std::vector<float>& v, size_t from, size_t to) {
    double e = 0.0;
    for (size_t i = from; i < to; ++i)
        e += static_cast<double>(v[i]) * v[i];
    return e;
}

void feed_noise(twdsp_deverb& r, int frames, unsigned seed = 7) {
    noise_source noise(seed);
    float l, rr;
    for (int n = 0; n < frames; ++n)
        r.process_stereo(noise.next(), noise.next(), &l, &rr);
}

TEST(Deverb, LengthsAt44100And48000AndBack) {
    auto r = make_reverb();
    const int left44[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const int right44[] = {1139, 1211, 1300, 1379, 1445, 1514, 1580, 1640};
    const int allpass44[] = {556, 441, 341, 225, 579, 464, 364, 248};
    const int left48[] = {1215, 1293, 1390, 1476, 1548, 1623, 1695, 1760};
    auto expect44 = [&] {
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(r->comb_length(i), left44[i]) << i;
            EXPECT_EQ(r->comb_length(8 + i), right44[i]) << i;
            EXPECT_EQ(r->allpass_length(i), allpass44[i]) << i;
        }
    };
    expect44();
    r->set_sample_rate(48000.0f);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(r->comb_length(i), left48[i]) << i;
    r->set_sample_rate(44100.0f);
    expect44();
}

TEST(Deverb, LengthsNeverExceedTheirCapacitiesAboveTheReferenceRate) {
    auto r = make_reverb();
    r->set_sample_rate(192000.0f);
    std::vector<int> at_reference;
    for (int i = 0; i < twdsp_deverb::combs; ++i)
        at_reference.push_back(r->comb_length(i));
    EXPECT_EQ(at_reference[0], 4859);
    EXPECT_EQ(at_reference[15], 7140);
    for (float rate : {384000.0f, 768000.0f, 1e9f}) {
        r->set_sample_rate(rate);
        for (int i = 0; i < twdsp_deverb::combs; ++i)
            EXPECT_EQ(r->comb_length(i), at_reference[i]);
        EXPECT_EQ(r->allpass_length(0), 2421);
        EXPECT_EQ(r->allpass_length(7), 1080);
        auto out = run(*r, 20000, 1.0f, 1.0f, true);
        for (float x : out.left)
            ASSERT_TRUE(std::isfinite(x));
    }
}

TEST(Deverb, SilenceIsExactlyZeroAlsoAfterLengtheningTheLines) {
    auto r = make_reverb();
    auto a = run(*r, 5000);
    r->set_sample_rate(96000.0f);
    auto b = run(*r, 20000);
    EXPECT_EQ(energy(a.left, 0, a.left.size()) + energy(a.right, 0, a.right.size()), 0.0);
    EXPECT_EQ(energy(b.left, 0, b.left.size()) + energy(b.right, 0, b.right.size()), 0.0);
}

struct onset_case {
    float rate;
    int left;
    int right;
};

class DeverbOnset : public testing::TestWithParam<onset_case> {};

TEST_P(DeverbOnset, LeftImpulseReachesBothNetworksAfterTheShortestCombs) {
    auto r = make_reverb();
    r->set_sample_rate(GetParam().rate);
    auto out = run(*r, 6000, 1.0f, 0.0f, true);
    EXPECT_EQ(first_nonzero(out.left), GetParam().left);
    EXPECT_EQ(first_nonzero(out.right), GetParam().right);
}

INSTANTIATE_TEST_SUITE_P(Rates, DeverbOnset,
                         testing::Values(onset_case{44100.0f, 1116, 1139},
                                         onset_case{48000.0f, 1215, 1240},
                                         onset_case{192000.0f, 4859, 4959}),
                         [](const testing::TestParamInfo<onset_case>& p) {
                             return std::to_string(static_cast<int>(p.param.rate));
                         });

TEST(Deverb, WidthOneKeepsEachOutputToItsOwnNetwork) {
    // The mono operation runs the left network alone; at width 1 the stereo left output must
    // be exactly that, whatever the right network does.
    auto stereo_reverb = make_reverb();
    auto mono_reverb = make_reverb();
    noise_source noise;
    for (int n = 0; n < 10000; ++n) {
        const float x = noise.next();
        float l, r;
        stereo_reverb->process_stereo(x, 0.0f, &l, &r);
        ASSERT_EQ(l, mono_reverb->process(x)) << n;
    }
}

// The width law: each output is (w / 2 + 1/2) of its own network and (1 - w) / 2 of the other,
// measured against a twin at width 1 (each network alone); at width 0 both outputs are one.
TEST(Deverb, WidthMixesTheTwoNetworks) {
    for (float w : {0.0f, 0.3f, 0.75f}) {
        auto wide = make_reverb();
        auto r = make_reverb();
        r->set_parameter(twdsp_deverb::width, w);
        const double direct = w / 2.0 + 0.5;
        const double cross = (1.0 - w) / 2.0;
        noise_source noise;
        for (int n = 0; n < 5000; ++n) {
            const float a = noise.next();
            const float b = noise.next();
            float l1, r1, l, rr;
            wide->process_stereo(a, b, &l1, &r1);
            r->process_stereo(a, b, &l, &rr);
            ASSERT_NEAR(l, direct * l1 + cross * r1, 1e-6) << w << " at " << n;
            ASSERT_NEAR(rr, direct * r1 + cross * l1, 1e-6) << w << " at " << n;
            if (w == 0.0f) {
                ASSERT_EQ(l, rr);
            }
        }
    }
}

TEST(Deverb, FreezeSustainsTheTailAndIgnoresNewInput) {
    auto fed = make_reverb();
    auto quiet = make_reverb();
    feed_noise(*fed, 20000);
    feed_noise(*quiet, 20000);
    fed->set_parameter(twdsp_deverb::freeze, 1.0f);
    quiet->set_parameter(twdsp_deverb::freeze, 1.0f);
    EXPECT_EQ(fed->input_gain(), 0.0f);
    noise_source noise;
    std::vector<float> held(3 * 44100);
    for (size_t n = 0; n < held.size(); ++n) {
        float l, r, ql, qr;
        fed->process_stereo(noise.next(), noise.next(), &l, &r);
        quiet->process_stereo(0.0f, 0.0f, &ql, &qr);
        ASSERT_EQ(l, ql);
        held[n] = l;
    }
    const double first = energy(held, 0, 44100);
    const double last = energy(held, 2 * 44100, 3 * 44100);
    EXPECT_GT(first, 0.0);
    EXPECT_NEAR(last / first, 1.0, 0.1);
}

TEST(Deverb, LeavingFreezeRestoresRoomAndDampingExactly) {
    auto never = make_reverb();
    auto toggled = make_reverb();
    for (auto* r : {never.get(), toggled.get()}) {
        r->set_parameter(twdsp_deverb::room_size, 0.37f);
        r->set_parameter(twdsp_deverb::damping, 0.81f);
    }
    const float feedback = never->effective_feedback();
    const float damping = never->effective_damping();
    toggled->set_parameter(twdsp_deverb::freeze, 0.9f);
    EXPECT_EQ(toggled->effective_feedback(), 1.0f);
    EXPECT_EQ(toggled->effective_damping(), 0.0f);
    toggled->set_parameter(twdsp_deverb::freeze, 0.2f);
    EXPECT_EQ(toggled->effective_feedback(), feedback);
    EXPECT_EQ(toggled->effective_damping(), damping);
    EXPECT_EQ(toggled->input_gain(), 0.015f);
    noise_source noise(3);
    for (int n = 0; n < 20000; ++n) {
        float l1, r1, l2, r2;
        const float x = noise.next();
        const float y = noise.next();
        never->process_stereo(x, y, &l1, &r1);
        toggled->process_stereo(x, y, &l2, &r2);
        ASSERT_EQ(l1, l2) << n;
        ASSERT_EQ(r1, r2) << n;
    }
}

TEST(Deverb, TailDecaysAgainAfterFreeze) {
    auto r = make_reverb();
    feed_noise(*r, 20000);
    r->set_parameter(twdsp_deverb::freeze, 1.0f);
    run(*r, 44100);
    r->set_parameter(twdsp_deverb::freeze, 0.0f);
    auto out = run(*r, 3 * 44100);
    const double first = energy(out.left, 0, 44100);
    const double last = energy(out.left, 2 * 44100, 3 * 44100);
    EXPECT_LT(last, first * 1e-3);
}

TEST(Deverb, UnknownParameterIndicesAndNaNChangeNothing) {
    auto reference = make_reverb();
    auto poked = make_reverb();
    poked->set_parameter(4, 1.0f);
    poked->set_parameter(-1, 1.0f);
    poked->set_parameter(twdsp_deverb::room_size, std::nanf(""));
    auto a = run(*reference, 3000, 1.0f, 0.5f, true);
    auto b = run(*poked, 3000, 1.0f, 0.5f, true);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
}

TEST(Deverb, RoomSizeBeyondRangeIsClampedAndStaysBounded) {
    auto r = make_reverb();
    r->set_parameter(twdsp_deverb::room_size, 5.0f);
    EXPECT_FLOAT_EQ(r->effective_feedback(), 0.98f);
    feed_noise(*r, 20000);
    auto out = run(*r, 10 * 44100);
    EXPECT_LT(energy(out.left, 9 * 44100, 10 * 44100), energy(out.left, 0, 44100));
}

TEST(Deverb, ResetClearsTheTailButKeepsTheSettings) {
    auto fresh = make_reverb();
    auto used = make_reverb();
    for (auto* r : {fresh.get(), used.get()})
        r->set_parameter(twdsp_deverb::room_size, 0.9f);
    feed_noise(*used, 20000);
    used->reset();
    auto quiet = run(*used, 1000);
    EXPECT_EQ(energy(quiet.left, 0, quiet.left.size()), 0.0);
    auto a = run(*fresh, 30000, 1.0f, 1.0f, true);
    auto b = run(*used, 30000, 1.0f, 1.0f, true);
    // The lowpass states are not cleared, so only the decay is compared.
    EXPECT_NEAR(energy(b.left, 20000, 30000) / energy(a.left, 20000, 30000), 1.0, 0.05);
}

TEST(Deverb, RateChangeKeepsTheTail) {
    auto r = make_reverb();
    feed_noise(*r, 20000);
    r->set_sample_rate(48000.0f);
    auto out = run(*r, 2000);
    EXPECT_GT(energy(out.left, 0, out.left.size()), 0.0);
}

} // namespace

namespace {

// The block form against the step-by-step ones: render_wet and feed over blocks of any size
// (limited to the shortest comb) give exactly the samples of process_stereo, and on the left
// those of the mono network fed the same input, through rate changes that shorten the lines
// under running positions, and through freeze.
class DeverbBlocks : public testing::TestWithParam<float> {};

TEST_P(DeverbBlocks, MatchTheStepByStepOperationsExactly) {
    auto stepped = make_reverb();
    auto blocked = make_reverb();
    auto mono = make_reverb();
    noise_source noise(5);
    const int sizes[] = {1, 3, 4, 31, 256, 7, 200, 64, 5};
    std::vector<float> in_left(twdsp_deverb::max_block), in_right(twdsp_deverb::max_block);
    std::vector<float> out_left(twdsp_deverb::max_block), out_right(twdsp_deverb::max_block);
    int done = 0;
    for (int k = 0; k < 400; ++k) {
        for (twdsp_deverb* r : {stepped.get(), blocked.get(), mono.get()}) {
            if (k == 150) r->set_sample_rate(GetParam());
            if (k == 250 || k == 300)
                r->set_parameter(twdsp_deverb::freeze, k == 250 ? 1.0f : 0.0f);
        }
        const int count = blocked->render_wet(out_left.data(), out_right.data(), sizes[k % 9]);
        ASSERT_GE(count, 1);
        ASSERT_LE(count, blocked->block_limit());
        for (int i = 0; i < count; ++i) {
            in_left[i] = noise.next();
            in_right[i] = 0.0f;
            float l, r;
            stepped->process_stereo(in_left[i], in_right[i], &l, &r);
            ASSERT_EQ(l, out_left[i]) << "frame " << done + i;
            ASSERT_EQ(r, out_right[i]) << "frame " << done + i;
            ASSERT_EQ(mono->process(in_left[i]), out_left[i]) << "frame " << done + i;
        }
        blocked->feed(in_left.data(), in_right.data(), count);
        done += count;
    }
}

// With the thread flushing subnormal numbers itself (as the processor runs it), the block form
// leaves its own flushes out and still gives exactly the samples of the scalar network, which
// keeps them, through a tail that decays past the subnormal range to silence.
TEST(Deverb, BlocksMatchTheScalarNetworkWhenTheThreadFlushesSubnormals) {
    struct flush_mode {
        const unsigned saved = _mm_getcsr();
        flush_mode() { _mm_setcsr(saved | 0x8040); }
        ~flush_mode() { _mm_setcsr(saved); }
    } mode;
    auto blocked = make_reverb();
    auto mono = make_reverb();
    noise_source noise(6);
    std::vector<float> in(twdsp_deverb::max_block), silence(twdsp_deverb::max_block);
    std::vector<float> out_left(twdsp_deverb::max_block), out_right(twdsp_deverb::max_block);
    // A second of noise, then silence until the tail (about 8 dB down per second) is gone.
    constexpr int frames = 44100 * 120;
    for (int done = 0; done < frames;) {
        const int count = blocked->render_wet(out_left.data(), out_right.data(), 256);
        for (int i = 0; i < count; ++i) {
            in[i] = done + i < 44100 ? noise.next() : 0.0f;
            ASSERT_EQ(mono->process(in[i]), out_left[i]) << "frame " << done + i;
        }
        blocked->feed(in.data(), silence.data(), count);
        done += count;
    }
    EXPECT_EQ(out_left.back(), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Rates, DeverbBlocks, testing::Values(8000.0f, 22050.0f, 192000.0f),
                         [](const testing::TestParamInfo<float>& p) {
                             return std::to_string(static_cast<int>(p.param));
                         });

TEST(Deverb, BlockLimitIsTheShortestCombAtMost) {
    auto r = make_reverb();
    EXPECT_EQ(r->block_limit(), twdsp_deverb::max_block); // 1116 samples at 44100 Hz
    r->set_sample_rate(8000.0f);
    EXPECT_EQ(r->block_limit(), r->comb_length(0)); // 202 samples
    r->set_sample_rate(1000.0f);
    EXPECT_EQ(r->block_limit(), r->comb_length(0));
}

TEST(Deverb, ClearSilencesTailAndLowpasses) {
    auto r = make_reverb();
    feed_noise(*r, 5000);
    r->clear();
    const stereo out = run(*r, 20000);
    EXPECT_EQ(energy(out.left, 0, out.left.size()), 0.0);
    EXPECT_EQ(energy(out.right, 0, out.right.size()), 0.0);
}

} // namespace
