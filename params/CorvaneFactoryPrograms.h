#pragma once

#include "params/CorvaneParameters.h"

namespace corvane {

// A factory program as the plug-in copies it into its program records.
struct FactoryProgram {
    const char* name; // at most 23 characters
    float values[kNumParams];
};

// The 20 factory programs in host program order.
extern const FactoryProgram kFactoryPrograms[kNumPrograms];

} // namespace corvane
