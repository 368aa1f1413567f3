#pragma once

#include "dsp/twdsp_filter_kalden.h"

// First-order high shelf: exactly 1 at 0 Hz, about A towards the top of the band, not
// inverted.
class twdsp_filter_kalden_high_shelf final : public twdsp_filter_kalden_shelf {
public:
    twdsp_filter_kalden_high_shelf();
    ~twdsp_filter_kalden_high_shelf() override;

    void update_coefficients() override;
};
