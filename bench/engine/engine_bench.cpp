// Cost of CCorvaneEngine::process_buffers per sample frame at 48000 Hz in blocks of 256.

#include "engine/CCorvaneEngine.h"

#include "engine_test_support.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr float rate = 48000.0f;
constexpr int block = 256;

using E = CCorvaneEngine;

std::vector<float> noise(int n, std::uint32_t seed) {
    std::vector<float> v(n);
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f) * 0.5f;
    }
    return v;
}

// Reverb, drive, band-pass, LFO and envelope all active.
std::unique_ptr<E> busy_engine() {
    auto e = std::make_unique<E>();
    e->set_sample_rate(rate);
    e->reset();
    e->set_parameter(E::input, 0.0f);
    e->set_normalised_parameter(E::rev_mix, 0.6f);
    e->set_normalised_parameter(E::rev_decay, 0.8f);
    e->set_normalised_parameter(E::rev_color, 0.3f);
    e->set_parameter(E::filter_cutoff, 900.0f);
    e->set_normalised_parameter(E::filter_reson, 0.7f);
    e->set_normalised_parameter(E::filter_type, 0.5f);
    e->set_normalised_parameter(E::filter_drive, 0.6f);
    e->set_normalised_parameter(E::filter_lfo_mod, 0.8f);
    e->set_normalised_parameter(E::filter_env_mod, 0.7f);
    e->set_parameter(E::lfo_rate, 3.0f);
    e->set_normalised_parameter(E::env_gain, 0.7f);
    e->set_parameter(E::feedback, -20.0f);
    e->set_parameter(E::vca, -10.0f);
    e->set_normalised_parameter(E::master_lfo_mod, 0.8f);
    e->set_normalised_parameter(E::master_env_mod, 0.3f);
    e->set_normalised_parameter(E::mix, 0.8f);
    return e;
}

struct buffers {
    std::vector<float> left = noise(block, 1u), right = noise(block, 2u), side = noise(block, 3u);
    std::vector<float> out_left = std::vector<float>(block), out_right = std::vector<float>(block);
    const float* in[4] = {left.data(), right.data(), side.data(), side.data()};
    float* out[2] = {out_left.data(), out_right.data()};
    void silence() {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        std::fill(side.begin(), side.end(), 0.0f);
    }
};

// Renders blocks of the buffers' content after 200 warm-up blocks of noise, then quiet_first
// blocks of silence.
void run(benchmark::State& state, int active_inputs, int active_outputs, int quiet_first = 0) {
    auto e = busy_engine();
    buffers b;
    for (int i = 0; i < 200; ++i)
        e->process_buffers(b.in, b.out, 2, 2, 0, block);
    if (quiet_first > 0) b.silence();
    for (int i = 0; i < quiet_first; ++i)
        e->process_buffers(b.in, b.out, 2, 2, 0, block);
    for (auto _ : state) {
        e->process_buffers(b.in, b.out, active_inputs, active_outputs, 0, block);
        benchmark::DoNotOptimize(b.out_left.data());
    }
    state.counters["ns_per_frame"] = benchmark::Counter(
        static_cast<double>(block) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_engine_busy_stereo(benchmark::State& state) {
    run(state, 2, 2);
}
BENCHMARK(BM_engine_busy_stereo);

void BM_engine_busy_mono(benchmark::State& state) {
    run(state, 1, 1);
}
BENCHMARK(BM_engine_busy_mono);

// Noise, then silence: the tails decay towards zero, where subnormal arithmetic would stall a
// careless implementation. Compare with busy_stereo.
void BM_engine_silence_after_noise(benchmark::State& state) {
    run(state, 2, 2, 2000);
}
BENCHMARK(BM_engine_silence_after_noise);

// Every factory program as the plug-in applies it, on noise at all four inputs (stereo in
// and out, both side-chain channels connected), the way the command-line host measures a
// plug-in: half a second of warm-up, then blocks cycling through a second of noise. With
// quiet set, the warm-up noise is followed by a minute of silence and silence is measured.
// The engine runs here in the thread's default floating-point mode, so tails that decay
// through subnormal numbers show their cost; the processor flushes them (CorvaneFloatMode),
// and processor_bench's SilenceTailRatio measures the tails as every edition runs them.
void program(benchmark::State& state, bool quiet) {
    const int index = static_cast<int>(state.range(0));
    auto e = std::make_unique<E>();
    e->set_sample_rate(rate);
    corvane::test::test_host host;
    host.rate = rate;
    corvane::test::apply_program(*e, corvane::test::factory_programs[index].values, host);
    e->reset();
    const int frames = static_cast<int>(rate);
    std::vector<std::vector<float>> in(4, std::vector<float>(frames));
    corvane::test::noise_source source(0x9e3779b9u);
    for (auto& channel : in)
        source.fill(channel, 0.5f);
    std::vector<float> out_left(block), out_right(block);
    float* out[2] = {out_left.data(), out_right.data()};
    int position = 0;
    auto render = [&] {
        const float* ins[4] = {in[0].data() + position, in[1].data() + position,
                               in[2].data() + position, in[3].data() + position};
        host.begin_block(*e);
        e->process_buffers(ins, out, 2, 2, 2, block);
        host.end_block(block);
        position += block;
        if (position + block > frames) position = 0;
    };
    for (int i = 0; i < frames / 2 / block; ++i)
        render();
    if (quiet) {
        for (auto& channel : in)
            std::fill(channel.begin(), channel.end(), 0.0f);
        for (int i = 0; i < 60 * frames / block; ++i)
            render();
    }
    for (auto _ : state) {
        render();
        benchmark::DoNotOptimize(out_left.data());
        benchmark::DoNotOptimize(out_right.data());
    }
    state.SetLabel(corvane::test::factory_programs[index].name);
    state.counters["ns_per_frame"] = benchmark::Counter(
        static_cast<double>(block) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_engine_program(benchmark::State& state) {
    program(state, false);
}
BENCHMARK(BM_engine_program)->DenseRange(0, corvane::test::factory_program_count - 1);

void BM_engine_program_silence_after_noise(benchmark::State& state) {
    program(state, true);
}
BENCHMARK(BM_engine_program_silence_after_noise)
    ->DenseRange(0, corvane::test::factory_program_count - 1);

} // namespace
