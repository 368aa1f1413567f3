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
    : filters_{&first, &second}, x1_{first.sections_[0].x1, second.sections_[0].x1},
      x2_{first.sections_[0].x2, second.sections_[0].x2} {
    for (int i = 0; i < section_count; ++i) {
        const twdsp_filter_cascaded_section& a = first.sections_[i];
        const twdsp_filter_cascaded_section& b = second.sections_[i];
        sections_[i] = {twdsp_d2{a.alpha, b.alpha}, twdsp_d2{a.beta, b.beta},
                        twdsp_d2{a.gamma, b.gamma}, twdsp_d2{a.y1, b.y1}, twdsp_d2{a.y2, b.y2}};
    }
}

void twdsp_filter_cascaded_highpass::pair::store(int count) {
    for (int lane = 0; lane < count && lane < 2; ++lane) {
        twdsp_filter_cascaded_section* s = filters_[lane]->sections_.get();
        s[0].x1 = x1_[lane];
        s[0].x2 = x2_[lane];
        for (int i = 0; i < section_count; ++i) {
            s[i].y1 = sections_[i].y1[lane];
            s[i].y2 = sections_[i].y2[lane];
            if (i + 1 < section_count) {
                s[i + 1].x1 = s[i].y1;
                s[i + 1].x2 = s[i].y2;
            }
        }
    }
}
