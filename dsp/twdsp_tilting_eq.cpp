#include "dsp/twdsp_tilting_eq.h"

twdsp_tilting_eq::twdsp_tilting_eq() {
    frequency_ = 1000.0f;
}

twdsp_tilting_eq::~twdsp_tilting_eq() = default;

void twdsp_tilting_eq::reset() {
    low_.reset();
    high_.reset();
}

void twdsp_tilting_eq::set_sample_rate(float rate) {
    if (!usable_rate(rate)) return;
    twdsp_block::set_sample_rate(rate);
    low_.set_sample_rate(rate);
    high_.set_sample_rate(rate);
}

void twdsp_tilting_eq::set_frequency(float hz) {
    frequency_ = hz;
    low_.set_frequency(hz);
    high_.set_frequency(hz);
}

void twdsp_tilting_eq::set_tilt(float t) {
    tilt_ = t;
    float high_db;
    if (t > 0.5f) {
        low_.set_gain((t - 0.5f) * -2.0f * range_);
        high_db = (t - 0.5f) * 2.0f * range_;
    } else {
        low_.set_gain((0.5f - t) * 2.0f * range_);
        high_db = (0.5f - t) * -2.0f * range_;
    }
    high_.set_gain(high_db);
}

void twdsp_tilting_eq::set_tilt_range(float db) {
    range_ = db;
    set_tilt(tilt_);
}
