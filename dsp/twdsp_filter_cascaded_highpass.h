#pragma once

#include "dsp/twdsp_filter_cascaded.h"

// Sixth-order Butterworth high-pass (36 dB per octave below the corner), in front of the
// envelope detector.
class twdsp_filter_cascaded_highpass final : public twdsp_filter_cascaded {
public:
    twdsp_filter_cascaded_highpass();
    ~twdsp_filter_cascaded_highpass() override;

    float process(float x) override {
        double y = x;
        for (int i = 0; i < section_count; ++i)
            y = process_stage(sections_[i], y);
        return static_cast<float>(y);
    }
    void set_frequency(float hz) override;

    double process_stage(twdsp_filter_cascaded_section& s, double x) override {
        const double y = 2.0 * (s.alpha * (x - 2.0 * s.x1 + s.x2) + s.gamma * s.y1 - s.beta * s.y2);
        s.x2 = s.x1;
        s.x1 = x;
        s.y2 = s.y1;
        s.y1 = y;
        return y;
    }
};
