#include "tools/corvane-host/progress_bar.h"

#include <unistd.h>

namespace corvane::tools {

namespace {
constexpr auto kDelay = std::chrono::milliseconds(500);
constexpr auto kInterval = std::chrono::milliseconds(100);
constexpr int kWidth = 40;
} // namespace

ProgressBar::ProgressBar(bool enabled)
    : enabled_(enabled && isatty(STDERR_FILENO)), start_(Clock::now()), last_draw_(start_) {}

void ProgressBar::update(size_t done, size_t total) {
    if (!enabled_ || total == 0) return;
    const Clock::time_point now = Clock::now();
    if (now - start_ < kDelay || (drawn_ && now - last_draw_ < kInterval)) return;
    last_draw_ = now;
    drawn_ = true;
    const double fraction = static_cast<double>(done) / static_cast<double>(total);
    const int filled = static_cast<int>(fraction * kWidth);
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double remaining = fraction > 0.0 ? elapsed * (1.0 - fraction) / fraction : 0.0;
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i)
        bar[i] = i < filled ? '#' : '-';
    bar[kWidth] = 0;
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f s left ", bar, static_cast<int>(fraction * 100.0),
                 remaining);
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r%*s\r", kWidth + 24, "");
    std::fflush(stderr);
    drawn_ = false;
}

} // namespace corvane::tools
