#pragma once

#include "dsp/twdsp_filter_kalden.h"

// First-order low shelf: gain A at 0 Hz, about 1 towards the top of the band, with the output
// inverted in polarity across the whole band (the tilting EQ relies on that).
class twdsp_filter_kalden_low_shelf final : public twdsp_filter_kalden_shelf {
public:
    twdsp_filter_kalden_low_shelf();
    ~twdsp_filter_kalden_low_shelf() override;

    void update_coefficients() override;
};
