#pragma once

#include "dsp/twdsp_filter_rbj.h"

// RBJ high-pass biquad; resonance 0..1 maps to q 1..11.
class twdsp_filter_rbj_high_pass final : public twdsp_filter_rbj {
public:
    twdsp_filter_rbj_high_pass();
    ~twdsp_filter_rbj_high_pass() override;

    void set_resonance(float amount) override { set_q(10.0f * amount + 1.0f); }
    void update_coefficients() override;
};
