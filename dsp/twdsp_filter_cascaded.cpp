#include "dsp/twdsp_filter_cascaded.h"

#include <cmath>

namespace {
constexpr double pi = 3.14159265358979323846;
}

twdsp_filter_cascaded::twdsp_filter_cascaded()
    : sections_(new twdsp_filter_cascaded_section[section_count]) {
    // Butterworth dampings 2 sin((2k - 1) π / 4N), k = 1..N.
    for (int k = 1; k <= count_; ++k)
        sections_[k - 1].dk = 2.0 * std::sin((2.0 * k - 1.0) * pi / (4.0 * count_));
    radians_per_hz_ = 2.0 * pi / static_cast<double>(sample_rate_);
    frequency_ = 1000.0f;
    twdsp_filter_cascaded::set_frequency(frequency_);
}

twdsp_filter_cascaded::~twdsp_filter_cascaded() = default;

void twdsp_filter_cascaded::reset() {
    for (int i = 0; i < count_; ++i) {
        twdsp_filter_cascaded_section& s = sections_[i];
        s.x1 = s.x2 = s.y1 = s.y2 = 0.0;
    }
}

void twdsp_filter_cascaded::set_sample_rate(float rate) {
    if (!usable_rate(rate)) return;
    twdsp_block::set_sample_rate(rate);
    reset();
    radians_per_hz_ = 2.0 * pi / static_cast<double>(rate);
    set_frequency(frequency_);
}

float twdsp_filter_cascaded::process(float x) {
    double y = x;
    for (int i = 0; i < count_; ++i)
        y = process_stage(sections_[i], y);
    return static_cast<float>(y);
}

void twdsp_filter_cascaded::set_frequency(float hz) {
    frequency_ = hz;
    const double w = static_cast<double>(coefficient_frequency(hz, 1.0f)) * radians_per_hz_;
    const double cw = std::cos(w);
    const double sw = std::sin(w);
    for (int i = 0; i < count_; ++i) {
        twdsp_filter_cascaded_section& s = sections_[i];
        const double e = s.dk * 0.5 * sw;
        s.beta = (1.0 - e) / (1.0 + e) * 0.5;
        s.gamma = (s.beta + 0.5) * cw;
    }
}
