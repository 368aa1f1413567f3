#pragma once

#include "dsp/twdsp_filter.h"
#include "dsp/twdsp_lanes.h"

// Fixed first-order DC blocker (pole at 0.995). Frequency and q have no effect and nothing
// clears its memory: it runs continuously in the engine's feedback path.
class twdsp_filter_dc_blocker final : public twdsp_filter {
public:
    twdsp_filter_dc_blocker() = default;
    ~twdsp_filter_dc_blocker() override;

    void reset() override {}
    float process(float x) override { return step(x, x1_, y1_); }

    // Two blockers as the lanes of one (a stereo pair): takes both memories, process steps both,
    // store hands the memories back to the first count blockers.
    class pair {
    public:
        pair(twdsp_filter_dc_blocker& first, twdsp_filter_dc_blocker& second)
            : filters_{&first, &second}, x1_(twdsp_pair(first.x1_, second.x1_)),
              y1_(twdsp_pair(first.y1_, second.y1_)) {}
        twdsp_f4 process(twdsp_f4 x) { return step(x, x1_, y1_); }
        // The step in two halves, for an input x + offset where x is the last value to arrive:
        // rest is the part of the output that does not depend on x (the output is x + rest),
        // advance then takes the step with it.
        twdsp_f4 rest(twdsp_f4 offset) const { return (offset - x1_) + 0.995f * y1_; }
        void advance(twdsp_f4 x, twdsp_f4 offset, twdsp_f4 rest) {
            x1_ = offset + x;
            y1_ = x + rest;
        }
        void store(int count = 2) {
            for (int lane = 0; lane < count && lane < 2; ++lane) {
                filters_[lane]->x1_ = x1_[lane];
                filters_[lane]->y1_ = y1_[lane];
            }
        }

    private:
        twdsp_filter_dc_blocker* filters_[2];
        twdsp_f4 x1_, y1_;
    };

private:
    template <class T>
    static T step(T x, T& x1, T& y1) {
        const T y = (x - x1) + 0.995f * y1;
        x1 = x;
        y1 = y;
        return y;
    }

    float x1_ = 0.0f;
    float y1_ = 0.0f;
};
