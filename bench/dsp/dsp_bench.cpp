// Cost of the building blocks per sample (per stereo frame for the reverb), driven through
// their concrete types as the engine drives them.

#include "dsp/CCorvaneBPF.h"
#include "dsp/twdsp_deverb.h"
#include "dsp/twdsp_filter_cascaded_highpass.h"
#include "dsp/twdsp_filter_dc_blocker.h"
#include "dsp/twdsp_filter_ms20_hp.h"
#include "dsp/twdsp_oscillator_LFO_skewed.h"
#include "dsp/twdsp_saturator_inv_atan.h"
#include "dsp/twdsp_smoother.h"
#include "dsp/twdsp_tilting_eq.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int block = 256;

std::vector<float> noise(int n) {
    std::vector<float> v(n);
    std::uint32_t s = 1u;
    for (float& x : v) {
        s = s * 1664525u + 1013904223u;
        x = static_cast<float>(s >> 8) / 8388608.0f - 1.0f;
    }
    return v;
}

// Reports nanoseconds per processed sample (or frame).
void per_sample(benchmark::State& state) {
    state.counters["ns_per_sample"] = benchmark::Counter(
        static_cast<double>(block) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_deverb_stereo(benchmark::State& state) {
    auto r = std::make_unique<twdsp_deverb>();
    r->set_sample_rate(48000.0f);
    const auto in = noise(2 * block);
    float out_l[block], out_r[block];
    for (auto _ : state) {
        for (int i = 0; i < block; ++i)
            r->process_stereo(in[2 * i], in[2 * i + 1], &out_l[i], &out_r[i]);
        benchmark::DoNotOptimize(out_l);
        benchmark::DoNotOptimize(out_r);
    }
    per_sample(state);
}
BENCHMARK(BM_deverb_stereo);

// The block form the engine uses: the wet output of a whole block, then its input.
void BM_deverb_blocks(benchmark::State& state) {
    auto r = std::make_unique<twdsp_deverb>();
    r->set_sample_rate(48000.0f);
    const auto in = noise(2 * block);
    float out_l[block], out_r[block];
    for (auto _ : state) {
        for (int done = 0; done < block;) {
            const int n = r->render_wet(out_l + done, out_r + done, block - done);
            r->feed(in.data() + done, in.data() + block + done, n);
            done += n;
        }
        benchmark::DoNotOptimize(out_l);
        benchmark::DoNotOptimize(out_r);
    }
    per_sample(state);
}
BENCHMARK(BM_deverb_blocks);

template <class Block>
void run_filter(benchmark::State& state, Block& f) {
    const auto in = noise(block);
    float out[block];
    for (auto _ : state) {
        for (int i = 0; i < block; ++i)
            out[i] = f.process(in[i]);
        benchmark::DoNotOptimize(out);
    }
    per_sample(state);
}

template <class Filter>
void BM_filter(benchmark::State& state) {
    Filter f;
    f.set_sample_rate(48000.0f);
    f.set_frequency(1200.0f);
    f.set_resonance(0.7f);
    run_filter(state, f);
}
BENCHMARK_TEMPLATE(BM_filter, twdsp_filter_ms20_lp);
BENCHMARK_TEMPLATE(BM_filter, twdsp_filter_ms20_hp);
BENCHMARK_TEMPLATE(BM_filter, CCorvaneBPF);
BENCHMARK_TEMPLATE(BM_filter, twdsp_filter_rbj_high_pass);
BENCHMARK_TEMPLATE(BM_filter, twdsp_filter_cascaded_highpass);
BENCHMARK_TEMPLATE(BM_filter, twdsp_filter_dc_blocker);

void BM_tilting_eq(benchmark::State& state) {
    twdsp_tilting_eq eq;
    eq.set_sample_rate(48000.0f);
    eq.set_tilt_range(9.0f);
    eq.set_tilt(0.3f);
    run_filter(state, eq);
}
BENCHMARK(BM_tilting_eq);

void BM_saturator(benchmark::State& state) {
    twdsp_saturator_inv_atan s;
    s.set_drive(3.0f);
    run_filter(state, s);
}
BENCHMARK(BM_saturator);

void BM_lfo_tick(benchmark::State& state) {
    twdsp_oscillator_LFO_skewed lfo;
    lfo.set_shape(static_cast<int>(state.range(0)));
    lfo.set_skew(0.3f);
    lfo.set_frequency(2.0f * 32.0f);
    float out[block];
    for (auto _ : state) {
        for (int i = 0; i < block; ++i)
            out[i] = lfo.tick();
        benchmark::DoNotOptimize(out);
    }
    per_sample(state);
}
BENCHMARK(BM_lfo_tick)->Arg(0)->Arg(1)->Arg(2)->Arg(9);

void BM_smoother_tick(benchmark::State& state) {
    twdsp_smoother s;
    s.set_update_interval(32);
    float out[block];
    float target = 1.0f;
    for (auto _ : state) {
        s.set_target(target);
        target = -target;
        for (int i = 0; i < block; ++i)
            out[i] = s.tick();
        benchmark::DoNotOptimize(out);
    }
    per_sample(state);
}
BENCHMARK(BM_smoother_tick);

} // namespace
