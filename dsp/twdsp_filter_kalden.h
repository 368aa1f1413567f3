#pragma once

#include "dsp/twdsp_filter.h"

// Family of first-order filters y = b0·x + b1·x1 + a1·y1.
class twdsp_filter_kalden : public twdsp_filter {
public:
    twdsp_filter_kalden() = default;
    ~twdsp_filter_kalden() override;
};

// First-order shelf set by a transition frequency (Hz) and a gain (dB); q has no effect.
// Subclasses place the pole and the zero.
class twdsp_filter_kalden_shelf : public twdsp_filter_kalden {
public:
    twdsp_filter_kalden_shelf() = default;
    ~twdsp_filter_kalden_shelf() override;

    void reset() override { x1_ = y1_ = 0.0f; }
    float process(float x) override {
        // The two memory terms are summed first: at 0 dB they cancel exactly (b1 = ±a1), so
        // the shelf is then an exact identity or inversion from the first sample on.
        const float y = b0_ * x + (b1_ * x1_ + a1_ * y1_);
        x1_ = x;
        y1_ = y;
        return y;
    }

    // No equality test: every call recomputes.
    virtual void set_gain(float db);
    float gain() const { return gain_; }

protected:
    // A = 10^(gain / 20), and the frequency and gain the coefficients may use.
    float amplitude() const;
    float transition_frequency() const { return coefficient_frequency(frequency_, 1.0f); }
    // expf(−π × hz × sample period), the product taken in double.
    float pole_radius(float hz) const;

    float a1_ = 0.0f;
    float b0_ = -1.0f;
    float b1_ = 0.0f;
    float x1_ = 0.0f;
    float y1_ = 0.0f;
    float gain_ = 0.0f;
    float pole_hz_ = 1000.0f;
    float zero_hz_ = 1000.0f;
};
