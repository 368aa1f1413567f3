// The hand-over's cost: a parameter change (a store and two flags), and automation of all 29
// parameters before every block of 32 frames against the same blocks without it; the cost per
// frame of small blocks against blocks of 256; and the cost of every program after a minute of
// silence against its cost on noise (tails decaying through subnormal numbers must not cost
// more). The two sides of each comparison take turns within one run, in alternating order, and
// each turn gives one ratio, so a noisy shared machine shifts both sides of a ratio alike; the
// median and the range of the ratios are reported.

#include "processor/CorvaneProcessor.h"

#include <benchmark/benchmark.h>

#include "bench/bench_buffers.h"
#include <algorithm>
#include <chrono>

#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

using namespace corvane;

namespace {

constexpr int kFrames = 32;

struct Fixture : BenchBuffers<kFrames> {
    Fixture() : processor(std::make_unique<CorvaneProcessor>()) {
        processor->setSampleRate(48000.0);
        processor->setChannelLayout(2, 2, 0);
        processor->activate();
        block.inputs = in_ptr;
        block.outputs = out_ptr;
        block.frames = kFrames;
    }

    std::unique_ptr<CorvaneProcessor> processor;
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

// Thread CPU time in nanoseconds: time the thread spent waiting for the processor is left out.
double threadNanoseconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Reports the ratios of second to first over turns in which both run, in alternating order.
template <class First, class Second>
void pairedTurns(benchmark::State& state, First&& first, Second&& second) {
    std::vector<double> ratios;
    bool firstLeads = true;
    auto timed = [](auto& run) {
        const double start = threadNanoseconds();
        run();
        return threadNanoseconds() - start;
    };
    for (auto _ : state) {
        double a, b;
        if (firstLeads) {
            a = timed(first);
            b = timed(second);
        } else {
            b = timed(second);
            a = timed(first);
        }
        firstLeads = !firstLeads;
        ratios.push_back(b / a);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["ratio_median"] = ratios[ratios.size() / 2];
    state.counters["ratio_min"] = ratios.front();
    state.counters["ratio_max"] = ratios.back();
}

constexpr double kRate = 48000.0;

// A processor playing a factory program at 48000 Hz, stereo with both side-chain channels, in
// calls of a fixed number of frames, from a second of noise in a loop or from silence.
class Player {
public:
    Player(int program, int frames)
        : processor_(std::make_unique<CorvaneProcessor>()), frames_(frames) {
        processor_->setSampleRate(kRate);
        processor_->setChannelLayout(2, 2, 2);
        processor_->setProgram(program);
        processor_->activate();
        std::uint32_t seed = 0x9e3779b9u;
        for (auto& channel : noise_) {
            channel.resize(static_cast<std::size_t>(kRate) + 4096);
            for (float& x : channel) {
                seed = seed * 1664525u + 1013904223u;
                x = 0.5f * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
            }
        }
        silence_.assign(4096, 0.0f);
        for (auto& channel : out_)
            channel.assign(4096, 0.0f);
    }

    // Plays at least frames frames, in whole calls.
    void play(long frames, bool silent) {
        for (long done = 0; done < frames; done += frames_) {
            const float* in[4];
            for (int c = 0; c < 4; ++c)
                in[c] = silent ? silence_.data() : noise_[c].data() + position_;
            float* out[2] = {out_[0].data(), out_[1].data()};
            CorvaneProcessor::Block block;
            block.inputs = in;
            block.outputs = out;
            block.frames = frames_;
            processor_->process(block);
            position_ += frames_;
            if (position_ >= static_cast<long>(kRate)) position_ = 0;
        }
        benchmark::DoNotOptimize(out_[0].data());
    }

private:
    std::unique_ptr<CorvaneProcessor> processor_;
    int frames_;
    long position_ = 0;
    std::vector<float> noise_[4], silence_, out_[2];
};

constexpr int kWorstProgram = 1; // the band-pass programs cost the most
constexpr long kTurnFrames = 8192;

// Cost per frame at a block size against blocks of 256, program 02 on noise.
void BM_BlockSizeRatio(benchmark::State& state) {
    Player reference(kWorstProgram, 256), sized(kWorstProgram, static_cast<int>(state.range(0)));
    reference.play(static_cast<long>(kRate / 2), false);
    sized.play(static_cast<long>(kRate / 2), false);
    pairedTurns(
        state, [&] { reference.play(kTurnFrames, false); },
        [&] { sized.play(kTurnFrames, false); });
}
BENCHMARK(BM_BlockSizeRatio)
    ->Arg(1)
    ->Arg(16)
    ->Arg(32)
    ->Arg(4096)
    ->Iterations(60)
    ->Unit(benchmark::kMillisecond);

// Each program after half a second of noise and a minute of silence, still on silence, against
// the same program on noise (blocks of 256).
void BM_SilenceTailRatio(benchmark::State& state) {
    const int program = static_cast<int>(state.range(0));
    Player noisy(program, 256), quiet(program, 256);
    noisy.play(static_cast<long>(kRate / 2), false);
    quiet.play(static_cast<long>(kRate / 2), false);
    quiet.play(static_cast<long>(60 * kRate), true);
    pairedTurns(
        state, [&] { noisy.play(kTurnFrames, false); }, [&] { quiet.play(kTurnFrames, true); });
}
BENCHMARK(BM_SilenceTailRatio)->DenseRange(0, kNumPrograms - 1)->Iterations(40);

} // namespace
