#pragma once

#include "dsp/twdsp_filter.h"

// Two-pole resonant low-pass after the MS-20 design: two bilinear one-pole stages with the
// output fed back, soft-clipped, subtracted before the first stage and added back before the
// second. Resonance 0..1 sets the feedback gain k = 0..2.5; at 1 the filter self-oscillates a
// little below the cutoff with its peak held by the clip.
class twdsp_filter_ms20_lp : public twdsp_filter {
public:
    twdsp_filter_ms20_lp();
    ~twdsp_filter_ms20_lp() override;

    void reset() override;
    float process(float x) override { return step(x); }
    // Recomputes even for an unchanged frequency (the engine calls it at control rate).
    void set_frequency(float hz) override;
    void set_resonance(float amount) override;
    void update_coefficients() override;

protected:
    // One step of the two stages; returns the low-pass output y2.
    float step(float x) {
        const float fb = k_ * y2_;
        const float clipped = fb > 0.6f ? 0.6f : (fb < -0.6f ? -0.6f : fb);
        const float shaped = 0.25f * fb + 0.75f * clipped;
        const float u1 = (x - shaped) * G_;
        y1_ = u1 + s1_ - a_ * y1_;
        s1_ = u1;
        const float u2 = (y1_ + shaped) * G_;
        y2_ = u2 + s2_ - a_ * y2_;
        s2_ = u2;
        return y2_;
    }

    float a_ = 0.0f;
    float G_ = 0.0f;
    float k_ = 0.0f;
    float s1_ = 0.0f;
    float y1_ = 0.0f;
    float s2_ = 0.0f;
    float y2_ = 0.0f;
};
