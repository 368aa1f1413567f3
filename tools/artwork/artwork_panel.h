#pragma once

#include <cairo.h>

#include <string>

// The editor's two full-size pictures: the panel behind the controls and the about screen, drawn
// in editor pixels and written at `scale` (1 or 2) image pixels per editor pixel.

namespace corvane::artwork {

struct PanelFonts {
    cairo_font_face_t* regular;
    cairo_font_face_t* bold;
};

bool writeBackground(const PanelFonts& fonts, int scale, const std::string& path);
bool writeAbout(const PanelFonts& fonts, int scale, const std::string& path);

} // namespace corvane::artwork
