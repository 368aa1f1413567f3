#pragma once

#include "dsp/twdsp_block.h"

// Base of the filters: a block with a frequency in Hz and a q (or resonance), whose setters
// recompute the coefficients only when a value really changes.
class twdsp_filter : public twdsp_block {
public:
    twdsp_filter() = default;
    ~twdsp_filter() override;

    void set_sample_rate(float rate) override;

    // A NaN counts as a change, so a filter never keeps coefficients for a value it was not
    // given.
    virtual void set_frequency(float hz);
    virtual void set_q(float q);
    virtual float frequency() const { return frequency_; }
    virtual float q() const { return q_; }
    virtual void set_resonance(float amount) { set_q(amount); }
    virtual void update_coefficients() {}

protected:
    // The frequency the coefficients are computed for: hz limited to min_hz .. 0.45 × rate
    // (NaN gives min_hz). Within the audible range at any usual rate this is hz itself; it
    // keeps poles inside the unit circle when a caller asks for too much or for nonsense.
    float coefficient_frequency(float hz, float min_hz) const;

    float frequency_ = 1000.0f;
    float q_ = 0.0f;
};
