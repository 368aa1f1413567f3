#include "engine/CCorvaneDisplaySums.h"
#include "engine/CCorvaneEngine.h"

#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using corvane::test::io;
using corvane::test::make_engine;
using E = CCorvaneEngine;

// An engine whose control ticks add exactly 1.0 to both sums: the follower follows a MIDI gate
// of 0.1 (× 10) without glide, and the pulse LFO stands still at phase 0 (high, unipolar 1).
std::unique_ptr<E> steady_engine() {
    auto e = make_engine();
    e->set_normalised_parameter(E::env_trigger, 1.0f / 3.0f);
    e->set_parameter(E::env_attack, 0.0f);
    e->set_note_gate(0.1f);
    e->set_parameter(E::lfo_shape, 2.0f);
    e->set_parameter(E::lfo_skew, 0.5f);
    e->set_parameter(E::lfo_rate, 0.0f);
    return e;
}

void ticks(E& e, int count) {
    io b(32 * count);
    b.render(e);
}

TEST(DisplayPoll, AveragesTheTicksSinceTheLastPoll) {
    auto e = steady_engine();
    ticks(*e, 10);
    e->poll_display();
    EXPECT_EQ(e->lfo_history()[0], 1.0f);
    EXPECT_EQ(e->envelope_history()[0], 1.0f);
    EXPECT_EQ(e->history_index(), 1);
    EXPECT_EQ(e->displayed_ticks(), 10u);
}

TEST(DisplayPoll, FewerThanTwoTicksAdvanceTheIndexButKeepTheSlot) {
    auto e = steady_engine();
    e->poll_display(); // nothing yet
    EXPECT_EQ(e->lfo_history()[0], 0.0f);
    ticks(*e, 1);
    e->poll_display(); // one tick: slot 1 unchanged, the tick is dropped
    EXPECT_EQ(e->lfo_history()[1], 0.0f);
    EXPECT_EQ(e->history_index(), 2);
    ticks(*e, 2);
    e->poll_display();
    EXPECT_EQ(e->lfo_history()[2], 1.0f);
}

TEST(DisplayPoll, IndexWrapsAfterTheLastSlot) {
    auto e = steady_engine();
    for (int i = 0; i < E::history_size; ++i)
        e->poll_display();
    EXPECT_EQ(e->history_index(), 0);
}

// Opening the editor starts the graphs afresh: what piled up while nothing polled is dropped, not
// folded into the first entry.
TEST(DisplayPoll, ClearEmptiesTheHistoriesAndDropsTheBacklog) {
    auto e = steady_engine();
    for (int i = 0; i < 5; ++i) {
        ticks(*e, 4);
        e->poll_display();
    }
    ticks(*e, 10);
    e->clear_display();
    EXPECT_EQ(e->history_index(), 0);
    for (int i = 0; i < E::history_size; ++i) {
        EXPECT_EQ(e->envelope_history()[i], 0.0f) << i;
        EXPECT_EQ(e->lfo_history()[i], 0.0f) << i;
    }
    ticks(*e, 1);
    e->poll_display(); // a single tick since the clear: the slot stays empty
    EXPECT_EQ(e->lfo_history()[0], 0.0f);
    EXPECT_EQ(e->displayed_ticks(), 31u);
    ticks(*e, 2);
    e->poll_display();
    EXPECT_EQ(e->lfo_history()[1], 1.0f);
    EXPECT_EQ(e->envelope_history()[1], 1.0f);
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
            b.render(*e);
        done.store(true, std::memory_order_release);
    });
    int polls = 0;
    bool all_whole = true;
    while (!done.load(std::memory_order_acquire)) {
        // Now and then the window reopens while the audio thread adds.
        if (polls % 64 == 63) e->clear_display();
        const int slot = e->history_index();
        e->poll_display();
        ++polls;
        const float env = e->envelope_history()[slot];
        const float lfo = e->lfo_history()[slot];
        all_whole = all_whole && (env == 0.0f || env == 1.0f) && (lfo == 0.0f || lfo == 1.0f);
        std::this_thread::yield();
    }
    audio.join();
    e->poll_display();
    EXPECT_TRUE(all_whole);
    EXPECT_GT(polls, 0);
    EXPECT_EQ(e->displayed_ticks(), static_cast<std::uint64_t>(blocks * frames / 32));
}

} // namespace
