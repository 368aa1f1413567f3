// Three threads change LFO Sync, LFO Rate, Filter Type, Filter Cutoff and the program as fast
// as they can, over a hundred thousand changes, while the audio thread takes them block by
// block and the editor's thread follows them. At quiescence nothing that timing could change is
// left to chance: the program record is what getParameter reads, the editor shows it, and the
// sound is a fresh instance's given the final values, sample for sample.

#include "processor_test_support.h"

#include "sanitizer_build.h"

#include <atomic>
#include <random>
#include <thread>

using namespace corvane;
using namespace corvane::test;

namespace {

// Per writer thread; instrumented builds run a tenth.
constexpr long kChangesPerThread = kSanitizedBuild ? 5000 : 60000;
// The writers go on until the audio thread has taken this many blocks among their changes.
constexpr long kMinBlocks = kSanitizedBuild ? 2000 : 20000;
constexpr int kWatched[] = {kLfoSync, kLfoRate, kFilterType, kFilterCutoff};

float unit(std::mt19937& rng) {
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}
int pick(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

TEST(CorvaneProcessorStress, ThreeThreadsOfChangesSettleOnTheFinalValues) {
    auto p = make_processor();
    CorvaneEditorView& view = p->editorView();
    std::atomic<int> writers{2};
    std::atomic<long> changes{0};
    std::atomic<long> blocks{0};

    // The audio thread: automation of the rate and the cutoff now and then, and blocks that
    // take every change (rendered into no outputs, so that the engine's sound state stays that
    // of a fresh instance and only the hand-over is on trial).
    std::thread audio([&] {
        std::mt19937 rng(1);
        CorvaneProcessor::Block block;
        block.frames = 32;
        long own = 0;
        while (writers.load(std::memory_order_acquire) > 0) {
            if (pick(rng, 0, 1) == 0) {
                p->setParameter(pick(rng, 0, 1) ? kLfoRate : kFilterCutoff, unit(rng));
                ++own;
            }
            p->process(block);
            blocks.fetch_add(1, std::memory_order_relaxed);
        }
        changes.fetch_add(own);
    });

    // The editor's thread: the user flips LFO Sync and Filter Type and drags the rate; the
    // timer takes the flags and reads the values into its controls.
    float shown[kNumParams] = {};
    std::thread editor([&] {
        std::mt19937 rng(2);
        for (int i = 0; i < kNumParams; ++i)
            shown[i] = view.parameterValue(i);
        long n = 0;
        for (; n < kChangesPerThread || blocks.load() < kMinBlocks; ++n) {
            const int index = kWatched[pick(rng, 0, 2)];
            view.beginEdit(index);
            view.performEdit(index, index == kLfoSync ? float(pick(rng, 0, 1)) : unit(rng));
            view.endEdit(index);
            if (n % 8 == 0) {
                const std::uint32_t changed = view.takeChangedParameters();
                for (int i = 0; i < kNumParams; ++i)
                    if (changed & (1u << i)) shown[i] = view.parameterValue(i);
            }
        }
        changes.fetch_add(n);
        writers.fetch_sub(1, std::memory_order_release);
    });

    // A host thread: program switches, and its own automation of all four.
    std::thread host([&] {
        std::mt19937 rng(3);
        long n = 0;
        for (; n < kChangesPerThread || blocks.load() < kMinBlocks; ++n) {
            if (n % 16 == 0)
                p->setProgram(pick(rng, 0, kNumPrograms - 1));
            else
                p->setParameter(kWatched[pick(rng, 0, 3)], unit(rng));
        }
        changes.fetch_add(n);
        writers.fetch_sub(1, std::memory_order_release);
    });

    host.join();
    editor.join();
    audio.join();
    RecordProperty("changes", std::to_string(changes.load()));
    RecordProperty("blocks", std::to_string(blocks.load()));
    EXPECT_GE(blocks.load(), kMinBlocks);
    EXPECT_GE(changes.load(), 2 * kChangesPerThread);
    if (!kSanitizedBuild) {
        EXPECT_GE(changes.load(), 100000);
    }

    // Quiescence: the audio thread's next block and the editor's next tick.
    CorvaneProcessor::Block idle;
    p->process(idle);
    const std::uint32_t changed = view.takeChangedParameters();
    for (int i = 0; i < kNumParams; ++i)
        if (changed & (1u << i)) shown[i] = view.parameterValue(i);

    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(p->parameterInfo().getValueIn(p->program(), i).normalized, p->getParameter(i))
            << i;
        EXPECT_EQ(shown[i], p->getParameter(i)) << i;
    }
    const tw_paramManager::Value rate = p->parameterInfo().getValueIn(p->program(), kLfoRate);
    EXPECT_EQ(rate.synced, p->getParameter(kLfoSync) > 0.5f);

    auto fresh = fresh_copy(*p);
    expect_same_engine_settings(*fresh, *p);
    // Every Filter Cutoff command steps the cutoff glide, so how far it has come depends on
    // how the changes were interleaved, and a glide ends a few rounding steps either side of
    // its target. So both run until their glides have arrived, restart their filters, reverb
    // and feedback, and then must sound alike to within those rounding steps.
    CorvaneProcessor::Transport transport;
    transport.tempoValid = transport.positionValid = true;
    auto render = [&](CorvaneProcessor& q, Buffers& buffers) {
        CorvaneProcessor::Block block = buffers.block(512);
        block.transport = &transport;
        q.process(block);
    };
    for (int n = 0; n < 200; ++n) {
        Buffers a(512, n + 1), b(512, n + 1);
        render(*p, a);
        render(*fresh, b);
        transport.positionPpq += 512 * 2.0 / 48000.0;
    }
    for (CorvaneProcessor* q : {p.get(), fresh.get()}) {
        q->setSampleRate(48000.0);
        q->activate();
    }
    for (int n = 0; n < 4; ++n) {
        Buffers a(512, n + 1), b(512, n + 1);
        render(*p, a);
        render(*fresh, b);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                ASSERT_NEAR(a.out[c][i], b.out[c][i], 1e-4f) << "block " << n << " frame " << i;
        transport.positionPpq += 512 * 2.0 / 48000.0;
    }
}

} // namespace
