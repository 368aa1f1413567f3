#pragma once

#include <atomic>
#include <vector>

// A curve precomputed at a fixed number of points and read back by linear interpolation, so that
// exponential and decibel mappings cost no pow, exp or log when a parameter changes.
//
// The table is filled once, on the thread that defines the parameter; lookups may then run on
// any thread. The most recent lookup result is kept (relaxed atomic) for inspection.
class tw_lookupTable {
public:
    // Shape codes.
    static constexpr int kShapeExponential = 800; // a * (b / a)^t, t = 0..1
    static constexpr int kShapeDecibel = 812;     // gain from a dB to b dB; point 0 is silence

    static constexpr int kDefaultCount = 1024;

    explicit tw_lookupTable(int count = kDefaultCount);
    tw_lookupTable(const tw_lookupTable&) = delete;
    tw_lookupTable& operator=(const tw_lookupTable&) = delete;

    // Computes the points for a shape from a to b. An unknown shape leaves the table silent.
    void fill(int shape, float a, float b);

    // The curve at position p in 0..1; positions outside 0..1 (and NaN) read the nearest end.
    float lookup(float p) const;

    int getCount() const { return count_; }
    // Point i in 0..count (count is the guard point); 0 for any other i.
    float getPoint(int i) const;
    float getLastValue() const { return lastValue_.load(std::memory_order_relaxed); }

private:
    int count_;
    // count + 1 points: the last repeats point count - 1, so interpolating at p = 1 reads a valid
    // neighbour.
    std::vector<float> points_;
    mutable std::atomic<float> lastValue_{0.0f};
};
