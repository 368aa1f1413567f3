#pragma once

// The factory programs as the plug-in stores them (29 normalised values per program, in
// parameter-index order), under the names the engine tests use.

#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameters.h"

namespace corvane::test {

constexpr int factory_program_count = corvane::kNumPrograms;
constexpr int factory_parameter_count = corvane::kNumParams;

inline const corvane::FactoryProgram (&factory_programs)[factory_program_count] =
    corvane::kFactoryPrograms;

} // namespace corvane::test
