#include "dsp/twdsp_filter_cascaded_highpass.h"

twdsp_filter_cascaded_highpass::twdsp_filter_cascaded_highpass() {
    twdsp_filter_cascaded_highpass::set_frequency(frequency_);
}

twdsp_filter_cascaded_highpass::~twdsp_filter_cascaded_highpass() = default;

void twdsp_filter_cascaded_highpass::set_frequency(float hz) {
    twdsp_filter_cascaded::set_frequency(hz);
    for (int i = 0; i < count_; ++i) {
        twdsp_filter_cascaded_section& s = sections_[i];
        s.alpha = (s.beta + 0.5 + s.gamma) * 0.25;
    }
}
