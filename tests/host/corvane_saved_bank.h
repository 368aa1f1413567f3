#pragma once

// The state a host saves of the plug-in, read and written through the plug-in record with the
// ordinary requests, as hosts do: no chunk, each program's name and 29 values.

#include "corvane_test_host.h"

#include <string>
#include <vector>

namespace corvane::test {

// What a host keeps of the plug-in: for every program its name and its 29 values, and which
// program is current.
struct SavedProgram {
    std::string name;
    float values[kNumParams];
};
struct SavedBank {
    VstInt32 current = 0;
    std::vector<SavedProgram> programs;
};

inline std::string text_of(AEffect* effect, VstInt32 opcode, VstInt32 index = 0) {
    char text[256] = {};
    dispatch(effect, opcode, index, -1, text);
    return text;
}

// Saved as hosts save a bank: each program selected in turn, its name and values read, and the
// current program selected again.
inline SavedBank save_bank(AEffect* effect) {
    SavedBank bank;
    bank.current = static_cast<VstInt32>(dispatch(effect, effGetProgram));
    for (VstInt32 p = 0; p < kNumPrograms; ++p) {
        dispatch(effect, effSetProgram, 0, p);
        SavedProgram program;
        program.name = text_of(effect, effGetProgramNameIndexed, p);
        for (VstInt32 i = 0; i < kNumParams; ++i)
            program.values[i] = effect->getParameter(effect, i);
        bank.programs.push_back(program);
    }
    dispatch(effect, effSetProgram, 0, bank.current);
    return bank;
}

inline void restore_bank(AEffect* effect, const SavedBank& bank,
                         const std::vector<VstInt32>& order) {
    for (VstInt32 p = 0; p < kNumPrograms; ++p) {
        dispatch(effect, effBeginSetProgram);
        dispatch(effect, effSetProgram, 0, p);
        dispatch(effect, effEndSetProgram);
        std::string name = bank.programs[p].name;
        dispatch(effect, effSetProgramName, 0, 0, name.data());
        for (VstInt32 i : order)
            effect->setParameter(effect, i, bank.programs[p].values[i]);
    }
    dispatch(effect, effSetProgram, 0, bank.current);
}

// Parameter indices in ascending or descending order (LFO Rate before or after LFO Sync).
inline std::vector<VstInt32> index_order(bool ascending) {
    std::vector<VstInt32> order;
    for (VstInt32 i = 0; i < kNumParams; ++i)
        order.push_back(ascending ? i : kNumParams - 1 - i);
    return order;
}

} // namespace corvane::test
