#include "dsp/twdsp_filter_kalden_high_shelf.h"

twdsp_filter_kalden_high_shelf::twdsp_filter_kalden_high_shelf() {
    frequency_ = 1000.0f;
    update_coefficients();
}

twdsp_filter_kalden_high_shelf::~twdsp_filter_kalden_high_shelf() = default;

void twdsp_filter_kalden_high_shelf::update_coefficients() {
    const float a = amplitude();
    const float hz = transition_frequency();
    if (gain_ > 0.0f) {
        zero_hz_ = hz;
        pole_hz_ = a * hz;
    } else {
        pole_hz_ = hz;
        zero_hz_ = hz / a;
    }
    const float d = pole_radius(zero_hz_);
    const float e = pole_radius(pole_hz_);
    a1_ = e;
    // A zero so low that its radius rounds to 1 would divide by zero: take the limit k = -1.
    const float k = d != 1.0f ? (1.0f - e) / (d - 1.0f) : -1.0f;
    b1_ = k * d;
    b0_ = -k;
}
