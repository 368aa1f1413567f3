#include "params/tw_paramText.h"

#include <climits>
#include <cstring>

namespace tw_paramText {

namespace {

int boundedLength(const char* source, int limit) {
    if (!source) return 0;
    int n = 0;
    while (n < limit && source[n] != '\0')
        ++n;
    return n;
}

} // namespace

void copyName(char* text, int length, const char* source) {
    if (!text || length < 0) return;
    const int n = boundedLength(source, length);
    if (n > 0) std::memcpy(text, source, n);
    text[n] = '\0';
}

void copyValue(char* text, int length, const char* source) {
    if (!text || length <= 0) return;
    const int n = boundedLength(source, length - 1);
    if (n > 0) std::memcpy(text, source, n);
    text[n] = '\0';
}

int truncate(float x) {
    if (x != x) return 0;
    // 2^31 is exact in float; anything at or beyond it would overflow the conversion.
    if (x >= 2147483648.0f) return INT_MAX;
    if (x <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(x);
}

} // namespace tw_paramText
