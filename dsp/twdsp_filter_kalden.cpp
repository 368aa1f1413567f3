#include "dsp/twdsp_filter_kalden.h"

#include <cmath>

twdsp_filter_kalden::~twdsp_filter_kalden() = default;

twdsp_filter_kalden_shelf::~twdsp_filter_kalden_shelf() = default;

void twdsp_filter_kalden_shelf::set_gain(float db) {
    gain_ = db;
    update_coefficients();
}

float twdsp_filter_kalden_shelf::amplitude() const {
    // NaN counts as 0 dB; ±120 dB is far beyond any use and keeps A finite and nonzero.
    const float db =
        gain_ > -120.0f ? (gain_ < 120.0f ? gain_ : 120.0f) : (gain_ == gain_ ? -120.0f : 0.0f);
    return powf(10.0f, db * 0.05f);
}

float twdsp_filter_kalden_shelf::pole_radius(float hz) const {
    return expf(static_cast<float>(static_cast<double>(hz) * -3.141592653589793 *
                                   static_cast<double>(sample_period_)));
}
