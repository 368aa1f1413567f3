#pragma once

#include "dsp/twdsp_block.h"

// Exponential glide towards a target with separate time constants for rising and falling
// values; the engine uses it as its envelope follower (attack and release). Times are in
// seconds and keep that meaning when the smoother is updated only every N samples, once the
// update interval is set to N.
//
// State and target are held with 5.0 added: the recursion then rounds like floats near 5
// (steps of about 4.8e-07) however close the value comes to 0, so it never drifts into
// subnormal numbers.
class twdsp_smoother_lag_processor : public twdsp_block {
public:
    twdsp_smoother_lag_processor();
    ~twdsp_smoother_lag_processor() override;

    void set_sample_rate(float rate) override;
    // Takes x as the new target and makes one smoothing step.
    float process(float x) override {
        target_ = x + offset;
        return tick();
    }

    virtual void set_rise_time(float seconds);
    virtual void set_fall_time(float seconds);
    virtual void set_update_interval(int samples);
    virtual void set_target(float x) { target_ = x + offset; }
    virtual void set_value(float x) { target_ = state_ = x + offset; }
    virtual float tick() {
        const float coefficient = target_ > state_ ? rise_coefficient_ : fall_coefficient_;
        state_ = (state_ - target_) * coefficient + target_;
        return state_ - offset;
    }
    virtual float value() const { return state_ - offset; }
    // The value the glide is heading for.
    float target() const { return target_ - offset; }
    virtual void update_coefficients();

    float rise_time() const { return rise_time_; }
    float fall_time() const { return fall_time_; }
    int update_interval() const { return update_interval_; }

protected:
    static constexpr float offset = 5.0f;

    // expf(-1 / (time per update × rate)); a time of 0 gives 0, an immediate jump.
    float coefficient_for(float seconds) const;

    float rise_time_ = 0.005f;
    float fall_time_ = 0.005f;
    int update_interval_ = 1;
    float rise_coefficient_ = 0.0f;
    float fall_coefficient_ = 0.0f;
    float state_ = offset;
    float target_ = offset;
};
