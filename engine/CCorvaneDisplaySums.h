#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>

// Hands the control tick's envelope and LFO values from the audio thread to the editor's
// thread without a lock. The audio side keeps running totals (fixed point, so they never lose
// precision and wrap around harmlessly) and publishes them with a sequence counter; a reader
// takes a consistent snapshot and works with the difference to the snapshot it took before.
// Nothing is ever cleared, so no addition can be lost between a read and a reset.
//
// add() is wait-free and must be called from one thread only; read() may be called from any
// other thread and never blocks (it gives up after a few attempts if the writer is mid-update).
class CCorvaneDisplaySums {
public:
    // 2^24 steps per unit; values are limited to ±1e6 (far beyond anything a graph shows) so
    // one tick can never move a total by more than a tiny fraction of its range.
    static constexpr double scale = 16777216.0;
    static constexpr float limit = 1e6f;

    struct snapshot {
        std::uint64_t envelope = 0;
        std::uint64_t lfo = 0;
        std::uint64_t ticks = 0;
    };

    // Audio thread: one control tick's values.
    void add(float envelope, float lfo) {
        env_total_ += to_fixed(envelope);
        lfo_total_ += to_fixed(lfo);
        ++tick_total_;
        // Release stores of the data keep the odd sequence value ahead of them: a reader that
        // sees any of the new data also sees that an update was under way.
        const std::uint32_t s = sequence_.load(std::memory_order_relaxed);
        sequence_.store(s + 1, std::memory_order_relaxed);
        envelope_.store(env_total_, std::memory_order_release);
        lfo_.store(lfo_total_, std::memory_order_release);
        ticks_.store(tick_total_, std::memory_order_release);
        sequence_.store(s + 2, std::memory_order_release);
    }

    // Reader: the totals as of one complete add(). False when the writer kept being caught
    // mid-update; the caller then simply tries again later.
    bool read(snapshot& out) const {
        for (int attempt = 0; attempt < 64; ++attempt) {
            const std::uint32_t before = sequence_.load(std::memory_order_acquire);
            if (before & 1u) continue;
            snapshot s;
            s.envelope = envelope_.load(std::memory_order_acquire);
            s.lfo = lfo_.load(std::memory_order_acquire);
            s.ticks = ticks_.load(std::memory_order_acquire);
            if (sequence_.load(std::memory_order_relaxed) == before) {
                out = s;
                return true;
            }
        }
        return false;
    }

    // Mean value per tick of the additions between two snapshots of one total.
    static float mean(std::uint64_t later, std::uint64_t earlier, std::uint64_t ticks) {
        const auto sum = static_cast<std::int64_t>(later - earlier);
        return static_cast<float>(static_cast<double>(sum) / scale / static_cast<double>(ticks));
    }

private:
    static std::uint64_t to_fixed(float v) {
        if (!(v > -limit)) v = v < 0.0f ? -limit : 0.0f; // NaN adds nothing
        if (v > limit) v = limit;
        return static_cast<std::uint64_t>(std::llround(static_cast<double>(v) * scale));
    }

    // Writer-side totals, touched by the audio thread only.
    std::uint64_t env_total_ = 0;
    std::uint64_t lfo_total_ = 0;
    std::uint64_t tick_total_ = 0;

    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<std::uint64_t> envelope_{0};
    std::atomic<std::uint64_t> lfo_{0};
    std::atomic<std::uint64_t> ticks_{0};
};
