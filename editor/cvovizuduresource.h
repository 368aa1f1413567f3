#pragma once

#include "editor/ctwbitmap.h"
#include "gui/cbaseobject.h"
#include "gui/cgeometry.h"

#include <array>
#include <cstdint>
#include <string>

namespace VSTGUI {
class CDrawContext;
}

// One glyph of a bitmap font: where its picture lies in the sheet and how the pen moves.
struct VovizuduGlyph {
    uint16_t code = 0;
    uint16_t reserved = 0;
    uint16_t x = 0, y = 0;
    uint16_t width = 0, height = 0;
    uint16_t xOffset = 0; // how far left of the pen the picture starts
    uint16_t advance = 0;
};

// A bitmap font: the glyph sheet (PNG resource) and glyph table (VOVIZUDU_MAP resource) that share
// one numeric id. The table is a 20-byte header (magic, glyph count at offset 10) followed by
// 16-byte little-endian glyph records; characters are matched by the low byte of their code.
// A font whose table is missing has no glyphs: it draws nothing and measures every text as 0 wide.
// User-interface thread only: looking up a glyph may add to the character index.
class CVovizuduResource : public VSTGUI::CBaseObject {
public:
    static constexpr int kHeaderSize = 20;
    static constexpr int kRecordSize = 16;

    explicit CVovizuduResource(int32_t id);
    ~CVovizuduResource() override;
    CVovizuduResource(const CVovizuduResource&) = delete;
    CVovizuduResource& operator=(const CVovizuduResource&) = delete;

    // The record of the character; a character without one is drawn with record 0 from then on.
    virtual VovizuduGlyph getGlyph(int c);
    virtual CTWBitmap* getBitmap() const { return glyphBitmap; }
    // The tallest glyph of the table.
    virtual int32_t getHeight() const { return height; }
    // Draws the text with the top of its glyphs at pen.y and advances pen.x past it. Alignment:
    // 0 starts at the pen, 1 centres the text on it, 2 ends it there.
    virtual void drawString(VSTGUI::CDrawContext* context, VSTGUI::CPoint& pen,
                            const std::string& text, int32_t alignment);
    virtual void setAlpha(uint8_t alpha);
    virtual uint8_t getAlpha() const;
    // Sum of (advance - x offset) over the characters.
    virtual double getStringWidth(const std::string& text);
    // How many leading characters fit into the width x.
    virtual uint16_t getCharIndexAt(double x, const std::string& text);

    int getRecordCount() const { return recordCount; }

    CLASS_TYPE_OF(CVovizuduResource, CBaseObject)

private:
    VovizuduGlyph readRecord(int index) const;

    CTWBitmap* glyphBitmap;
    const uint8_t* tableData = nullptr;
    const uint8_t* glyphRecords = nullptr;
    // Records the table really holds: the header's count, cut to the size of the resource.
    int recordCount = 0;
    // Record index by character byte; -1 where the byte has no entry yet.
    std::array<int32_t, 256> charIndex;
    int32_t height = 0;
};
