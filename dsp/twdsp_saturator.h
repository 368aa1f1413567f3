#pragma once

#include "dsp/twdsp_block.h"

// Base of the saturators; adds nothing to the block interface.
class twdsp_saturator : public twdsp_block {
public:
    twdsp_saturator() = default;
    ~twdsp_saturator() override;
};
