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

twdsp_filter_cascaded_highpass::pair::pair(twdsp_filter_cascaded_highpass& first,
                                           twdsp_filter_cascaded_highpass& second)
    : filters_{&first, &second} {
    for (int i = 0; i < section_count; ++i) {
        const twdsp_filter_cascaded_section& a = first.sections_[i];
        const twdsp_filter_cascaded_section& b = second.sections_[i];
        sections_[i] = {twdsp_d2{a.alpha, b.alpha}, twdsp_d2{a.beta, b.beta},
                        twdsp_d2{a.gamma, b.gamma}, twdsp_d2{a.x1, b.x1},
                        twdsp_d2{a.x2, b.x2},       twdsp_d2{a.y1, b.y1},
                        twdsp_d2{a.y2, b.y2}};
    }
}

void twdsp_filter_cascaded_highpass::pair::store() {
    for (int lane = 0; lane < 2; ++lane)
        for (int i = 0; i < section_count; ++i) {
            twdsp_filter_cascaded_section& s = filters_[lane]->sections_[i];
            s.x1 = sections_[i].x1[lane];
            s.x2 = sections_[i].x2[lane];
            s.y1 = sections_[i].y1[lane];
            s.y2 = sections_[i].y2[lane];
        }
}
