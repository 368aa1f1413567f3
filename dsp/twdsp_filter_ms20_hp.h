#pragma once

#include "dsp/twdsp_filter_ms20_lp.h"

// High-pass complement of the MS-20 low-pass: the input minus the low-pass output.
class twdsp_filter_ms20_hp final : public twdsp_filter_ms20_lp {
public:
    twdsp_filter_ms20_hp() = default;
    ~twdsp_filter_ms20_hp() override;

    float process(float x) override { return x - step(x); }
};
