// The VST 2.4 edition's share of the audio path: a program switch, and a block with and without
// changes waiting for the audio thread (a parameter change alone: bench/processor).

#include "host/Corvane.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace corvane;

namespace {

constexpr int kFrames = 256;

struct Fixture {
    Fixture() : plugin(std::make_unique<Corvane>(nullptr)) {
        plugin->setSampleRate(48000.0f);
        plugin->resume();
        for (int c = 0; c < 4; ++c) {
            in[c].assign(kFrames, 0.0f);
            for (int i = 0; i < kFrames; ++i)
                in[c][i] = static_cast<float>((i * 37 + c * 11) % 200) / 100.0f - 1.0f;
            in_ptr[c] = in[c].data();
        }
        for (int c = 0; c < 2; ++c) {
            out[c].assign(kFrames, 0.0f);
            out_ptr[c] = out[c].data();
        }
    }
    void block() { plugin->processReplacing(in_ptr, out_ptr, kFrames); }

    std::unique_ptr<Corvane> plugin;
    std::vector<float> in[4], out[2];
    float* in_ptr[4];
    float* out_ptr[2];
};

void BM_SetProgram(benchmark::State& state) {
    Fixture f;
    int p = 0;
    for (auto _ : state)
        f.plugin->setProgram(p++ % kNumPrograms);
}
BENCHMARK(BM_SetProgram);

// A block of 256 frames; with changes waiting, every one of the 29 commands lands first.
void BM_Block(benchmark::State& state) {
    Fixture f;
    const bool changes = state.range(0) != 0;
    int p = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (changes) f.plugin->setProgram(p++ % kNumPrograms);
        state.ResumeTiming();
        f.block();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_Block)->Arg(0)->Arg(1);

} // namespace
