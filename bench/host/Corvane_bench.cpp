// The VST 2.4 edition's share of the audio path: a program switch, and a block with and without
// changes waiting for the audio thread (a parameter change alone: bench/processor).

#include "bench/bench_buffers.h"
#include "host/Corvane.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace corvane;

namespace {

constexpr int kFrames = 256;

struct Fixture : BenchBuffers<kFrames> {
    Fixture() : plugin(std::make_unique<Corvane>(nullptr)) {
        plugin->setSampleRate(48000.0f);
        plugin->resume();
    }
    void block() { plugin->processReplacing(in_ptr, out_ptr, kFrames); }

    std::unique_ptr<Corvane> plugin;
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
