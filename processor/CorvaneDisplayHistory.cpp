#include "processor/CorvaneDisplayHistory.h"

#include <algorithm>
#include <iterator>

void CorvaneDisplayHistory::poll() {
    CCorvaneDisplaySums::snapshot now;
    if (sums_.read(now)) {
        const std::uint64_t ticks = now.ticks - displayed_.ticks;
        if (resync_) {
            resync_ = false;
        } else if (ticks > 1) {
            envelope_[index_] = CCorvaneDisplaySums::mean(now.envelope, displayed_.envelope, ticks);
            lfo_[index_] = CCorvaneDisplaySums::mean(now.lfo, displayed_.lfo, ticks);
        }
        displayed_ = now;
    }
    if (++index_ >= kSize) index_ = 0;
}

void CorvaneDisplayHistory::clear() {
    std::fill(std::begin(envelope_), std::end(envelope_), 0.0f);
    std::fill(std::begin(lfo_), std::end(lfo_), 0.0f);
    index_ = 0;
    // The audio side's totals are never reset (a reset could wipe out an addition it is making
    // right now); taking them as the new starting point discards the same amount safely.
    resync_ = !sums_.read(displayed_);
}
