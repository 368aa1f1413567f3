#pragma once

#include "dsp/twdsp_smoother_lag_processor.h"

// One-time-constant glide for control values (gains, cutoff, modulation ratio). Only the rise
// time counts; set_fall_time is accepted and has no audible effect.
class twdsp_smoother final : public twdsp_smoother_lag_processor {
public:
    twdsp_smoother() = default;
    ~twdsp_smoother() override;

    float process(float x) override {
        target_ = x + offset;
        return tick();
    }
    float tick() override {
        state_ = (state_ - target_) * rise_coefficient_ + target_;
        return state_ - offset;
    }
    void update_coefficients() override;

    virtual void set_time(float seconds) { set_rise_time(seconds); }
};
