#include "dsp/twdsp_filter_kalden_low_shelf.h"

twdsp_filter_kalden_low_shelf::twdsp_filter_kalden_low_shelf() {
    frequency_ = 1000.0f;
    update_coefficients();
}

twdsp_filter_kalden_low_shelf::~twdsp_filter_kalden_low_shelf() = default;

void twdsp_filter_kalden_low_shelf::update_coefficients() {
    const float a = amplitude();
    const float hz = transition_frequency();
    if (gain_ < 0.0f) {
        zero_hz_ = hz;
        pole_hz_ = hz / a;
    } else {
        pole_hz_ = hz;
        zero_hz_ = a * hz;
    }
    b1_ = pole_radius(zero_hz_);
    a1_ = pole_radius(pole_hz_);
}
