#include "dsp/twdsp_smoother_lag_processor.h"

#include <cmath>

namespace {

// Negative or NaN times would give coefficients of 1 or more (a glide that never arrives or
// one that diverges); they count as 0, an immediate jump.
float usable_time(float seconds) {
    return seconds > 0.0f ? seconds : 0.0f;
}

} // namespace

twdsp_smoother_lag_processor::twdsp_smoother_lag_processor() {
    rise_coefficient_ = coefficient_for(rise_time_);
    fall_coefficient_ = coefficient_for(fall_time_);
}

twdsp_smoother_lag_processor::~twdsp_smoother_lag_processor() = default;

float twdsp_smoother_lag_processor::coefficient_for(float seconds) const {
    return expf(-1.0f / ((seconds / static_cast<float>(update_interval_)) * sample_rate_));
}

void twdsp_smoother_lag_processor::set_sample_rate(float rate) {
    if (!usable_rate(rate)) return;
    twdsp_block::set_sample_rate(rate);
    reset();
    update_coefficients();
}

void twdsp_smoother_lag_processor::set_rise_time(float seconds) {
    rise_time_ = usable_time(seconds);
    update_coefficients();
}

void twdsp_smoother_lag_processor::set_fall_time(float seconds) {
    fall_time_ = usable_time(seconds);
    update_coefficients();
}

void twdsp_smoother_lag_processor::set_update_interval(int samples) {
    update_interval_ = samples > 0 ? samples : 1;
    update_coefficients();
}

void twdsp_smoother_lag_processor::update_coefficients() {
    rise_coefficient_ = coefficient_for(rise_time_);
    fall_coefficient_ = coefficient_for(fall_time_);
}
