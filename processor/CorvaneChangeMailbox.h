#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace corvane {

// Tells its takers which of up to 32 slots changed since each last looked. The values stay where
// they live (the parameter manager); a writer first stores the value there, then raises the
// slot's bit for every taker in one atomic word, and a taker takes all of its own bits in one
// read-modify-write and reads the current values of the slots it took. Latest value wins by
// construction: a store that lands after a taker read raises its bit again for the next take,
// and a bit raised twice is taken once. Any number of writers, Takers takers (one thread
// each); nothing allocates, locks or retries.
//
// The processor has one with two takers: the audio thread (engine commands at the start of a
// block) and the editor (controls on its timer). A writer pays one atomic operation for both.
template <int Slots, int Takers = 1>
class CorvaneChangeMailbox {
public:
    static_assert(Slots > 0 && Slots <= 32 && Takers > 0 && Slots * Takers <= 64,
                  "one bit per slot and taker in one word");
    using Word = std::conditional_t<Slots * Takers <= 32, std::uint32_t, std::uint64_t>;
    static_assert(std::atomic<Word>::is_always_lock_free, "the word must be lock-free");

    static constexpr std::uint32_t kAll =
        Slots == 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << Slots) - 1;
    static constexpr std::uint32_t bit(int slot) { return std::uint32_t{1} << slot; }

    // Any thread, after storing the value(s). Release: whoever takes a bit sees the store.
    void raise(std::uint32_t slots) {
        slots &= kAll;
        if (slots == 0) return;
        Word word = 0;
        for (int t = 0; t < Takers; ++t)
            word |= Word{slots} << (t * Slots);
        bits_.fetch_or(word, std::memory_order_release);
    }
    void raiseOne(int slot) {
        if (slot >= 0 && slot < Slots) raise(bit(slot));
    }

    // A taker: every slot raised since its last take.
    std::uint32_t take(int taker = 0) {
        const int shift = taker * Slots;
        const Word mask = Word{kAll} << shift;
        // Nothing raised (most blocks): a plain read instead of a read-modify-write, which
        // would also take the word's cache line from the other taker. A bit raised after this
        // read is taken the next time, as it would be after the read-modify-write.
        if ((bits_.load(std::memory_order_acquire) & mask) == 0) return 0;
        const Word before = bits_.fetch_and(static_cast<Word>(~mask), std::memory_order_acquire);
        return static_cast<std::uint32_t>((before & mask) >> shift);
    }

    bool empty() const { return bits_.load(std::memory_order_relaxed) == 0; }

private:
    std::atomic<Word> bits_{0};
};

} // namespace corvane
