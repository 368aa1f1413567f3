#pragma once

#include "dsp/twdsp_oscillator.h"

// Low-frequency oscillator with four shapes (0 sine, 1 ramp, 2 pulse, 9 random) whose skew
// bends each of them: it warps the sine's phase, moves the ramp's peak, sets the pulse width
// and sets how long the random shape glides to each new value. It runs on its own phase
// (tick) or is evaluated at a phase the caller supplies (process). The frequency is a rate per
// tick: a caller that ticks every N samples passes N times the rate it wants heard.
class twdsp_oscillator_LFO_skewed final : public twdsp_oscillator {
public:
    enum waveform { sine = 0, ramp = 1, pulse = 2, random_shape = 9 };

    static constexpr int table_size = 512;

    twdsp_oscillator_LFO_skewed();
    ~twdsp_oscillator_LFO_skewed() override;

    void set_sample_rate(float rate) override;
    // Waveform value at phase x (0..1); updates the random state and the last output but not
    // the own phase. Phases outside 0..1 are wrapped into it and NaN counts as 0. Unknown shape
    // codes give the centre value.
    float process(float x) override {
        if (!(x >= 0.0f && x <= 1.0f)) x = wrap(x);
        float v;
        switch (shape_) {
            case sine:
                v = sine_at(x);
                break;
            case ramp:
                v = x < skew_ ? x * k1_ - 1.0f : (1.0f - x) * k2_ - 1.0f;
                break;
            case pulse:
                v = x < skew_ ? 1.0f : -1.0f;
                break;
            case random_shape:
                v = random_at(x);
                break;
            default:
                v = 0.0f;
                break;
        }
        last_output_ = v * scale_ + offset_;
        return last_output_;
    }

    virtual void set_frequency(float hz);
    virtual float frequency() const { return frequency_; }
    virtual void set_midi_note_int(int note) { set_midi_note(static_cast<float>(note)); }
    virtual void set_midi_note(float note);
    virtual void set_shape(int shape);
    // amount 0..1 maps to a skew of 0.001..0.999, never 0 or 1.
    virtual void set_skew(float amount);
    virtual void set_unipolar(bool on);
    virtual float tick() {
        phase_ += increment_;
        if (phase_ >= 1.0f) phase_ -= 1.0f;
        // Only an increment of a whole cycle or more, or a negative or NaN one, gets here.
        if (!(phase_ >= 0.0f && phase_ < 1.0f)) phase_ = wrap(phase_);
        return process(phase_);
    }
    virtual float last_output() const { return last_output_; }
    virtual int random_seed() const { return seed_; }
    virtual void set_random_seed(int seed) { seed_ = seed; }
    virtual int next_random(int x) const;
    virtual void update_shape();

    int shape() const { return shape_; }
    float skew() const { return skew_; }
    float phase() const { return phase_; }

private:
    static float wrap(float x);

    float table_at(int i) const { return table_[i & (table_size - 1)]; }

    float sine_at(float x) const {
        if (k1_ != 0.0f) {
            x = x + k1_ * table_at(static_cast<int>(x * table_size));
            if (x < 0.0f)
                x += 1.0f;
            else if (x >= 1.0f)
                x -= 1.0f;
        }
        const float p = x * table_size;
        const int i = static_cast<int>(p);
        const float f = p - static_cast<float>(i);
        return (1.0f - f) * table_at(i) + f * table_at(i + 1);
    }

    float random_at(float x) {
        // A phase lower than the last one means the cycle has wrapped: start a new glide.
        if (x < random_last_phase_) {
            random_start_ = random_target_;
            seed_ = next_random(seed_);
            random_target_ = 1.0f - static_cast<float>(seed_) * 2.0f / 139968.0f;
            k1_ = (random_target_ - random_start_) * k2_;
        }
        random_last_phase_ = x;
        return x < skew_ ? x * k1_ + random_start_ : random_target_;
    }

    float frequency_ = 0.0f;
    int shape_ = sine;
    float skew_ = 0.001f;
    float k1_ = 0.0f;
    float k2_ = 0.0f;
    float phase_ = 0.0f;
    float increment_ = 0.0f;
    float table_[table_size];
    int seed_ = 3321;
    float random_last_phase_ = 999.0f;
    float random_target_ = 0.0f;
    float random_start_ = 0.0f;
    float last_output_ = 0.0f;
    float scale_ = 1.0f;
    float offset_ = 0.0f;
};
