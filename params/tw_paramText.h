#pragma once

#include <cstdio>

// Bounded writes into caller-supplied, zero-terminated text buffers, shared by the parameter
// manager and its product subclass. Texts are first printed into a fixed scratch buffer (snprintf
// truncates whatever the float), then copied within the caller's length.
namespace tw_paramText {

// Large enough for any printed float ("%4.0f" of FLT_MAX has 39 digits); snprintf cuts the rest.
constexpr int kScratchSize = 64;

// Names, labels and milliseconds: at most length characters, then the terminator, which lands at
// position length at the latest (the caller's buffer holds length + 1). Negative length or a null
// buffer writes nothing.
void copyName(char* text, int length, const char* source);

// Value texts: at most length - 1 characters and the terminator. Length 0 or less, or a null
// buffer, writes nothing.
void copyValue(char* text, int length, const char* source);

// x truncated towards zero, clamped to the int range; NaN gives 0.
int truncate(float x);

// snprintf into a scratch buffer of kScratchSize characters.
template <typename... Args>
void print(char (&scratch)[kScratchSize], const char* format, Args... args) {
    std::snprintf(scratch, kScratchSize, format, args...);
}

} // namespace tw_paramText
