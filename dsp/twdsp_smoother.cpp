#include "dsp/twdsp_smoother.h"

twdsp_smoother::~twdsp_smoother() = default;

void twdsp_smoother::update_coefficients() {
    rise_coefficient_ = coefficient_for(rise_time_);
}
