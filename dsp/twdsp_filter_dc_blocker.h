#pragma once

#include "dsp/twdsp_filter.h"

// Fixed first-order DC blocker (pole at 0.995). Frequency and q have no effect and nothing
// clears its memory: it runs continuously in the engine's feedback path.
class twdsp_filter_dc_blocker final : public twdsp_filter {
public:
    twdsp_filter_dc_blocker() = default;
    ~twdsp_filter_dc_blocker() override;

    void reset() override {}
    float process(float x) override {
        const float y = (x - x1_) + 0.995f * y1_;
        x1_ = x;
        y1_ = y;
        return y;
    }

private:
    float x1_ = 0.0f;
    float y1_ = 0.0f;
};
