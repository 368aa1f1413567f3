#pragma once

#include "editor/cvovizuduresource.h"

#include <cstdint>
#include <vector>

namespace corvane::test {

// A glyph table in the resource format: header with `declared` as the glyph count, then records.
inline std::vector<uint8_t> makeGlyphTable(const std::vector<VovizuduGlyph>& glyphs, int declared) {
    std::vector<uint8_t> t = {'V', 'O', 'V', 'I', 'Z', 'U', 'D', 'U'};
    auto put = [&t](unsigned v) {
        t.push_back(uint8_t(v & 0xFF));
        t.push_back(uint8_t(v >> 8));
    };
    for (unsigned v : {1u, unsigned(declared), 1u, 32u, 163u, 15u})
        put(v);
    for (const VovizuduGlyph& g : glyphs)
        for (unsigned v : {g.code, g.reserved, g.x, g.y, g.width, g.height, g.xOffset, g.advance})
            put(v);
    return t;
}

inline VovizuduGlyph glyph(uint16_t code, uint16_t x, uint16_t width, uint16_t height,
                           uint16_t xOffset, uint16_t advance) {
    VovizuduGlyph g;
    g.code = code;
    g.x = x;
    g.width = width;
    g.height = height;
    g.xOffset = xOffset;
    g.advance = advance;
    return g;
}

} // namespace corvane::test
