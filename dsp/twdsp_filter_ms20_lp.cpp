#include "dsp/twdsp_filter_ms20_lp.h"

#include <cmath>

twdsp_filter_ms20_lp::twdsp_filter_ms20_lp() {
    frequency_ = 1000.0f;
    twdsp_filter_ms20_lp::update_coefficients();
}

twdsp_filter_ms20_lp::~twdsp_filter_ms20_lp() = default;

void twdsp_filter_ms20_lp::reset() {
    s1_ = y1_ = s2_ = y2_ = 0.0f;
}

void twdsp_filter_ms20_lp::set_frequency(float hz) {
    frequency_ = hz;
    update_coefficients();
}

void twdsp_filter_ms20_lp::set_resonance(float amount) {
    // Beyond 0..1 the linear part of the feedback alone would exceed unity loop gain.
    const float bounded = amount > 0.0f ? (amount < 1.0f ? amount : 1.0f) : 0.0f;
    k_ = 2.5f * bounded;
    q_ = k_;
}

void twdsp_filter_ms20_lp::update_coefficients() {
    // At or above half the rate the tangent turns negative or infinite: limit what the
    // coefficients see.
    const float hz = coefficient_frequency(frequency_, 1.0f);
    const float g = tanf(hz * 3.1415927f * sample_period_);
    G_ = g / (g + 1.0f);
    a_ = (g - 1.0f) / (g + 1.0f);
}
