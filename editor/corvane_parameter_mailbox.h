#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

// Hands parameter values from any thread (the host may change parameters from its audio or
// automation thread) to the user-interface thread without locks or allocation: one slot per
// parameter holds the latest value, and a flag says it is waiting. Writers only store; the
// user-interface thread collects the waiting values on idle. A value posted twice before it is
// collected arrives once, as the later one, which is all a control needs.
namespace corvane {

template <int N>
class ParameterMailbox {
public:
    ParameterMailbox() {
        for (int i = 0; i < N; ++i) {
            bits[i].store(0, std::memory_order_relaxed);
            pending[i].store(false, std::memory_order_relaxed);
        }
    }

    // Any thread. Indices outside 0..N-1 are ignored.
    void post(int index, float value) {
        if (index < 0 || index >= N) return;
        uint32_t b;
        std::memcpy(&b, &value, sizeof b);
        bits[index].store(b, std::memory_order_relaxed);
        // Release: whoever sees the flag also sees the value stored before it.
        pending[index].store(true, std::memory_order_release);
    }

    // User-interface thread: calls deliver(index, value) for every waiting value, in index order.
    template <typename Deliver>
    int collect(Deliver&& deliver) {
        int delivered = 0;
        for (int i = 0; i < N; ++i) {
            if (!pending[i].exchange(false, std::memory_order_acquire)) continue;
            const uint32_t b = bits[i].load(std::memory_order_relaxed);
            float value;
            std::memcpy(&value, &b, sizeof value);
            deliver(i, value);
            ++delivered;
        }
        return delivered;
    }

    // Forgets everything waiting (the window closed).
    void clear() {
        for (int i = 0; i < N; ++i)
            pending[i].store(false, std::memory_order_relaxed);
    }

    static_assert(std::atomic<uint32_t>::is_always_lock_free, "value slots must be lock-free");
    static_assert(std::atomic<bool>::is_always_lock_free, "flags must be lock-free");

private:
    std::atomic<uint32_t> bits[N];
    std::atomic<bool> pending[N];
};

} // namespace corvane
