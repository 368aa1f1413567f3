#include "dsp/twdsp_filter_dc_blocker.h"

twdsp_filter_dc_blocker::~twdsp_filter_dc_blocker() = default;
