#include "gui/cvstguitimer.h"

#include <algorithm>
#include <vector>

namespace VSTGUI {

namespace {
// The running timers; touched only on the user-interface thread.
std::vector<CVSTGUITimer*>& runningTimers() {
    static std::vector<CVSTGUITimer*> timers;
    return timers;
}
} // namespace

CVSTGUITimer::CVSTGUITimer(CBaseObject* t, int32_t ms, bool doStart) : target(t), fireTime(1) {
    setFireTime(ms);
    if (doStart) start();
}

CVSTGUITimer::~CVSTGUITimer() {
    stop();
}

void CVSTGUITimer::setFireTime(int32_t ms) {
    fireTime = ms < 1 ? 1 : ms;
    if (running) due = Clock::now() + std::chrono::milliseconds(fireTime);
}

bool CVSTGUITimer::start() {
    if (running) return true;
    running = true;
    due = Clock::now() + std::chrono::milliseconds(fireTime);
    runningTimers().push_back(this);
    return true;
}

bool CVSTGUITimer::stop() {
    if (!running) return false;
    running = false;
    auto& timers = runningTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    return true;
}

int CVSTGUITimer::fireDueTimers(Clock::time_point now) {
    // A target may start or stop timers, or release this one, while it is notified: walk a
    // snapshot and keep each timer alive while it fires.
    std::vector<CVSTGUITimer*> snapshot = runningTimers();
    for (CVSTGUITimer* t : snapshot)
        t->remember();
    int fired = 0;
    for (CVSTGUITimer* t : snapshot) {
        const auto& timers = runningTimers();
        const bool stillRunning = std::find(timers.begin(), timers.end(), t) != timers.end();
        if (stillRunning && t->running && now >= t->due) {
            t->due = now + std::chrono::milliseconds(t->fireTime);
            ++fired;
            if (t->target != nullptr) t->target->notify(t, kMsgTimer);
        }
    }
    for (CVSTGUITimer* t : snapshot)
        t->forget();
    return fired;
}

} // namespace VSTGUI
