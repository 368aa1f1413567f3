#include "dsp/twdsp_filter_rbj.h"

twdsp_filter_rbj::~twdsp_filter_rbj() = default;

void twdsp_filter_rbj::set_bypass(bool on) {
    if (on) {
        b0_ = 1.0f;
        a1_ = a2_ = b1_ = b2_ = 0.0f;
    } else {
        reset();
        update_coefficients();
    }
}
