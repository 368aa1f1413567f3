#pragma once

#include "dsp/twdsp_block.h"

// Base of the oscillators; adds nothing to the block interface.
class twdsp_oscillator : public twdsp_block {
public:
    twdsp_oscillator() = default;
    ~twdsp_oscillator() override;
};
