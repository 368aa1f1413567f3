#include "params/tw_paramManager.h"

#include "param_fixture.h"
#include "rt_probe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

namespace {

class ManagerTest : public ::testing::Test {
protected:
    ManagerTest() { defineEveryKind(m); }
    tw_paramManager m;
};

class EveryKind : public ManagerTest, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(Kinds, EveryKind, ::testing::Range(0, kKindCount));

TEST_P(EveryKind, DefinitionLeavesTheDefault) {
    const int k = GetParam();
    EXPECT_EQ(m.getKind(k), k);
    EXPECT_EQ(m.getReal(k), m.getDefault(k));
    EXPECT_EQ(m.getNormalized(k), m.toNormalized(k, m.getDefault(k)));
    EXPECT_TRUE(m.isRandomizable(k));
    EXPECT_FALSE(m.isSynced(k));
}

TEST_P(EveryKind, SetNormalizedStoresTheValueAndItsRealValue) {
    const int k = GetParam();
    for (float n : {0.0f, 0.13f, 0.5f, 0.77f, 1.0f}) {
        m.setNormalized(k, n);
        EXPECT_EQ(m.getNormalized(k), n);
        EXPECT_EQ(m.getReal(k), m.toReal(k, n));
    }
}

TEST_P(EveryKind, HostileInputKeepsValuesFiniteAndInRange) {
    const int k = GetParam();
    m.setNormalized(k, 0.25f);
    const float before = m.getReal(k);
    m.setNormalized(k, std::nanf(""));
    EXPECT_EQ(m.getNormalized(k), 0.25f) << "NaN is ignored";
    EXPECT_EQ(m.getReal(k), before);
    m.setReal(k, std::nanf(""));
    EXPECT_EQ(m.getNormalized(k), 0.25f);
    for (float v : kHostileFloats) {
        const float n = m.toNormalized(k, v);
        EXPECT_TRUE(n >= 0.0f && n <= 1.0f) << "kind " << k << " x " << v;
        EXPECT_FALSE(std::isnan(m.toReal(k, v))) << "kind " << k << " n " << v;
        EXPECT_FALSE(std::isnan(m.toEngineValue(k, v))) << "kind " << k << " x " << v;
        EXPECT_FALSE(std::isnan(m.getEngineValueWithOffset(k, v)));
        m.setNormalized(k, v);
        EXPECT_TRUE(m.getNormalized(k) >= 0.0f && m.getNormalized(k) <= 1.0f);
        EXPECT_FALSE(std::isnan(m.getEngineValue(k)));
    }
}

TEST_P(EveryKind, SyncOnAndOffKeepsTheNormalizedValue) {
    const int k = GetParam();
    m.setNormalized(k, 0.3f);
    const float free = m.getReal(k);
    m.setSync(k, true);
    EXPECT_EQ(m.getNormalized(k), 0.3f);
    const bool syncable = k >= 8 && k <= 11;
    EXPECT_EQ(m.isSynced(k), syncable);
    m.setSync(k, false);
    EXPECT_EQ(m.getNormalized(k), 0.3f);
    EXPECT_EQ(m.getReal(k), free);
    EXPECT_FALSE(m.isSynced(k));
}

TEST_P(EveryKind, PerChangeOperationsDoNotAllocate) {
    const int k = GetParam();
    float sink = 0.0f;
    corvane::test::RealtimeProbe probe;
    for (int step = 0; step <= 64; ++step) {
        const float n = static_cast<float>(step) / 64.0f;
        m.setNormalized(k, n);
        sink += m.getReal(k) + m.getNormalized(k) + m.getEngineValue(k) +
                m.toEngineValue(k, m.getReal(k)) + static_cast<float>(m.getKind(k));
        m.setSync(k, step % 2 == 0);
        sink += m.isSynced(k) ? 1.0f : 0.0f;
    }
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
    EXPECT_TRUE(std::isfinite(sink));
}

TEST_F(ManagerTest, SwitchTurnsOnOnlyAboveOneHalf) {
    EXPECT_EQ(m.toReal(1, 0.5f), 0.0f);
    EXPECT_EQ(m.toReal(1, std::nextafter(0.5f, 1.0f)), 1.0f);
    EXPECT_EQ(m.toNormalized(1, 1.0f), 1.0f);
}

TEST_F(ManagerTest, IntegerKindsRoundToTheNearestStep) {
    // 0..3: 3 * n + 0.5, floored.
    EXPECT_EQ(m.toReal(6, 0.16f), 0.0f);
    EXPECT_EQ(m.toReal(6, 0.17f), 1.0f);
    EXPECT_EQ(m.toReal(6, 0.5f), 2.0f);
    EXPECT_EQ(m.toReal(6, 1.0f), 3.0f);
    EXPECT_EQ(m.toReal(12, 60.0f / 127.0f), 60.0f);
    EXPECT_EQ(m.toReal(12, 60.4f / 127.0f), 60.0f);
    EXPECT_EQ(m.toReal(12, 60.6f / 127.0f), 61.0f);
}

TEST_F(ManagerTest, DivisionKindStaysBelowTheLastDivision) {
    EXPECT_EQ(m.toReal(7, 0.0f), 0.0f);
    EXPECT_EQ(m.toReal(7, 1.0f), 14.0f); // 0.99 * 15 = 14.85
    EXPECT_FLOAT_EQ(m.toNormalized(7, 3.0f), 0.2f);
    EXPECT_EQ(m.toEngineValue(7, 8.0f), 1.0f);
    EXPECT_EQ(m.toEngineValue(7, 0.0f), 0.125f);
}

TEST_F(ManagerTest, SyncableTimeMapsToDivisionsWhileSynced) {
    m.setNormalized(8, 0.5f);
    EXPECT_EQ(m.getReal(8), 1000.0f);
    EXPECT_EQ(m.getEngineValue(8), 1000.0f);
    m.setSync(8, true);
    EXPECT_EQ(m.getReal(8), 7.0f); // floor(7.5)
    EXPECT_EQ(m.getEngineValue(8), 0.75f);
    EXPECT_FLOAT_EQ(m.toNormalized(8, 3.0f), 0.2f);
}

TEST_F(ManagerTest, SyncableRateRunsBackwardsWhileSynced) {
    m.setNormalized(9, 0.5f);
    EXPECT_NEAR(m.getReal(9), 1.0f, 1e-4);
    EXPECT_EQ(m.getEngineValue(9), m.getReal(9));
    m.setSync(9, true);
    EXPECT_EQ(m.getReal(9), 7.0f); // floor(7.5): the generic rule truncates
    EXPECT_FLOAT_EQ(m.getEngineValue(9), 1.0f / 0.75f);
    m.setNormalized(9, 1.0f);
    EXPECT_EQ(m.getReal(9), 0.0f);
    EXPECT_EQ(m.getEngineValue(9), 8.0f);
    m.setNormalized(9, 0.0f);
    EXPECT_EQ(m.getReal(9), 15.0f); // the repeated "1/1"
    EXPECT_EQ(m.getEngineValue(9), 0.25f);
}

TEST_F(ManagerTest, NormalizedSyncKindsKeepTheNormalizedValueAsReal) {
    m.setNormalized(10, 0.25f);
    m.setNormalized(11, 0.25f);
    EXPECT_EQ(m.getReal(10), 0.25f);
    EXPECT_EQ(m.getEngineValue(10), 500.0f);
    EXPECT_NEAR(m.getEngineValue(11), 0.01f * std::pow(10000.0f, 0.25f), 1e-4);
    m.setSync(10, true);
    m.setSync(11, true);
    EXPECT_EQ(m.getReal(10), 0.25f);
    EXPECT_FLOAT_EQ(m.getEngineValue(10), 1.0f / 3.0f); // 0.25 * 15 = 3.75: "1/8T"
    EXPECT_EQ(m.getEngineValue(11), 0.5f);              // (1 - 0.25) * 15 = 11.25: "1/2"
}

TEST_F(ManagerTest, EngineValuesByKind) {
    m.setReal(0, 25.0f);
    EXPECT_EQ(m.getEngineValue(0), 10.0f) << "clamped to the range";
    m.setNormalized(2, 0.4f);
    EXPECT_FLOAT_EQ(m.getEngineValue(2), 0.4f);
    EXPECT_FLOAT_EQ(m.toEngineValue(2, 250.0f), 1.0f);
    m.setNormalized(5, 0.0f);
    EXPECT_EQ(m.getEngineValue(5), 0.0f) << "the bottom of a decibel range is silence";
    m.setNormalized(5, 1.0f);
    EXPECT_NEAR(m.getEngineValue(5), std::pow(10.0f, 6.0f / 20.0f), 1e-5);
    m.setReal(5, 0.0f);
    EXPECT_NEAR(m.getEngineValue(5), 1.0f, 1e-4);
    EXPECT_NEAR(m.toEngineValue(5, -20.0f), 0.1f, 1e-5);
    EXPECT_EQ(m.getLookupTable(5)->getLastValue(), m.toEngineValue(5, -20.0f));
}

TEST_F(ManagerTest, EngineValueWithOffsetClampsAndStoresNothing) {
    m.setNormalized(2, 0.9f);
    EXPECT_FLOAT_EQ(m.getEngineValueWithOffset(2, 0.5f), 1.0f);
    EXPECT_FLOAT_EQ(m.getEngineValueWithOffset(2, -2.0f), 0.0f);
    EXPECT_FLOAT_EQ(m.getEngineValueWithOffset(2, -0.4f), 0.5f);
    EXPECT_EQ(m.getNormalized(2), 0.9f);
}

// The logarithmic kinds must not answer NaN for real values at or below zero.
TEST_F(ManagerTest, LogarithmicToNormalizedClampsNonPositiveValues) {
    for (int k : {4, 9}) {
        for (float x : {0.0f, -0.0f, -5.0f, std::nanf("")})
            EXPECT_EQ(m.toNormalized(k, x), 0.0f) << "kind " << k << " x " << x;
        EXPECT_EQ(m.toNormalized(k, 1e9f), 1.0f);
    }
    EXPECT_NEAR(m.toNormalized(4, 1000.0f), 0.5663233f, 1e-6);
    m.setReal(4, -3.0f);
    EXPECT_EQ(m.getNormalized(4), 0.0f);
    EXPECT_EQ(m.getReal(4), -3.0f) << "setReal keeps the real value as given";
}

TEST_F(ManagerTest, IncrementWrapsIntegerDivisionAndNoteKinds) {
    m.setReal(6, 3.0f);
    m.increment(6);
    EXPECT_EQ(m.getReal(6), 0.0f);
    m.decrement(6);
    EXPECT_EQ(m.getReal(6), 3.0f);
    m.setReal(7, 14.0f);
    m.increment(7);
    EXPECT_EQ(m.getReal(7), 0.0f);
    m.decrement(7);
    EXPECT_EQ(m.getReal(7), 14.0f);
    m.setReal(12, 127.0f);
    m.increment(12);
    EXPECT_EQ(m.getReal(12), 0.0f);
    m.decrement(12);
    EXPECT_EQ(m.getReal(12), 0.0f) << "note numbers stop at the bottom";
}

TEST_F(ManagerTest, SteppingStopsAtTheEndsOfOtherKinds) {
    m.setReal(0, 9.5f);
    m.increment(0);
    EXPECT_EQ(m.getReal(0), 10.0f);
    m.setReal(0, -9.5f);
    m.decrement(0);
    EXPECT_EQ(m.getReal(0), -10.0f);
    m.setReal(0, 2.0f);
    m.increment(0);
    EXPECT_EQ(m.getReal(0), 3.0f);
    EXPECT_FLOAT_EQ(m.getNormalized(0), 0.65f);
}

TEST_F(ManagerTest, SteppingTogglesSwitches) {
    m.setReal(1, 0.0f);
    m.increment(1);
    EXPECT_EQ(m.getReal(1), 1.0f);
    m.increment(1);
    EXPECT_EQ(m.getReal(1), 0.0f);
    m.decrement(1);
    EXPECT_EQ(m.getReal(1), 1.0f);
}

TEST_F(ManagerTest, RandomizeRespectsTheFlagAndTheKind) {
    bool sawOn = false, sawOff = false;
    float lo = 1.0f, hi = 0.0f;
    for (int i = 0; i < 200; ++i) {
        m.randomize(1);
        const float s = m.getNormalized(1);
        EXPECT_TRUE(s == 0.0f || s == 1.0f);
        (s == 1.0f ? sawOn : sawOff) = true;
        m.randomize(2);
        lo = std::min(lo, m.getNormalized(2));
        hi = std::max(hi, m.getNormalized(2));
    }
    EXPECT_TRUE(sawOn && sawOff);
    EXPECT_LT(lo, 0.1f);
    EXPECT_GT(hi, 0.9f);
    m.setRandomizable(2, false);
    EXPECT_FALSE(m.isRandomizable(2));
    m.setNormalized(2, 0.42f);
    m.randomize(2);
    EXPECT_EQ(m.getNormalized(2), 0.42f);
}

TEST_F(ManagerTest, SnapshotsStoreAndRecallNormalizedValues) {
    m.setNormalized(0, 0.1f);
    m.setNormalized(2, 0.2f);
    const int first = m.createSnapshot({2, 0, 99});
    EXPECT_EQ(first, 0);
    EXPECT_EQ(m.createSnapshot({3}), 1);
    m.setNormalized(0, 0.8f);
    m.setNormalized(2, 0.9f);
    m.recallSnapshot(first);
    EXPECT_EQ(m.getNormalized(0), 0.1f);
    EXPECT_EQ(m.getNormalized(2), 0.2f);
    EXPECT_EQ(m.getReal(2), 20.0f);
    m.setNormalized(0, 0.6f);
    m.storeSnapshot(first);
    m.setNormalized(0, 0.0f);
    m.recallSnapshot(first);
    EXPECT_EQ(m.getNormalized(0), 0.6f);
    m.recallSnapshot(7);
    m.storeSnapshot(-1);
}

TEST_F(ManagerTest, UndefinedIndicesAreIgnored) {
    EXPECT_EQ(m.getParameterCount(), kKindCount);
    for (int index : {-1, 13, 500, tw_paramManager::kMaxParameters, 1 << 30}) {
        m.setNormalized(index, 0.5f);
        m.setReal(index, 1.0f);
        m.setSync(index, true);
        m.increment(index);
        m.randomize(index);
        EXPECT_EQ(m.getNormalized(index), 0.0f);
        EXPECT_EQ(m.getReal(index), 0.0f);
        EXPECT_EQ(m.getEngineValue(index), 0.0f);
        EXPECT_FALSE(m.isSynced(index));
        EXPECT_EQ(m.getLookupTable(index), nullptr);
        char text[16];
        std::memset(text, 'X', sizeof text);
        m.getDisplay(index, text, 8);
        EXPECT_STREQ(text, "");
        m.getName(index, text, 8);
        EXPECT_STREQ(text, "");
    }
    m.defineParameter(-4, "Bad", "Bad", "", 0.0f, 1.0f, 0.0f, 0);
    m.defineParameter(tw_paramManager::kMaxParameters, "Bad", "Bad", "", 0.0f, 1.0f, 0.0f, 0);
    EXPECT_EQ(m.getParameterCount(), kKindCount);
}

TEST_F(ManagerTest, HostValueIsTheNormalizedValue) {
    m.setNormalized(4, 0.3f);
    EXPECT_FALSE(m.usesRealHostValues(4));
    EXPECT_EQ(m.getHostValue(4), 0.3f);
}

// Run under ThreadSanitizer this shows that reading values and texts while another thread sets
// them is free of data races.
TEST_F(ManagerTest, ReadersOnAnotherThreadSeeWholeValues) {
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            m.setNormalized(9, static_cast<float>(i % 101) / 100.0f);
            m.setSync(9, (i / 7) % 2 == 0);
        }
        done = true;
    });
    int reads = 0;
    while (!done || reads < 100) {
        char text[9];
        m.getDisplay(9, text, 8);
        EXPECT_LT(std::strlen(text), 8u);
        const float n = m.getNormalized(9);
        EXPECT_TRUE(n >= 0.0f && n <= 1.0f);
        ++reads;
    }
    writer.join();
}

// Two threads setting one parameter at the same moment (a knob drag racing automation) leave a
// real value that belongs to the normalised value, whichever thread came last.
TEST_F(ManagerTest, RacingWritersLeaveAMatchingPair) {
    for (int round = 0; round < 100; ++round) {
        std::atomic<int> ready{0};
        auto writer = [&](float n) {
            ready.fetch_add(1);
            while (ready.load() < 2) {
            }
            for (int i = 0; i < 50; ++i)
                m.setNormalized(4, n);
        };
        std::thread a(writer, 0.1f);
        std::thread b(writer, 0.9f);
        a.join();
        b.join();
        ASSERT_EQ(m.getReal(4), m.toReal(4, m.getNormalized(4))) << "round " << round;
    }
}

} // namespace
