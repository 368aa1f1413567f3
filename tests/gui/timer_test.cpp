#include "gui/vstgui.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace VSTGUI;
using namespace std::chrono_literals;

namespace {

struct Counter : CBaseObject {
    CMessageResult notify(CBaseObject* sender, const char* message) override {
        ++ticks;
        lastSender = sender;
        lastMessage = message;
        if (onTick) onTick();
        return kMessageNotified;
    }
    int ticks = 0;
    CBaseObject* lastSender = nullptr;
    const char* lastMessage = nullptr;
    std::function<void()> onTick;
};

TEST(CVSTGUITimer, FiresWhenDueAndNeverBursts) {
    Counter target;
    CVSTGUITimer* timer = new CVSTGUITimer(&target, 30);
    const auto start = CVSTGUITimer::Clock::now();
    timer->start();
    EXPECT_TRUE(timer->isRunning());
    CVSTGUITimer::fireDueTimers(start + 10ms);
    EXPECT_EQ(target.ticks, 0);
    CVSTGUITimer::fireDueTimers(start + 31ms);
    EXPECT_EQ(target.ticks, 1);
    EXPECT_EQ(target.lastSender, timer);
    EXPECT_STREQ(target.lastMessage, CVSTGUITimer::kMsgTimer);
    // Late by ten periods: one tick, then the next a period later.
    CVSTGUITimer::fireDueTimers(start + 400ms);
    EXPECT_EQ(target.ticks, 2);
    CVSTGUITimer::fireDueTimers(start + 420ms);
    EXPECT_EQ(target.ticks, 2);
    CVSTGUITimer::fireDueTimers(start + 431ms);
    EXPECT_EQ(target.ticks, 3);
    timer->stop();
    CVSTGUITimer::fireDueTimers(start + 10s);
    EXPECT_EQ(target.ticks, 3);
    timer->forget();
}

TEST(CVSTGUITimer, ATargetMayStopAndReleaseItsTimerWhileNotified) {
    Counter a, b;
    auto* ta = new CVSTGUITimer(&a, 1, true);
    auto* tb = new CVSTGUITimer(&b, 1, true);
    a.onTick = [&] {
        ta->stop();
        ta->forget();
        tb->stop();
    };
    CVSTGUITimer::fireDueTimers(CVSTGUITimer::Clock::now() + 1s);
    EXPECT_EQ(a.ticks, 1);
    EXPECT_EQ(b.ticks, 0);
    tb->forget();
}

TEST(CVSTGUITimer, FrameIdleRunsTheTimers) {
    Counter target;
    CVSTGUITimer* timer = new CVSTGUITimer(&target, 1, true);
    CFrame* frame = new CFrame(CRect(0, 0, 10, 10), nullptr, nullptr);
    for (int i = 0; i < 200 && target.ticks == 0; ++i) {
        std::this_thread::sleep_for(1ms);
        frame->idle();
    }
    EXPECT_GE(target.ticks, 1);
    frame->forget();
    timer->forget();
}

} // namespace
