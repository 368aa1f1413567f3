#include "dsp/twdsp_filter_rbj_high_pass.h"

#include <cmath>

twdsp_filter_rbj_high_pass::twdsp_filter_rbj_high_pass() {
    frequency_ = 1000.0f;
    q_ = 0.707f;
    update_coefficients();
}

twdsp_filter_rbj_high_pass::~twdsp_filter_rbj_high_pass() = default;

void twdsp_filter_rbj_high_pass::update_coefficients() {
    const float hz = coefficient_frequency(frequency_, 1.0f);
    // A q of 0 or below would make alpha infinite and the coefficients NaN.
    const float q = q_ > 0.1f ? q_ : 0.1f;
    const float w0 = static_cast<float>(hz * 6.283185307179586 / sample_rate_);
    const float cs = cosf(w0);
    const float sn = sinf(w0);
    const float alpha = sinhf(1.0f / (2.0f * q)) * sn;
    const float g = 1.0f / (1.0f + alpha);
    a1_ = -2.0f * cs * g;
    a2_ = (1.0f - alpha) * g;
    b0_ = b2_ = (1.0f + cs) * 0.5f * g;
    b1_ = (-1.0f - cs) * g;
}
