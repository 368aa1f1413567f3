#include "processor/CorvaneChangeMailbox.h"
#include "rt_probe.h"

#include <gtest/gtest.h>

namespace {

using Mailbox = corvane::CorvaneChangeMailbox<29>;

TEST(ChangeMailbox, TakesEachRaisedSlotOnceAndIgnoresOthers) {
    Mailbox box;
    box.raiseOne(15);
    box.raiseOne(3);
    box.raiseOne(15);
    box.raiseOne(29);
    box.raiseOne(-1);
    box.raise(~std::uint32_t{0} << 29);
    EXPECT_EQ(box.take(), Mailbox::bit(3) | Mailbox::bit(15));
    EXPECT_TRUE(box.empty());
    EXPECT_EQ(box.take(), 0u);
    box.raise(Mailbox::kAll);
    EXPECT_EQ(box.take(), (1u << 29) - 1);
}

TEST(ChangeMailbox, RaisingNeitherAllocatesNorLocks) {
    Mailbox box;
    corvane::test::RealtimeProbe probe;
    for (int i = 0; i < 1000; ++i)
        box.raiseOne(i % 29);
    EXPECT_EQ(box.take(), Mailbox::kAll);
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
}

// Two takers share one word: each takes only its own bits, both see every raise.
TEST(ChangeMailbox, EachTakerTakesItsOwnFlags) {
    corvane::CorvaneChangeMailbox<29, 2> box;
    box.raiseOne(28);
    box.raiseOne(0);
    EXPECT_EQ(box.take(1), Mailbox::bit(0) | Mailbox::bit(28));
    EXPECT_EQ(box.take(1), 0u);
    box.raiseOne(5);
    EXPECT_EQ(box.take(0), Mailbox::bit(0) | Mailbox::bit(5) | Mailbox::bit(28));
    EXPECT_EQ(box.take(1), Mailbox::bit(5));
    EXPECT_TRUE(box.empty());
}

} // namespace
