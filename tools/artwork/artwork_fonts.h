#pragma once

#include <cairo.h>

#include <string>

// The editor's two bitmap fonts: a 256 x 256 glyph sheet (white on transparent) and a glyph table
// in the "VOVIZUDU_MAP" format for each, rendered from a TrueType face.

namespace corvane::artwork {

struct BitmapFontItem {
    int id;          // resource id of both the sheet and the table
    int cell_height; // height of every glyph picture
    int baseline;    // row of the baseline inside a glyph picture
    cairo_font_face_t* face;
    double pixel_size;
};

// Writes the sheets PNG/<id>.png (256 x 256) and PNG_2X/<id>.png (512 x 512) and the table
// VOVIZUDU_MAP/<id>.bin under out_dir; false on failure. The table's positions and metrics are in
// editor pixels: the 2x sheet holds each picture at twice its record's rectangle.
bool writeBitmapFont(const BitmapFontItem& desc, const std::string& out_dir);

} // namespace corvane::artwork
