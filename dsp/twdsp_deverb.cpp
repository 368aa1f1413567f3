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
    block_limit_ = max_block;
    for (int i = 0; i < combs; ++i) {
        comb_end_[i] = comb_begin_[i] + line_length(sample_rate_, comb_capacity(i));
        block_limit_ = std::min(block_limit_, comb_length(i));
    }
    // The allpasses need no limit: each runs through the block in order, so a step that reads
    // what an earlier step of the same block wrote finds it written.
    for (int i = 0; i < allpasses; ++i)
        allpass_end_[i] = allpass_begin_[i] + line_length(sample_rate_, allpass_capacity(i));
}

int twdsp_deverb::render_wet(float* out_left, float* out_right, int count) {
    // Where the thread flushes subnormal numbers itself, none is ever stored, and the flushes
    // below would give back what they are given: a third of the work per step.
    return twdsp_thread_flushes_subnormals() ? render_lines<false>(out_left, out_right, count)
                                             : render_lines<true>(out_left, out_right, count);
}

template <bool Flush>
int twdsp_deverb::render_lines(float* out_left, float* out_right, int count) {
    auto flushed = [](auto x) { return Flush ? twdsp_flush(x) : x; };
    count = std::clamp(count, 0, block_limit_);
    // Four steps at a time: every comb's next four outputs are read as a row (straight from the
    // line, or one by one where the line wraps inside the four), summed per channel in section
    // order, and turned into per-step columns for the lowpass recursions, which run with four
    // combs a lane group; then back into rows, × feedback, for feed to take with the input.
    constexpr int groups = combs / 4;
    alignas(16) int index[combs];
    std::copy(comb_index_, comb_index_ + combs, index);
    twdsp_f4 lowpass[groups];
    for (int g = 0; g < groups; ++g)
        lowpass[g] = twdsp_load(comb_lowpass_ + 4 * g);
    const twdsp_f4 memory_weight = twdsp_f4{} + damping_effective_;
    const twdsp_f4 input_weight = twdsp_f4{} + input_weight_;
    const twdsp_f4 feedback = twdsp_f4{} + feedback_;
    for (int step = 0; step < count; step += 4) {
        const int steps = std::min(4, count - step);
        twdsp_f4 lanes[groups][4];
        twdsp_f4 total[2] = {};
#pragma GCC unroll 16
        for (int i = 0; i < combs; ++i) {
            int& at = index[i];
            twdsp_f4 row;
            if (steps == 4 && at + 4 <= comb_end_[i]) {
                row = flushed(twdsp_load(memory_ + at));
                at += 4;
                if (at >= comb_end_[i]) at = comb_begin_[i];
            } else {
                // Step by step, as the per-sample rule has it (a position beyond a newly
                // shortened line is used once more before it wraps); missing steps read 0.
                row = twdsp_f4{};
                for (int k = 0; k < steps; ++k) {
                    row[k] = flushed(memory_[at]);
                    const int next = at + 1;
                    at = next >= comb_end_[i] ? comb_begin_[i] : next;
                }
            }
            total[i / combs_per_channel] += row;
            lanes[i / 4][i % 4] = row;
        }
        twdsp_store(sum_[0] + step, total[0]);
        twdsp_store(sum_[1] + step, total[1]);
        for (int g = 0; g < groups; ++g)
            twdsp_transpose(lanes[g][0], lanes[g][1], lanes[g][2], lanes[g][3]);
        for (int k = 0; k < steps; ++k)
            for (int g = 0; g < groups; ++g) {
                lowpass[g] = flushed(lowpass[g] * memory_weight + lanes[g][k] * input_weight);
                lanes[g][k] = lowpass[g] * feedback;
            }
        for (int g = 0; g < groups; ++g) {
            twdsp_transpose(lanes[g][0], lanes[g][1], lanes[g][2], lanes[g][3]);
            for (int c = 0; c < 4; ++c)
                twdsp_store(&comb_return_[4 * g + c][step], lanes[g][c]);
        }
    }
    for (int g = 0; g < groups; ++g)
        twdsp_store(comb_lowpass_ + 4 * g, lowpass[g]);
    // The allpasses in series, each over the whole block, in step order.
    const twdsp_f4 allpass_feedback = twdsp_f4{} + tuning::allpass_feedback;
    for (int i = 0; i < allpasses; ++i) {
        float* signal = sum_[i / allpasses_per_channel];
        allpass_index_[i] = walk(allpass_index_[i], allpass_begin_[i], allpass_end_[i], count,
                                 [&](int step, float* line, int n) {
                                     float* x = signal + step;
                                     int k = 0;
#pragma GCC unroll 4
                                     for (; k + 4 <= n; k += 4) {
                                         const twdsp_f4 s = twdsp_load(x + k);
                                         const twdsp_f4 b = flushed(twdsp_load(line + k));
                                         twdsp_store(line + k, s + b * allpass_feedback);
                                         twdsp_store(x + k, b - s);
                                     }
                                     for (; k < n; ++k) {
                                         const float s = x[k];
                                         const float b = flushed(line[k]);
                                         line[k] = s + b * tuning::allpass_feedback;
                                         x[k] = b - s;
                                     }
                                 });
    }
    for (int step = 0; step < count; ++step) {
        const float l = sum_[0][step];
        const float r = sum_[1][step];
        out_left[step] = l * direct_gain_ + r * cross_gain_;
        out_right[step] = r * direct_gain_ + l * cross_gain_;
    }
    return count;
}

void twdsp_deverb::feed(const float* in_left, const float* in_right, int count) {
    count = std::clamp(count, 0, block_limit_);
    alignas(16) float input[max_block];
    for (int step = 0; step < count; ++step)
        input[step] = (in_left[step] + in_right[step]) * input_gain_;
    for (int i = 0; i < combs; ++i) {
        const float* back = comb_return_[i];
        comb_index_[i] = walk(comb_index_[i], comb_begin_[i], comb_end_[i], count,
                              [&](int step, float* line, int n) {
                                  int k = 0;
#pragma GCC unroll 4
                                  for (; k + 4 <= n; k += 4)
                                      twdsp_store(line + k, twdsp_load(input + step + k) +
                                                                twdsp_load(back + step + k));
                                  for (; k < n; ++k)
                                      line[k] = input[step + k] + back[step + k];
                              });
    }
}

void twdsp_deverb::reset() {
    for (int i = 0; i < combs; ++i)
        std::fill(memory_ + comb_begin_[i], memory_ + comb_end_[i], 0.0f);
    for (int i = 0; i < allpasses; ++i)
        std::fill(memory_ + allpass_begin_[i], memory_ + allpass_end_[i], 0.0f);
}

void twdsp_deverb::clear() {
    std::fill(memory_, memory_ + memory_size, 0.0f);
    std::fill(comb_lowpass_, comb_lowpass_ + combs, 0.0f);
    // A rendered block still to be fed then brings in its input alone.
    std::fill(&comb_return_[0][0], &comb_return_[0][0] + combs * max_block, 0.0f);
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
