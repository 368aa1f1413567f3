#include "dsp/twdsp_oscillator_LFO_skewed.h"

#include <cmath>
#include <cstdint>

twdsp_oscillator_LFO_skewed::twdsp_oscillator_LFO_skewed() {
    for (int i = 0; i < table_size; ++i)
        table_[i] = sinf(static_cast<float>(i * 3.141592653589793 * 2.0) * 0.001953125f);
    skew_ = -1.0f; // forces the first set_skew to update the shape
    set_skew(0.0f);
}

twdsp_oscillator_LFO_skewed::~twdsp_oscillator_LFO_skewed() = default;

float twdsp_oscillator_LFO_skewed::wrap(float x) {
    const float w = x - floorf(x);
    return (w >= 0.0f && w < 1.0f) ? w : 0.0f;
}

void twdsp_oscillator_LFO_skewed::set_sample_rate(float rate) {
    if (!usable_rate(rate)) return;
    twdsp_block::set_sample_rate(rate);
    increment_ = sample_period_ * frequency_;
}

void twdsp_oscillator_LFO_skewed::set_frequency(float hz) {
    frequency_ = hz;
    increment_ = hz * sample_period_;
}

void twdsp_oscillator_LFO_skewed::set_midi_note(float note) {
    set_frequency(440.0f * powf(2.0f, (note - 69.0f) / 12.0f));
}

void twdsp_oscillator_LFO_skewed::set_shape(int shape) {
    if (shape == shape_) return;
    shape_ = shape;
    update_shape();
}

void twdsp_oscillator_LFO_skewed::set_skew(float amount) {
    const float bounded = amount > 0.0f ? (amount < 1.0f ? amount : 1.0f) : 0.0f;
    const float s = bounded * 0.998f + 0.001f;
    if (s == skew_) return;
    skew_ = s;
    update_shape();
}

void twdsp_oscillator_LFO_skewed::set_unipolar(bool on) {
    scale_ = on ? 0.5f : 1.0f;
    offset_ = on ? 0.5f : 0.0f;
}

int twdsp_oscillator_LFO_skewed::next_random(int x) const {
    // Seeds from the generator itself stay below 139968, where this equals the 32-bit rule;
    // wider arithmetic keeps a stray stored seed from overflowing.
    std::int64_t v = (static_cast<std::int64_t>(x) * 3877 + 29573) % 139968;
    if (v < 0) v += 139968;
    return static_cast<int>(v);
}

void twdsp_oscillator_LFO_skewed::update_shape() {
    switch (shape_) {
        case sine:
            k1_ = skew_ > 0.5f ? (skew_ - 0.5f) * -0.4f : (0.5f - skew_) * 0.4f;
            break;
        case random_shape:
            k1_ = 0.0f;
            k2_ = 1.0f / skew_;
            break;
        default:
            k1_ = 2.0f / skew_;
            k2_ = 2.0f / (1.0f - skew_);
            break;
    }
}
