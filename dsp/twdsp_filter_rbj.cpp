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

twdsp_filter_rbj::pair::pair(twdsp_filter_rbj& first, twdsp_filter_rbj& second)
    : filters_{&first, &second}, b0_(twdsp_pair(first.b0_, second.b0_)),
      b1_(twdsp_pair(first.b1_, second.b1_)), b2_(twdsp_pair(first.b2_, second.b2_)),
      a1_(twdsp_pair(first.a1_, second.a1_)), a2_(twdsp_pair(first.a2_, second.a2_)),
      x1_(twdsp_pair(first.x1_, second.x1_)), x2_(twdsp_pair(first.x2_, second.x2_)),
      y1_(twdsp_pair(first.y1_, second.y1_)), y2_(twdsp_pair(first.y2_, second.y2_)),
      d_(twdsp_pair(first.d_, second.d_)) {}

void twdsp_filter_rbj::pair::store(int count) {
    for (int lane = 0; lane < count && lane < 2; ++lane) {
        twdsp_filter_rbj& f = *filters_[lane];
        f.x1_ = x1_[lane];
        f.x2_ = x2_[lane];
        f.y1_ = y1_[lane];
        f.y2_ = y2_[lane];
        f.d_ = d_[lane];
    }
}
