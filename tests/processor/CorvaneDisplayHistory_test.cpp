#include "processor/CorvaneDisplayHistory.h"

#include "engine/CCorvaneDisplaySums.h"
#include "engine/CCorvaneEngine.h"
#include "tests/engine/engine_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using corvane::test::io;
using corvane::test::make_engine;
using E = CCorvaneEngine;

using H = CorvaneDisplayHistory;

// An engine whose control ticks add exactly 1.0 to both sums of its display history: the
// follower follows a MIDI gate of 0.1 (× 10) without glide, and the pulse LFO stands still at
// phase 0 (high, unipolar 1).
struct Steady {
    std::unique_ptr<H> history = std::make_unique<H>();
    std::unique_ptr<E> engine = make_engine();
    E* operator->() { return engine.get(); }
    E& operator*() { return *engine; }
};

Steady steady_engine() {
    Steady s;
    E* e = s.engine.get();
    e->set_display(&s.history->sums());
    e->set_normalised_parameter(E::env_trigger, 1.0f / 3.0f);
    e->set_parameter(E::env_attack, 0.0f);
    e->set_note_gate(0.1f);
    e->set_parameter(E::lfo_shape, 2.0f);
    e->set_parameter(E::lfo_skew, 0.5f);
    e->set_parameter(E::lfo_rate, 0.0f);
    return s;
}

void ticks(E& e, int count) {
    io b(32 * count);
    b.render(e);
}

TEST(DisplayHistory, AveragesTheTicksSinceTheLastPoll) {
    auto e = steady_engine();
    ticks(*e, 10);
    e.history->poll();
    EXPECT_EQ(e.history->lfo()[0], 1.0f);
    EXPECT_EQ(e.history->envelope()[0], 1.0f);
    EXPECT_EQ(e.history->index(), 1);
    EXPECT_EQ(e.history->displayedTicks(), 10u);
}

TEST(DisplayHistory, FewerThanTwoTicksAdvanceTheIndexButKeepTheSlot) {
    auto e = steady_engine();
    e.history->poll(); // nothing yet
    EXPECT_EQ(e.history->lfo()[0], 0.0f);
    ticks(*e, 1);
    e.history->poll(); // one tick: slot 1 unchanged, the tick is dropped
    EXPECT_EQ(e.history->lfo()[1], 0.0f);
    EXPECT_EQ(e.history->index(), 2);
    ticks(*e, 2);
    e.history->poll();
    EXPECT_EQ(e.history->lfo()[2], 1.0f);
}

TEST(DisplayHistory, IndexWrapsAfterTheLastSlot) {
    auto e = steady_engine();
    for (int i = 0; i < H::kSize; ++i)
        e.history->poll();
    EXPECT_EQ(e.history->index(), 0);
}

// Opening the editor starts the graphs afresh: what piled up while nothing polled is dropped, not
// folded into the first entry.
TEST(DisplayHistory, ClearEmptiesTheHistoriesAndDropsTheBacklog) {
    auto e = steady_engine();
    for (int i = 0; i < 5; ++i) {
        ticks(*e, 4);
        e.history->poll();
    }
    ticks(*e, 10);
    e.history->clear();
    EXPECT_EQ(e.history->index(), 0);
    for (int i = 0; i < H::kSize; ++i) {
        EXPECT_EQ(e.history->envelope()[i], 0.0f) << i;
        EXPECT_EQ(e.history->lfo()[i], 0.0f) << i;
    }
    ticks(*e, 1);
    e.history->poll(); // a single tick since the clear: the slot stays empty
    EXPECT_EQ(e.history->lfo()[0], 0.0f);
    EXPECT_EQ(e.history->displayedTicks(), 31u);
    ticks(*e, 2);
    e.history->poll();
    EXPECT_EQ(e.history->lfo()[1], 1.0f);
    EXPECT_EQ(e.history->envelope()[1], 1.0f);
}

TEST(DisplaySums, MeanOfAVaryingSignalAndNonFiniteValues) {
    CCorvaneDisplaySums sums;
    CCorvaneDisplaySums::snapshot first, second;
    ASSERT_TRUE(sums.read(first));
    sums.add(0.25f, -1.0f);
    sums.add(0.75f, NAN);
    sums.add(INFINITY, 0.5f);
    ASSERT_TRUE(sums.read(second));
    EXPECT_EQ(second.ticks - first.ticks, 3u);
    EXPECT_NEAR(CCorvaneDisplaySums::mean(second.envelope, first.envelope, 3),
                (1.0 + CCorvaneDisplaySums::limit) / 3.0, 1.0);
    EXPECT_NEAR(CCorvaneDisplaySums::mean(second.lfo, first.lfo, 3), -0.5 / 3.0, 1e-6);
}

// The audio thread renders while the editor's thread polls: every control tick is displayed
// exactly once, and every history value is a whole-number average (a torn snapshot would mix
// the sums of one tick with the count of another and show something else).
TEST(DisplayExchange, AudioAndEditorThreadsLoseNothing) {
    auto e = steady_engine();
    constexpr int blocks = 3000;
    constexpr int frames = 64;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        io b(frames);
        for (int i = 0; i < blocks; ++i)
            b.render(*e.engine);
        done.store(true, std::memory_order_release);
    });
    int polls = 0;
    bool all_whole = true;
    while (!done.load(std::memory_order_acquire)) {
        // Now and then the window reopens while the audio thread adds.
        if (polls % 64 == 63) e.history->clear();
        const int slot = e.history->index();
        e.history->poll();
        ++polls;
        const float env = e.history->envelope()[slot];
        const float lfo = e.history->lfo()[slot];
        all_whole = all_whole && (env == 0.0f || env == 1.0f) && (lfo == 0.0f || lfo == 1.0f);
        std::this_thread::yield();
    }
    audio.join();
    e.history->poll();
    EXPECT_TRUE(all_whole);
    EXPECT_GT(polls, 0);
    EXPECT_EQ(e.history->displayedTicks(), static_cast<std::uint64_t>(blocks * frames / 32));
}

} // namespace
