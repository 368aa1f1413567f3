#include "editor/corvane_parameter_mailbox.h"
#include "rt_probe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Mailbox = corvane::ParameterMailbox<29>;

std::vector<std::pair<int, float>> drain(Mailbox& box) {
    std::vector<std::pair<int, float>> got;
    box.collect([&](int i, float v) { got.emplace_back(i, v); });
    return got;
}

TEST(ParameterMailbox, DeliversTheLatestValueOncePerParameterInIndexOrder) {
    Mailbox box;
    box.post(15, 1.f);
    box.post(3, 0.25f);
    box.post(15, 0.f);
    box.post(29, 0.5f);
    box.post(-1, 0.5f);
    EXPECT_EQ(drain(box), (std::vector<std::pair<int, float>>{{3, 0.25f}, {15, 0.f}}));
    EXPECT_TRUE(drain(box).empty());
    box.post(7, 0.5f);
    box.clear();
    EXPECT_TRUE(drain(box).empty());
}

TEST(ParameterMailbox, PostingNeitherAllocatesNorLocks) {
    Mailbox box;
    corvane::test::RealtimeProbe probe;
    for (int i = 0; i < 1000; ++i)
        box.post(i % 29, float(i) / 1000.f);
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
}

TEST(ParameterMailbox, AWriterThreadNeverTearsAValue) {
    Mailbox box;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int n = 0; n < 200000; ++n)
            box.post(n % 29, (n % 2) ? 0.125f : 0.875f);
        done = true;
    });
    int seen = 0;
    while (!done || seen == 0) {
        box.collect([&](int, float v) {
            EXPECT_TRUE(v == 0.125f || v == 0.875f);
            ++seen;
        });
    }
    writer.join();
    EXPECT_GT(seen, 0);
}

} // namespace
