#include "editor/cvovizuduresource.h"

#include "gui/cdrawcontext.h"
#include "resources/corvane_resources.h"

using namespace VSTGUI;

namespace {
uint16_t read16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
} // namespace

CVovizuduResource::CVovizuduResource(int32_t id)
    : glyphBitmap(new CTWBitmap(CResourceDescription(id), 255)) {
    charIndex.fill(-1);
    const corvane::resources::ResourceData table =
        corvane::resources::findResource("VOVIZUDU_MAP", id);
    if (!table || table.size < size_t(kHeaderSize)) return;
    tableData = table.bytes;
    glyphRecords = table.bytes + kHeaderSize;
    const int declared = read16(tableData + 10);
    const int available = int((table.size - kHeaderSize) / kRecordSize);
    recordCount = declared < available ? declared : available;
    for (int i = 0; i < recordCount; ++i) {
        const VovizuduGlyph g = readRecord(i);
        // A later record for the same byte replaces the earlier one.
        charIndex[g.code & 0xFF] = i;
        if (g.height > height) height = g.height;
    }
}

CVovizuduResource::~CVovizuduResource() {
    glyphBitmap->forget();
}

VovizuduGlyph CVovizuduResource::readRecord(int index) const {
    const uint8_t* r = glyphRecords + index * kRecordSize;
    VovizuduGlyph g;
    g.code = read16(r);
    g.reserved = read16(r + 2);
    g.x = read16(r + 4);
    g.y = read16(r + 6);
    g.width = read16(r + 8);
    g.height = read16(r + 10);
    g.xOffset = read16(r + 12);
    g.advance = read16(r + 14);
    return g;
}

VovizuduGlyph CVovizuduResource::getGlyph(int c) {
    if (recordCount == 0) return VovizuduGlyph();
    int32_t& index = charIndex[static_cast<unsigned>(c) & 0xFF];
    if (index < 0) index = 0;
    return readRecord(index);
}

void CVovizuduResource::drawString(CDrawContext* context, CPoint& pen, const std::string& text,
                                   int32_t alignment) {
    if (alignment == 1) pen.x -= getStringWidth(text) / 2;
    if (alignment == 2) pen.x -= getStringWidth(text);
    for (char ch : text) {
        const VovizuduGlyph g = getGlyph(static_cast<unsigned char>(ch));
        const CCoord left = pen.x - g.xOffset;
        const CRect dest(left, pen.y, left + g.width, pen.y + g.height);
        if (context != nullptr && !dest.isEmpty())
            glyphBitmap->drawAlpha(context, dest, CPoint(g.x, g.y));
        pen.x += g.advance;
    }
}

void CVovizuduResource::setAlpha(uint8_t alpha) {
    glyphBitmap->setAlpha(alpha);
}

uint8_t CVovizuduResource::getAlpha() const {
    return glyphBitmap->getAlpha();
}

double CVovizuduResource::getStringWidth(const std::string& text) {
    double width = 0;
    for (char ch : text) {
        const VovizuduGlyph g = getGlyph(static_cast<unsigned char>(ch));
        width += double(g.advance) - double(g.xOffset);
    }
    return width;
}

uint16_t CVovizuduResource::getCharIndexAt(double x, const std::string& text) {
    double width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const VovizuduGlyph g = getGlyph(static_cast<unsigned char>(text[i]));
        width += double(g.advance) - double(g.xOffset);
        if (width > x) return uint16_t(i);
    }
    return uint16_t(text.size() > 0xFFFF ? 0xFFFF : text.size());
}
