#pragma once

#include "gui/cbaseobject.h"

#include <chrono>

// A periodic timer that notifies its target with the message kMsgTimer. Timers do not run on a
// thread of their own: every frame's idle (the host's user-interface thread) fires the timers
// that are due, so targets are always called on that thread. A timer that fell behind fires once
// and is rescheduled from the moment it fired; it never bursts to catch up.

namespace VSTGUI {

class CVSTGUITimer : public CBaseObject {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr const char* kMsgTimer = "timer fired";

    // The target is not owned and must outlive the timer or stop it first.
    CVSTGUITimer(CBaseObject* target, int32_t fireTime = 100, bool doStart = false);
    ~CVSTGUITimer() override;
    CVSTGUITimer(const CVSTGUITimer&) = delete;
    CVSTGUITimer& operator=(const CVSTGUITimer&) = delete;

    bool start();
    bool stop();
    bool isRunning() const { return running; }
    // Periods below one millisecond are raised to one.
    void setFireTime(int32_t ms);
    int32_t getFireTime() const { return fireTime; }

    // Fires every running timer whose time has come; called by CFrame::idle, and by tests with a
    // clock of their own. Returns how many fired.
    static int fireDueTimers(Clock::time_point now);
    static int fireDueTimers() { return fireDueTimers(Clock::now()); }

    CLASS_TYPE_OF(CVSTGUITimer, CBaseObject)

private:
    CBaseObject* target;
    int32_t fireTime;
    bool running = false;
    Clock::time_point due;
};

} // namespace VSTGUI
