#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace corvane::tools {

// A one-line progress bar on stderr for renders that take a while. It stays silent unless
// stderr is a terminal, and it appears only once the job has run for half a second, so short
// renders and logs written to files stay clean. Redraws at most ten times a second.
class ProgressBar {
public:
    explicit ProgressBar(bool enabled);
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(size_t done, size_t total);
    // Clears the bar's line, if one was drawn.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool drawn_ = false;
    Clock::time_point start_;
    Clock::time_point last_draw_;
};

} // namespace corvane::tools
