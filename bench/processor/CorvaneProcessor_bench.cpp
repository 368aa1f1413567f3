// The hand-over's cost: a parameter change (a store and two flags), and automation of all 29
// parameters before every block of 32 frames against the same blocks without it. The two block
// loops take turns within one run and each turn gives one ratio, so a noisy shared machine
// shifts both sides of a ratio alike; the median of the ratios is reported.

#include "processor/CorvaneProcessor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

using namespace corvane;

namespace {

constexpr int kFrames = 32;

struct Fixture {
    Fixture() : processor(std::make_unique<CorvaneProcessor>()) {
        processor->setSampleRate(48000.0);
        processor->setChannelLayout(2, 2, 0);
        processor->activate();
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
        block.inputs = in_ptr;
        block.outputs = out_ptr;
        block.frames = kFrames;
    }

    std::unique_ptr<CorvaneProcessor> processor;
    std::vector<float> in[4], out[2];
    const float* in_ptr[4];
    float* out_ptr[2];
    CorvaneProcessor::Block block;
};

void BM_SetParameter(benchmark::State& state) {
    Fixture f;
    const int index = static_cast<int>(state.range(0));
    int i = 0;
    for (auto _ : state)
        f.processor->setParameter(index, static_cast<float>(i++ & 255) / 255.0f);
}
BENCHMARK(BM_SetParameter)->Arg(kMix)->Arg(kFilterCutoff)->Arg(kLfoRate)->Arg(kLfoSync);

// One turn: kBlocks blocks without automation, then kBlocks with all 29 parameters set before
// each, each on its own instance. Values: 0 the program's own, resent every block (a host
// playing back lanes that stand still); 1 the continuous parameters moving (every command does
// its work), the stepped ones resent.
void BM_AutomationRatio(benchmark::State& state) {
    constexpr int kBlocks = 2000;
    const bool moving = state.range(0) != 0;
    Fixture plain, automated;
    float base[kNumParams];
    for (int i = 0; i < kNumParams; ++i)
        base[i] = automated.processor->getParameter(i);
    constexpr int kStepped[] = {kRevPrePost, kRevFreeze,  kFilterType, kLfoShape,
                                kLfoSync,    kLfoTrigger, kEnvTrigger, kBypass};
    bool stepped[kNumParams] = {};
    for (int i : kStepped)
        stepped[i] = true;
    std::vector<double> ratios;
    double plainTotal = 0.0, automatedTotal = 0.0;
    int step = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int b = 0; b < kBlocks; ++b)
            plain.processor->process(plain.block);
        const auto t1 = Clock::now();
        for (int b = 0; b < kBlocks; ++b) {
            const float v = static_cast<float>(step++ & 63) / 63.0f;
            for (int i = 0; i < kNumParams; ++i)
                automated.processor->setParameter(i, moving && !stepped[i] ? v : base[i]);
            automated.processor->process(automated.block);
        }
        const auto t2 = Clock::now();
        const double a = std::chrono::duration<double, std::nano>(t1 - t0).count();
        const double b = std::chrono::duration<double, std::nano>(t2 - t1).count();
        plainTotal += a;
        automatedTotal += b;
        ratios.push_back(b / a);
    }
    std::sort(ratios.begin(), ratios.end());
    const double turns = static_cast<double>(ratios.size());
    state.counters["plain_ns_per_block"] = plainTotal / (turns * kBlocks);
    state.counters["automated_ns_per_block"] = automatedTotal / (turns * kBlocks);
    state.counters["ratio_median"] = ratios[ratios.size() / 2];
    state.counters["ratio_min"] = ratios.front();
    state.counters["ratio_max"] = ratios.back();
}
BENCHMARK(BM_AutomationRatio)->Arg(0)->Arg(1)->Iterations(40)->Unit(benchmark::kMillisecond);

} // namespace
