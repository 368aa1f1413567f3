#include "dsp/twdsp_filter.h"

twdsp_filter::~twdsp_filter() = default;

void twdsp_filter::set_sample_rate(float rate) {
    if (!usable_rate(rate)) return;
    twdsp_block::set_sample_rate(rate);
    reset();
    update_coefficients();
}

void twdsp_filter::set_frequency(float hz) {
    if (hz == frequency_) return;
    frequency_ = hz;
    update_coefficients();
}

void twdsp_filter::set_q(float q) {
    if (q == q_) return;
    q_ = q;
    update_coefficients();
}

float twdsp_filter::coefficient_frequency(float hz, float min_hz) const {
    const float max_hz = 0.45f * sample_rate_;
    if (!(hz > min_hz)) return min_hz;
    if (!(hz < max_hz)) return max_hz;
    return hz;
}
