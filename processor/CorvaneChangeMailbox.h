#pragma once

#include <atomic>
#include <cstdint>

namespace corvane {

// Tells one consumer which of up to 32 slots changed since it last looked. The values stay where
// they live (the parameter manager); a writer first stores the value there, then raises the
// slot's bit, and the consumer takes the whole word in one exchange and reads the current values
// of the slots it took. Latest value wins by construction: a store that lands after the consumer
// read raises its bit again for the next take, and a bit raised twice is taken once. Any number
// of writers, one consumer; nothing allocates, locks or retries.
//
// The processor has two: one for the audio thread (engine commands at the start of a block) and
// one for the editor (controls on its timer).
template <int Slots>
class CorvaneChangeMailbox {
public:
    static_assert(Slots > 0 && Slots <= 32, "one bit per slot in a 32-bit word");
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free, "the word must be lock-free");

    static constexpr std::uint32_t kAll =
        Slots == 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << Slots) - 1;
    static constexpr std::uint32_t bit(int slot) { return std::uint32_t{1} << slot; }

    // Any thread, after storing the value(s). Release: whoever takes a bit sees the store.
    void raise(std::uint32_t slots) {
        slots &= kAll;
        if (slots != 0) bits_.fetch_or(slots, std::memory_order_release);
    }
    void raiseOne(int slot) {
        if (slot >= 0 && slot < Slots) raise(bit(slot));
    }

    // The consumer: every slot raised since the last take.
    std::uint32_t take() { return bits_.exchange(0, std::memory_order_acquire); }

    bool empty() const { return bits_.load(std::memory_order_relaxed) == 0; }

private:
    std::atomic<std::uint32_t> bits_{0};
};

} // namespace corvane
