#include "rt_probe.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

using corvane::test::RealtimeProbe;

TEST(RealtimeProbe, CountsAllocationsAndLocksOfThisThreadOnly) {
    std::mutex m;
    RealtimeProbe probe;
    EXPECT_EQ(probe.allocations(), 0);
    auto p = std::make_unique<int>(3);
    std::vector<float> v(100);
    EXPECT_GE(probe.allocations(), 2);
    if (RealtimeProbe::counts_c_calls()) {
        { std::lock_guard<std::mutex> lock(m); }
        EXPECT_EQ(probe.locks(), 1);
    }
}

TEST(RealtimeProbe, QuietCodeCountsNothing) {
    float buffer[64] = {};
    RealtimeProbe probe;
    for (float& x : buffer) x = x * 0.5f + 1.0f;
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
    EXPECT_EQ(buffer[3], 1.0f);
}
