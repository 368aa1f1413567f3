#include "dsp/twdsp_saturator_inv_atan.h"

#include <cmath>

twdsp_saturator_inv_atan::twdsp_saturator_inv_atan() {
    set_drive(0.001f);
}

twdsp_saturator_inv_atan::~twdsp_saturator_inv_atan() = default;

void twdsp_saturator_inv_atan::set_drive(float d) {
    constexpr float smallest = 0.0001f;
    if (!(d >= smallest)) d = smallest;
    if (!std::isfinite(d)) d = 1000.0f;
    drive_ = d;
    makeup_ = (1.0f - d * 0.7f * 0.14286f) / (d / (d * d * 0.28f + 1.0f));
}
