#include "dsp/twdsp_block.h"

#include <cmath>

twdsp_block::~twdsp_block() = default;

bool twdsp_block::usable_rate(float rate) {
    return std::isfinite(rate) && rate > 0.0f;
}

void twdsp_block::set_sample_rate(float rate) {
    if (!usable_rate(rate)) return;
    sample_rate_ = rate;
    samples_per_ms_ = rate * 0.001f;
    sample_period_ = 1.0f / rate;
}

void twdsp_block::process_block(const float* in, float* out, int count) {
    if (!in || !out) return;
    for (int i = 0; i < count; ++i)
        out[i] = process(in[i]);
}
