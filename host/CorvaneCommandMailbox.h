#pragma once

#include <atomic>
#include <cstdint>

namespace corvane {

// Hands engine commands from whichever thread changes a parameter to the audio thread, which
// owns the engine. There is one slot per command: a poster stores the value, then raises the
// slot's bit in one dirty word. The audio thread takes the whole word in one exchange at the
// start of a block and applies the raised slots in ascending order, each with the latest value
// posted. Nothing is lost (a value stored after the exchange raises its bit again for the next
// block), nothing allocates or blocks, and several threads may post at once. A slot whose bit
// is still raised from an earlier post may deliver a value staged for a later publish one
// drain early, which is harmless as long as each slot's value makes sense on its own.
template <int Slots>
class CorvaneCommandMailbox {
public:
    static_assert(Slots > 0 && Slots <= 32, "one dirty bit per slot in a 32-bit word");
    static_assert(std::atomic<float>::is_always_lock_free, "slots must be lock-free");
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free, "dirty word must be lock-free");

    static constexpr std::uint32_t bit(int slot) { return std::uint32_t{1} << slot; }

    // Any thread. Slots outside 0..Slots-1 are ignored.
    void post(int slot, float value) {
        if (slot < 0 || slot >= Slots) return;
        stage(slot, value);
        publish(bit(slot));
    }

    // Several commands that belong together: stage each value, then publish all their bits at
    // once, so the owner takes them in the same drain. Staging alone announces nothing.
    void stage(int slot, float value) {
        if (slot < 0 || slot >= Slots) return;
        values_[slot].store(value, std::memory_order_relaxed);
    }
    void publish(std::uint32_t slots) {
        slots &= kAllSlots;
        // Release: whoever takes a bit also sees the value staged before it.
        if (slots != 0) dirty_.fetch_or(slots, std::memory_order_release);
    }

    // The owning thread: apply(slot, value) for every slot posted since the last drain.
    template <typename Apply>
    void drain(Apply&& apply) {
        std::uint32_t pending = dirty_.exchange(0, std::memory_order_acquire);
        while (pending != 0) {
            const int slot = __builtin_ctz(pending);
            pending &= pending - 1;
            apply(slot, values_[slot].load(std::memory_order_relaxed));
        }
    }

    bool empty() const { return dirty_.load(std::memory_order_relaxed) == 0; }

private:
    static constexpr std::uint32_t kAllSlots =
        Slots == 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << Slots) - 1;

    std::atomic<float> values_[Slots] = {};
    std::atomic<std::uint32_t> dirty_{0};
};

} // namespace corvane
