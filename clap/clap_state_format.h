#pragma once

#include "params/CorvaneParameters.h"

#include <cstddef>
#include <cstdint>

namespace corvane::clap {

// What the CLAP edition saves: the current program, the current values (normalised, unmodulated),
// the names of all programs and the editor's scale as the user chose it. On the wire,
// little-endian: the tag "CVCL", the format version, the parameter and program counts, the
// program, 29 floats, 20 names of kNameBytes bytes, each zero-terminated and zero-padded, then
// (from version 2) the user's scale as a float, 0 for the automatic one. Version 1 states, which
// end after the names, still load. Any other length, tag, version or count, a value that is not
// a number in 0..1, a scale outside 0 and 1..3, or a name without its terminator is a stream
// that is not ours.
struct SavedState {
    static constexpr int kNameBytes = 24;
    std::int32_t program = 0;
    float values[kNumParams] = {};
    char names[kNumPrograms][kNameBytes] = {};
    float userScale = 0.0f;
};

constexpr std::uint32_t kSavedStateVersion = 2;
constexpr std::size_t kSavedStateV1Bytes =
    4 + 4 * 4 + 4 * kNumParams + SavedState::kNameBytes * kNumPrograms;
constexpr std::size_t kSavedStateBytes = kSavedStateV1Bytes + 4;

void encodeState(const SavedState& state, unsigned char* bytes);
// False, with state untouched, for anything but a whole state of this version.
bool decodeState(const unsigned char* bytes, std::size_t size, SavedState& state);

} // namespace corvane::clap
