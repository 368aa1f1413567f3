// Cost of one parameter change as the plug-in makes it: setNormalized, then the read-backs.

#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"

#include <benchmark/benchmark.h>

using namespace corvane;

namespace {

// A sweep of 256 normalised values, so that successive calls read different table points.
float sweep(int i) {
    return static_cast<float>(i & 255) / 255.0f;
}

void changeOne(benchmark::State& state, int index) {
    CorvaneParameterManager m;
    int i = 0;
    for (auto _ : state) {
        m.setNormalized(index, sweep(i++));
        benchmark::DoNotOptimize(m.getReal(index));
    }
}

void BM_SetLinear(benchmark::State& state) {
    changeOne(state, kMix);
}
void BM_SetExponential(benchmark::State& state) {
    changeOne(state, kFilterCutoff);
}
void BM_SetDecibel(benchmark::State& state) {
    changeOne(state, kInput);
}
void BM_SetInteger(benchmark::State& state) {
    changeOne(state, kFilterType);
}

// LFO Rate also reads LFO Sync's real value and computes the sync factor.
void lfoRate(benchmark::State& state, bool synced) {
    CorvaneParameterManager m;
    m.setNormalized(kLfoSync, synced ? 1.0f : 0.0f);
    m.setSync(kLfoRate, synced);
    int i = 0;
    for (auto _ : state) {
        m.setNormalized(kLfoRate, sweep(i++));
        const float rate = m.getReal(kLfoRate);
        benchmark::DoNotOptimize(m.getReal(kLfoSync));
        benchmark::DoNotOptimize(m.toEngineValue(kLfoRate, rate));
    }
}

void BM_SetLfoRateFree(benchmark::State& state) {
    lfoRate(state, false);
}
void BM_SetLfoRateSynced(benchmark::State& state) {
    lfoRate(state, true);
}

// LFO Sync switches LFO Rate's mode and reads back its real value and sync factor.
void BM_SetLfoSync(benchmark::State& state) {
    CorvaneParameterManager m;
    int i = 0;
    for (auto _ : state) {
        const float n = (i++ & 1) ? 1.0f : 0.0f;
        m.setNormalized(kLfoSync, n);
        m.setSync(kLfoRate, n > 0.5f);
        benchmark::DoNotOptimize(m.getReal(kLfoRate));
        benchmark::DoNotOptimize(m.getEngineValue(kLfoRate));
    }
}

// A whole program switch: 29 changes with their read-backs.
void BM_ApplyProgram(benchmark::State& state) {
    CorvaneParameterManager m;
    int p = 0;
    for (auto _ : state) {
        const FactoryProgram& program = kFactoryPrograms[p++ % kNumPrograms];
        for (int i = 0; i < kNumParams; ++i) {
            m.setNormalized(i, program.values[i]);
            if (i == kLfoSync) m.setSync(kLfoRate, program.values[i] > 0.5f);
            benchmark::DoNotOptimize(m.getReal(i));
        }
        benchmark::DoNotOptimize(m.getEngineValue(kLfoRate));
    }
}

} // namespace

BENCHMARK(BM_SetLinear);
BENCHMARK(BM_SetExponential);
BENCHMARK(BM_SetDecibel);
BENCHMARK(BM_SetInteger);
BENCHMARK(BM_SetLfoRateFree);
BENCHMARK(BM_SetLfoRateSynced);
BENCHMARK(BM_SetLfoSync);
BENCHMARK(BM_ApplyProgram);
