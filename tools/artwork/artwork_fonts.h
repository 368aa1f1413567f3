#pragma once

#include <cairo.h>

#include <string>

// The editor's two bitmap fonts: a 256 x 256 glyph sheet (white on transparent) and a glyph table
// in the "VOVIZUDU_MAP" format for each, rendered from a TrueType face.

namespace corvane::artwork {

struct BitmapFontSpec {
    int id;          // resource id of both the sheet and the table
    int cell_height; // height of every glyph picture
    int baseline;    // row of the baseline inside a glyph picture
    cairo_font_face_t* face;
    double pixel_size;
};

// Writes PNG/<id>.png and VOVIZUDU_MAP/<id>.bin under out_dir; false on failure.
bool writeBitmapFont(const BitmapFontSpec& spec, const std::string& out_dir);

} // namespace corvane::artwork
