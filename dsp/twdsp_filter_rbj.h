#pragma once

#include "dsp/twdsp_filter.h"

// Biquad of the RBJ cookbook family with coefficients normalised by a0. The second-order
// output memory carries an offset of ±1e-12 that flips sign every sample, so a decaying
// signal never reaches the subnormal range.
class twdsp_filter_rbj : public twdsp_filter {
public:
    twdsp_filter_rbj() = default;
    ~twdsp_filter_rbj() override;

    void reset() override { x1_ = x2_ = y1_ = y2_ = 0.0f; }
    float process(float x) override {
        const float y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_ + d_;
        y1_ = y;
        d_ = -d_;
        return y;
    }
    // On: the output equals the input while the memories keep running. Off: memories cleared
    // and coefficients recomputed.
    void set_bypass(bool on) override;

    // The same biquad without the offset.
    virtual float process_plain(float x) {
        const float y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

protected:
    float a1_ = 0.0f;
    float a2_ = 0.0f;
    float b0_ = 1.0f;
    float b1_ = 0.0f;
    float b2_ = 0.0f;
    float x1_ = 0.0f;
    float x2_ = 0.0f;
    float y1_ = 0.0f;
    float y2_ = 0.0f;
    float d_ = 1e-12f;
};
