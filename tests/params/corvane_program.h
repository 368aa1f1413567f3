#pragma once

#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"

// Applies a program's values as the plug-in does: every index in order, and at LFO Sync the
// switch of LFO Rate between free and synchronised.
inline void applyValue(CorvaneParameterManager& m, int index, float n) {
    m.setNormalized(index, n);
    if (index == corvane::kLfoSync) m.setSync(corvane::kLfoRate, n > 0.5f);
}

inline void applyProgram(CorvaneParameterManager& m, const corvane::FactoryProgram& program) {
    for (int i = 0; i < corvane::kNumParams; ++i)
        applyValue(m, i, program.values[i]);
}
