#include "dsp/twdsp_oscillator.h"

twdsp_oscillator::~twdsp_oscillator() = default;
