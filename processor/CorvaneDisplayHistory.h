#pragma once

#include "engine/CCorvaneDisplaySums.h"

#include <cstdint>

// The graphs' data: the audio thread adds each control tick's envelope and LFO value to the
// sums (the engine writes them, through the pointer the processor gives it); the editor's timer
// turns what accumulated since its last poll into one entry of each history. The processor owns
// it, so the editor reads the graphs without touching the engine.
//
// Threads: sums() is written by the audio thread only; poll, clear and the history accessors
// belong to the editor's thread.
class CorvaneDisplayHistory {
public:
    static constexpr int kSize = 129;

    CCorvaneDisplaySums& sums() { return sums_; }

    // Editor's timer: the mean envelope and LFO value since the last poll into the next slot.
    void poll();
    // The window opens: both histories empty, restarting at slot 0, and what the audio thread
    // accumulated while no one polled is dropped.
    void clear();

    const float* envelope() const { return envelope_; }
    const float* lfo() const { return lfo_; }
    // Next slot to be written, 0 .. kSize - 1.
    int index() const { return index_; }
    // Control ticks consumed by poll (or dropped by clear) so far.
    std::uint64_t displayedTicks() const { return displayed_.ticks; }

private:
    CCorvaneDisplaySums sums_;
    CCorvaneDisplaySums::snapshot displayed_;
    float envelope_[kSize] = {};
    float lfo_[kSize] = {};
    int index_ = 0;
    // clear could not read the totals (the writer was mid-update every time): the next
    // successful read becomes the starting point instead of a history entry.
    bool resync_ = false;
};
