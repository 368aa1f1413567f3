#include "dsp/twdsp_filter_ms20_hp.h"

twdsp_filter_ms20_hp::~twdsp_filter_ms20_hp() = default;
