#pragma once

#if defined(__SSE2__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

// The floating-point mode of one audio-thread call into the processor. Subnormal results become
// zero (flush to zero) and subnormal operands read as zero (denormals are zero), so signals that
// decay through 1e-38 in long silences cost what any other signal costs; rounding is to nearest
// and no exception traps, whatever the host has set, so the engine computes the same numbers in
// every host. The caller's mode is saved on entry and put back on return: the host finds its
// floating-point state as it left it. Where the processor has no such modes this does nothing.
class CorvaneFloatMode {
public:
#if defined(__SSE2__) || defined(__x86_64__)
    // MXCSR: all exceptions masked (bits 7-12), round to nearest (bits 13-14 clear), flush to
    // zero (bit 15), denormals are zero (bit 6).
    static constexpr unsigned kMode = 0x1F80u | 0x8000u | 0x0040u;
    // The status flags (bits 0-5) record exceptions raised so far; they are no part of the mode.
    static constexpr unsigned kModeMask = ~0x3Fu;

    // Writing the register stalls the processor for about as long as a frame of audio takes:
    // a host that already runs in this mode (many flush subnormals on their audio threads)
    // is left alone, exceptions it records included.
    CorvaneFloatMode() : saved_(_mm_getcsr()) {
        if ((saved_ & kModeMask) != kMode) _mm_setcsr(kMode);
    }
    ~CorvaneFloatMode() {
        if ((saved_ & kModeMask) != kMode) _mm_setcsr(saved_);
    }

    static unsigned current() {
        return _mm_getcsr();
    }

private:
    unsigned saved_;
#elif defined(__aarch64__)
    // FPCR: flush to zero (bit 24), round to nearest, no traps.
    static constexpr unsigned long kMode = 1ul << 24;
    static constexpr unsigned long kModeMask = ~0ul;

    CorvaneFloatMode() : saved_(current()) {
        set(kMode);
    }
    ~CorvaneFloatMode() {
        set(saved_);
    }

    static unsigned long current() {
        unsigned long fpcr;
        __asm__ __volatile__("mrs %0, fpcr" : "=r"(fpcr));
        return fpcr;
    }

private:
    static void set(unsigned long fpcr) {
        __asm__ __volatile__("msr fpcr, %0" : : "r"(fpcr));
    }
    unsigned long saved_;
#else
    static constexpr unsigned kMode = 0u;
    static constexpr unsigned kModeMask = 0u;
    static unsigned current() {
        return 0u;
    }
#endif

public:
    CorvaneFloatMode(const CorvaneFloatMode&) = delete;
    CorvaneFloatMode& operator=(const CorvaneFloatMode&) = delete;
};
