#pragma once

#include <cairo.h>

#include <string>

// The editor's two full-size pictures: the panel behind the controls and the about screen.

namespace corvane::artwork {

struct PanelFonts {
    cairo_font_face_t* regular;
    cairo_font_face_t* bold;
};

bool writeBackground(const PanelFonts& fonts, const std::string& path);
bool writeAbout(const PanelFonts& fonts, const std::string& path);

} // namespace corvane::artwork
