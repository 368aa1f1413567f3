#include "tools/artwork/artwork_fonts.h"

#include "tools/artwork/artwork_common.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace corvane::artwork {

namespace {

constexpr int kSheetSize = 256;

struct GlyphRecord {
    std::uint16_t code = 0;
    std::uint16_t x = 0, y = 0, width = 0, height = 0, x_offset = 0, advance = 0;
};

// The table's character set: printable ASCII without the grave accent, then the pound sign
// (byte 163 in Windows-1252), in ascending order with the space first.
std::vector<int> characterSet() {
    std::vector<int> codes;
    for (int c = 32; c <= 126; ++c)
        if (c != 96) codes.push_back(c);
    codes.push_back(163);
    return codes;
}

std::string utf8(int code) {
    if (code < 128) return std::string(1, static_cast<char>(code));
    return {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

constexpr int kScratchPad = 8;

// One glyph drawn on a transparent scratch surface of its cell's height, the pen kScratchPad
// editor pixels in from the left, at `scale` image pixels per editor pixel.
cairo_surface_t* renderGlyph(const BitmapFontItem& font, int code, int scale,
                             cairo_text_extents_t* extents) {
    const int scratch_w = static_cast<int>(font.pixel_size * 3) + 2 * kScratchPad;
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, scratch_w * scale,
                                                          font.cell_height * scale);
    cairo_t* cr = cairo_create(scratch);
    cairo_scale(cr, scale, scale);
    useFont(cr, font.face, font.pixel_size);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    const std::string text = utf8(code);
    cairo_move_to(cr, kScratchPad, font.baseline);
    cairo_show_text(cr, text.c_str());
    if (extents != nullptr) cairo_text_extents(cr, text.c_str(), extents);
    cairo_destroy(cr);
    cairo_surface_flush(scratch);
    return scratch;
}

// Measures one glyph's ink at 1x and gives it a place in the sheet.
GlyphRecord placeGlyph(const BitmapFontItem& font, int code, int& pen_x, int& pen_y) {
    GlyphRecord rec;
    rec.code = static_cast<std::uint16_t>(code);
    rec.height = static_cast<std::uint16_t>(font.cell_height);

    cairo_text_extents_t extents;
    cairo_surface_t* scratch = renderGlyph(font, code, 1, &extents);
    const unsigned char* data = cairo_image_surface_get_data(scratch);
    const int stride = cairo_image_surface_get_stride(scratch);
    const int scratch_w = cairo_image_surface_get_width(scratch);
    int ink_left = scratch_w, ink_right = -1;
    for (int y = 0; y < font.cell_height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < scratch_w; ++x) {
            if ((row[x] >> 24) == 0) continue;
            if (x < ink_left) ink_left = x;
            if (x > ink_right) ink_right = x;
        }
    }
    cairo_surface_destroy(scratch);
    rec.advance = static_cast<std::uint16_t>(std::lround(extents.x_advance));
    if (ink_right >= ink_left) {
        // The picture starts at the pen, or further left when the glyph reaches back (the j).
        const int left = std::min(0, ink_left - kScratchPad);
        const int right = ink_right - kScratchPad + 1;
        rec.width = static_cast<std::uint16_t>(right - left);
        rec.x_offset = static_cast<std::uint16_t>(-left);
        if (pen_x + rec.width > kSheetSize) {
            pen_x = 1;
            pen_y += font.cell_height + 1;
        }
        rec.x = static_cast<std::uint16_t>(pen_x);
        rec.y = static_cast<std::uint16_t>(pen_y);
        pen_x += rec.width + 1;
    }
    return rec;
}

// The glyph sheet at a scale: every picture drawn at that scale into its record's rectangle
// times the scale, so one table serves the sheets of every scale.
cairo_surface_t* drawSheet(const BitmapFontItem& font, const std::vector<GlyphRecord>& records,
                           int scale) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSheetSize * scale, kSheetSize * scale);
    cairo_t* sheet = cairo_create(surface);
    for (const GlyphRecord& rec : records) {
        if (rec.width == 0) continue;
        cairo_surface_t* scratch = renderGlyph(font, rec.code, scale, nullptr);
        cairo_save(sheet);
        cairo_set_operator(sheet, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(sheet, scratch, (rec.x - kScratchPad + rec.x_offset) * scale,
                                 rec.y * scale);
        cairo_rectangle(sheet, rec.x * scale, rec.y * scale, rec.width * scale,
                        font.cell_height * scale);
        cairo_fill(sheet);
        cairo_restore(sheet);
        cairo_surface_destroy(scratch);
    }
    cairo_destroy(sheet);
    return surface;
}

bool checkMetric(const std::vector<GlyphRecord>& records, int code, int x_offset, int advance) {
    for (const GlyphRecord& r : records) {
        if (r.code != code) continue;
        if (r.x_offset == x_offset && r.advance == advance) return true;
        std::fprintf(stderr,
                     "corvane-artwork: glyph %d has x offset %d, advance %d (want %d, %d)\n", code,
                     r.x_offset, r.advance, x_offset, advance);
        return false;
    }
    return false;
}

} // namespace

bool writeBitmapFont(const BitmapFontItem& font, const std::string& out_dir) {
    if (font.face == nullptr) return false;
    std::vector<GlyphRecord> records;
    int pen_x = 1, pen_y = 0;
    for (int code : characterSet()) {
        if (code == ' ') {
            // A fixed narrow space: no picture, two pixels of pen movement.
            GlyphRecord space;
            space.code = ' ';
            space.height = static_cast<std::uint16_t>(font.cell_height);
            space.advance = 2;
            records.push_back(space);
            continue;
        }
        records.push_back(placeGlyph(font, code, pen_x, pen_y));
    }
    if (pen_y + font.cell_height > kSheetSize) {
        std::fprintf(stderr, "corvane-artwork: font %d does not fit its sheet\n", font.id);
        return false;
    }

    // The large font's version text and its j are measured by the editor's layout.
    if (font.id == 20000) {
        bool ok = checkMetric(records, 'v', 0, 5) && checkMetric(records, '1', 0, 6) &&
                  checkMetric(records, '.', 0, 3) && checkMetric(records, '0', 0, 6) &&
                  checkMetric(records, 'j', 1, 3);
        if (!ok) return false;
    }

    const std::string id = std::to_string(font.id);
    bool ok = true;
    for (int scale : {1, 2}) {
        cairo_surface_t* surface = drawSheet(font, records, scale);
        ok &= writePng(surface, out_dir + "/" + pngFolder(scale) + "/" + id + ".png");
        cairo_surface_destroy(surface);
    }

    std::vector<std::uint8_t> table = {'V', 'O', 'V', 'I', 'Z', 'U', 'D', 'U'};
    put16(table, 1);
    put16(table, static_cast<unsigned>(records.size()));
    put16(table, 1);
    put16(table, records.front().code);
    put16(table, records.back().code);
    put16(table, static_cast<unsigned>(font.cell_height));
    for (const GlyphRecord& r : records) {
        for (unsigned v : {unsigned(r.code), 0u, unsigned(r.x), unsigned(r.y), unsigned(r.width),
                           unsigned(r.height), unsigned(r.x_offset), unsigned(r.advance)})
            put16(table, v);
    }
    const std::string table_path = out_dir + "/VOVIZUDU_MAP/" + id + ".bin";
    std::FILE* f = std::fopen(table_path.c_str(), "wb");
    if (f == nullptr || std::fwrite(table.data(), 1, table.size(), f) != table.size()) {
        std::fprintf(stderr, "corvane-artwork: cannot write %s\n", table_path.c_str());
        ok = false;
    }
    if (f != nullptr) std::fclose(f);
    return ok;
}

} // namespace corvane::artwork
