#include "dsp/twdsp_saturator.h"

twdsp_saturator::~twdsp_saturator() = default;
