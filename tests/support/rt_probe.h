#pragma once

// Counts heap allocations and mutex locks made by the current thread while a probe is alive.
// Link `corvane_test_support` into a test to use it; the counting hooks replace the global
// operator new/delete and, outside sanitizer builds, malloc and pthread_mutex_lock.

namespace corvane::test {

class RealtimeProbe {
public:
    RealtimeProbe();
    ~RealtimeProbe();
    RealtimeProbe(const RealtimeProbe&) = delete;
    RealtimeProbe& operator=(const RealtimeProbe&) = delete;

    long allocations() const;
    long locks() const;

    // True when malloc and mutex locks are counted too (not only operator new).
    static bool counts_c_calls();
};

} // namespace corvane::test
