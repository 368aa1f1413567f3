#include "lv2/corvane_lv2_plugin.h"

// The module's one export: hosts ask for descriptor 0 and get Corvane.
extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? corvaneLv2Descriptor() : nullptr;
}
