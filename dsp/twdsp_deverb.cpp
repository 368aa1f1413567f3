#include "dsp/twdsp_deverb.h"

#include <algorithm>
#include <cmath>

namespace tuning = twdsp_deverb_tuning;

namespace {

// Capacity of comb or allpass line i, counting the left channel's sections first.
constexpr int comb_capacity(int i) {
    return i < tuning::combs_per_channel
               ? tuning::comb_lengths[i]
               : tuning::comb_lengths[i - tuning::combs_per_channel] + tuning::stereo_spread;
}
constexpr int allpass_capacity(int i) {
    return i < tuning::allpasses_per_channel
               ? tuning::allpass_lengths[i]
               : tuning::allpass_lengths[i - tuning::allpasses_per_channel] + tuning::stereo_spread;
}

constexpr int total_capacity() {
    int sum = 0;
    for (int i = 0; i < twdsp_deverb::combs; ++i)
        sum += comb_capacity(i);
    for (int i = 0; i < twdsp_deverb::allpasses; ++i)
        sum += allpass_capacity(i);
    return sum;
}
static_assert(total_capacity() == twdsp_deverb::memory_size, "delay memory must hold every line");

// The rate is clamped to the reference rate so that no line ever outgrows its capacity.
int line_length(float rate, int capacity) {
    const float x = std::min(rate / tuning::reference_rate, 1.0f);
    const int length = static_cast<int>(x * static_cast<float>(capacity) + 0.5f);
    return std::clamp(length, 1, capacity);
}

} // namespace

twdsp_deverb::twdsp_deverb() {
    int begin = 0;
    for (int i = 0; i < combs; ++i) {
        comb_begin_[i] = comb_index_[i] = begin;
        begin += comb_capacity(i);
    }
    for (int i = 0; i < allpasses; ++i) {
        allpass_begin_[i] = allpass_index_[i] = begin;
        begin += allpass_capacity(i);
    }
    update_lengths();
    set_parameter(room_size, 0.5f);
    set_parameter(damping, 0.5f);
    set_parameter(width, 1.0f);
    set_parameter(freeze, 0.0f);
    std::fill(memory_, memory_ + memory_size, 0.0f);
}

twdsp_deverb::~twdsp_deverb() = default;

void twdsp_deverb::update_lengths() {
    for (int i = 0; i < combs; ++i)
        comb_end_[i] = comb_begin_[i] + line_length(sample_rate_, comb_capacity(i));
    for (int i = 0; i < allpasses; ++i)
        allpass_end_[i] = allpass_begin_[i] + line_length(sample_rate_, allpass_capacity(i));
}

void twdsp_deverb::reset() {
    for (int i = 0; i < combs; ++i)
        std::fill(memory_ + comb_begin_[i], memory_ + comb_end_[i], 0.0f);
    for (int i = 0; i < allpasses; ++i)
        std::fill(memory_ + allpass_begin_[i], memory_ + allpass_end_[i], 0.0f);
}

void twdsp_deverb::set_sample_rate(float rate) {
    if (!usable_rate(rate) || rate == sample_rate_) return;
    twdsp_block::set_sample_rate(rate);
    update_lengths();
}

void twdsp_deverb::set_parameter(int index, float value) {
    // Settings beyond 0..1 would take the feedback past 0.98 and towards instability.
    if (std::isnan(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    switch (index) {
        case room_size:
            room_feedback_ = value * tuning::room_scale + tuning::room_offset;
            break;
        case damping:
            damping_ = value * tuning::damping_scale;
            break;
        case width:
            width_ = value;
            break;
        case freeze:
            freeze_ = value;
            break;
        default:
            return;
    }
    update_coefficients();
}

void twdsp_deverb::update_coefficients() {
    direct_gain_ = (width_ * 0.5f + 0.5f) * wet_;
    cross_gain_ = (1.0f - width_) * 0.5f * wet_;
    // Frozen: the lines recirculate unchanged (unity feedback, no lowpass) and take no input.
    // The room feedback and damping stay stored, so leaving freeze restores them exactly.
    if (freeze_ >= 0.5f) {
        feedback_ = 1.0f;
        input_gain_ = 0.0f;
        damping_effective_ = 0.0f;
    } else {
        feedback_ = room_feedback_;
        input_gain_ = tuning::input_gain;
        damping_effective_ = damping_;
    }
    input_weight_ = 1.0f - damping_effective_;
}

int twdsp_deverb::comb_length(int section) const {
    if (section < 0 || section >= combs) return 0;
    return comb_end_[section] - comb_begin_[section];
}

int twdsp_deverb::allpass_length(int section) const {
    if (section < 0 || section >= allpasses) return 0;
    return allpass_end_[section] - allpass_begin_[section];
}
