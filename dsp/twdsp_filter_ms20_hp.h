#pragma once

#include "dsp/twdsp_filter_ms20_lp.h"

// High-pass complement of the MS-20 low-pass: the input minus the low-pass output.
class twdsp_filter_ms20_hp final : public twdsp_filter_ms20_lp {
public:
    twdsp_filter_ms20_hp() = default;
    ~twdsp_filter_ms20_hp() override;

    float process(float x) override { return step<true>(x); }

    // Two high-pass filters as the lanes of one, as for the low-pass.
    class pair : public twdsp_filter_ms20_lp::pair {
    public:
        pair(twdsp_filter_ms20_hp& first, twdsp_filter_ms20_hp& second)
            : twdsp_filter_ms20_lp::pair(first, second) {}
        twdsp_f4 process(twdsp_f4 x) { return process(x, m_); }
        twdsp_f4 process(twdsp_f4 x, memories& m) const {
            return twdsp_filter_ms20_lp::pair::process<true>(x, m);
        }
    };
};
