#pragma once

#include "params/CorvaneParameters.h"

#include <cstddef>
#include <cstdint>

namespace corvane::clap {

// What the CLAP edition saves: the current program, the current values (normalised, unmodulated)
// and the names of all programs. On the wire, little-endian: the tag "CVCL", the format version,
// the parameter and program counts, the program, 29 floats, then 20 names of kNameBytes bytes,
// each zero-terminated and zero-padded. Any other length, tag, version or count, a value that is
// not a number in 0..1, or a name without its terminator is a stream that is not ours.
struct SavedState {
    static constexpr int kNameBytes = 24;
    std::int32_t program = 0;
    float values[kNumParams] = {};
    char names[kNumPrograms][kNameBytes] = {};
};

constexpr std::uint32_t kSavedStateVersion = 1;
constexpr std::size_t kSavedStateBytes =
    4 + 4 * 4 + 4 * kNumParams + SavedState::kNameBytes * kNumPrograms;

void encodeState(const SavedState& state, unsigned char* bytes);
// False, with state untouched, for anything but a whole state of this version.
bool decodeState(const unsigned char* bytes, std::size_t size, SavedState& state);

} // namespace corvane::clap
