// The LV2 adapter's cost over the processor it drives: run with the control ports standing
// still (the usual case: one comparison per port), with every port moving each run (every value
// converted and handed over), and the processor's own process on the same blocks. Reported in
// ns per frame; compare the rows of one run, as the machine's load shifts them all alike.

#include "lv2/corvane_lv2_plugin.h"
#include "lv2/corvane_lv2_ports.h"
#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"
#include "processor/CorvaneProcessor.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace corvane;
using namespace corvane::lv2;

namespace {

constexpr double kRate = 48000.0;

struct Buffers {
    explicit Buffers(int frames) {
        for (int c = 0; c < 4; ++c) {
            in[c].assign(frames, 0.0f);
            for (int i = 0; i < frames; ++i)
                in[c][i] = static_cast<float>((i * 37 + c * 11) % 200) / 100.0f - 1.0f;
        }
        for (auto& o : out)
            o.assign(frames, 0.0f);
    }
    std::vector<float> in[4], out[2];
};

void perFrame(benchmark::State& state, int frames) {
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * frames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Lv2Run(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const bool moving = state.range(1) != 0;
    const LV2_Descriptor* d = corvaneLv2Descriptor();
    const LV2_Feature* features[] = {nullptr};
    LV2_Handle h = d->instantiate(d, kRate, "", features);
    Buffers b(frames);
    const CorvaneParameterManager params;
    float controls[2][kControlPortCount];
    for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p)
        for (int v = 0; v < 2; ++v)
            controls[v][p] = toPortValue(
                params, p, kFactoryPrograms[v ? 13 : 0].values[controlPort(p)->parameter]);
    float ports[kControlPortCount];
    for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p) {
        ports[p] = controls[0][p];
        d->connect_port(h, p, &ports[p]);
    }
    for (int c = 0; c < 4; ++c)
        d->connect_port(h, kMainInLeftPort + c, b.in[c].data());
    for (int c = 0; c < 2; ++c)
        d->connect_port(h, kOutLeftPort + c, b.out[c].data());
    d->activate(h);
    int turn = 0;
    for (auto _ : state) {
        if (moving) {
            turn ^= 1;
            for (int p = 0; p < kControlPortCount; ++p)
                ports[p] = controls[turn][p];
        }
        d->run(h, static_cast<std::uint32_t>(frames));
        benchmark::DoNotOptimize(b.out[0].data());
    }
    d->deactivate(h);
    d->cleanup(h);
    perFrame(state, frames);
}
BENCHMARK(BM_Lv2Run)->ArgsProduct({{32, 256, 2048}, {0, 1}});

void BM_ProcessorProcess(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    CorvaneProcessor processor;
    processor.setSampleRate(kRate);
    processor.setChannelLayout(2, 2, 2);
    processor.activate();
    Buffers b(frames);
    const float* in[4] = {b.in[0].data(), b.in[1].data(), b.in[2].data(), b.in[3].data()};
    float* out[2] = {b.out[0].data(), b.out[1].data()};
    CorvaneProcessor::Block block;
    block.inputs = in;
    block.outputs = out;
    block.frames = frames;
    for (auto _ : state) {
        processor.process(block);
        benchmark::DoNotOptimize(b.out[0].data());
    }
    perFrame(state, frames);
}
BENCHMARK(BM_ProcessorProcess)->Arg(32)->Arg(256)->Arg(2048);

} // namespace
