#pragma once

#include "dsp/twdsp_block.h"
#include "dsp/twdsp_deverb_tuning.h"
#include "dsp/twdsp_lanes.h"

// Stereo reverb: eight parallel lowpass-feedback combs per channel followed by four series
// allpasses, both channels fed the same mono sum and told apart only by their delay lengths.
// Returns the wet signal only. Settings are normalised 0..1 (room size, damping, width) plus
// a freeze selector that holds the tail while it is at least 0.5.
//
// All delay memory lives inside the object (over 400 KiB): build it once as a member, never on
// a stack. The section states are kept as arrays across all sections of both channels so the
// per-sample step can be run lane-wise.
class twdsp_deverb final : public twdsp_block {
public:
    static constexpr int combs = 2 * twdsp_deverb_tuning::combs_per_channel;
    static constexpr int allpasses = 2 * twdsp_deverb_tuning::allpasses_per_channel;
    static constexpr int memory_size = 110804;

    enum parameter { room_size = 0, damping = 1, width = 2, freeze = 3 };

    twdsp_deverb();
    ~twdsp_deverb() override;

    // Clears the delay lines only; settings, lowpass states and positions stay.
    void reset() override;
    // Silence from scratch: the delay lines, the comb lowpass states and what a rendered block
    // would feed back (for a state that went non-finite, which reset alone would leave in the
    // lowpasses).
    void clear();
    // Keeps the buffer contents and positions, so a tail survives a rate change.
    void set_sample_rate(float rate) override;
    void set_parameter(int index, float value) override;
    // The left network alone; the input is scaled by the input gain as in process_stereo, so
    // freeze mutes it here too.
    float process(float x) override {
        float left[combs_per_channel];
        run_combs(x * input_gain_, left, combs_per_channel);
        float l = 0.0f;
        for (int i = 0; i < combs_per_channel; ++i)
            l += left[i];
        for (int i = 0; i < allpasses_per_channel; ++i)
            l = run_allpass(i, l);
        return l * direct_gain_;
    }

    virtual void process_stereo(float in_left, float in_right, float* out_left, float* out_right) {
        render_wet(out_left, out_right, 1);
        feed(&in_left, &in_right, 1);
    }
    virtual void update_coefficients();

    // Sections 0..7 are the left channel's, 8..15 (combs) or 4..7 (allpasses) the right's.
    int comb_length(int section) const;
    int allpass_length(int section) const;
    float effective_feedback() const { return feedback_; }
    float effective_damping() const { return damping_effective_; }
    float input_gain() const { return input_gain_; }

    // Block form of process_stereo, in two halves. A comb line is read a whole line length
    // after it was written, so the wet output of the next steps depends only on input from
    // before them: render_wet computes the outputs of up to block_limit() steps at once (the
    // shortest comb, at most max_block), and feed then takes
    // the inputs of those same steps. render_wet returns how many steps it rendered (count
    // limited to block_limit()); the following feed must be given exactly that many, with no
    // other operation in between. The pair gives the same numbers as process_stereo step by
    // step, with every line walked in contiguous runs and the 16 combs' lowpasses run as lanes.
    static constexpr int max_block = 256;
    int block_limit() const { return block_limit_; }
    int render_wet(float* out_left, float* out_right, int count);
    void feed(const float* in_left, const float* in_right, int count);

private:
    static constexpr int combs_per_channel = twdsp_deverb_tuning::combs_per_channel;
    static constexpr int allpasses_per_channel = twdsp_deverb_tuning::allpasses_per_channel;

    // Zero and subnormal values (all exponent bits clear) become +0, so recirculating tails
    // decay to exact silence instead of crawling through slow subnormal arithmetic.
    static float flush(float x) { return twdsp_flush(x); }

    // Steps combs 0..count-1 with input s and writes their outputs.
    void run_combs(float s, float* out, int count) {
        for (int i = 0; i < count; ++i) {
            float* slot = memory_ + comb_index_[i];
            const float o = flush(*slot);
            comb_lowpass_[i] = flush(comb_lowpass_[i] * damping_effective_ + o * input_weight_);
            *slot = s + comb_lowpass_[i] * feedback_;
            const int next = comb_index_[i] + 1;
            comb_index_[i] = next >= comb_end_[i] ? comb_begin_[i] : next;
            out[i] = o;
        }
    }

    float run_allpass(int i, float s) {
        float* slot = memory_ + allpass_index_[i];
        const float b = flush(*slot);
        *slot = s + b * twdsp_deverb_tuning::allpass_feedback;
        const int next = allpass_index_[i] + 1;
        allpass_index_[i] = next >= allpass_end_[i] ? allpass_begin_[i] : next;
        return b - s;
    }

    void update_lengths();
    // render_wet, with or without flushing what the lines hand back (see render_wet).
    template <bool Flush>
    int render_lines(float* out_left, float* out_right, int count);

    // Calls run(step, samples, length) for each contiguous run of a line's next count steps from
    // index (at most two: up to the end, then from the beginning) and returns the index after
    // them. A position beyond a newly shortened line is used once more before it wraps, as the
    // step-by-step rule has it.
    template <class Run>
    int walk(int index, int begin, int end, int count, Run&& run) {
        for (int step = 0; step < count;) {
            const int room = end - index > 1 ? end - index : 1;
            const int n = count - step < room ? count - step : room;
            run(step, memory_ + index, n);
            step += n;
            index += n;
            if (index >= end) index = begin;
        }
        return index;
    }

    float input_gain_ = twdsp_deverb_tuning::input_gain;
    float room_feedback_ = 0.84f;
    float feedback_ = 0.84f;
    float damping_ = 0.2f;
    float damping_effective_ = 0.2f;
    float wet_ = 1.0f;
    float direct_gain_ = 1.0f;
    float cross_gain_ = 0.0f;
    float width_ = 1.0f;
    float freeze_ = 0.0f;

    // Every comb section has the same feedback (feedback_) and lowpass weights: the memory
    // weight is damping_effective_, the input weight its complement.
    float input_weight_ = 0.8f;
    alignas(16) float comb_lowpass_[combs] = {};
    // Each section's line occupies memory_[begin, begin + capacity); the line in use is
    // [begin, end) and index is begin + position.
    alignas(16) int comb_begin_[combs] = {};
    alignas(16) int comb_end_[combs] = {};
    alignas(16) int comb_index_[combs] = {};
    int allpass_begin_[allpasses] = {};
    int allpass_end_[allpasses] = {};
    int allpass_index_[allpasses] = {};
    int block_limit_ = 1;
    // Between render_wet and feed: lowpass state × feedback of every comb for every step.
    alignas(16) float comb_return_[combs][max_block] = {};
    // Scratch of render_wet: the channel sums through the allpasses (room for a last partial
    // group of four steps).
    alignas(16) float sum_[2][max_block + 4] = {};

    alignas(64) float memory_[memory_size];
};
