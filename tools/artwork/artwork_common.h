#pragma once

#include <cairo.h>

#include <string>

// Shared pieces of the artwork generator: the palette, fonts loaded from TrueType files and the
// helpers every drawing of the panel, the controls and the glyph sheets uses.

namespace corvane::artwork {

struct Rgba {
    double r, g, b, a;
};

// The panel's palette: a dark graphite face, light grey legends and one warm accent.
namespace palette {
constexpr Rgba kFace{0.145, 0.153, 0.169, 1.0};
constexpr Rgba kFaceDark{0.094, 0.098, 0.110, 1.0};
constexpr Rgba kSection{0.176, 0.184, 0.204, 1.0};
constexpr Rgba kEdge{0.263, 0.275, 0.302, 1.0};
constexpr Rgba kShadow{0.0, 0.0, 0.0, 0.55};
constexpr Rgba kLegend{0.800, 0.812, 0.831, 1.0};
constexpr Rgba kLegendDim{0.545, 0.561, 0.588, 1.0};
constexpr Rgba kAccent{0.957, 0.631, 0.216, 1.0};
constexpr Rgba kTrack{0.290, 0.302, 0.329, 1.0};
constexpr Rgba kScreen{0.055, 0.063, 0.071, 1.0};
constexpr Rgba kGrid{0.125, 0.149, 0.157, 1.0};
constexpr Rgba kLedOn{1.0, 0.235, 0.176, 1.0};
constexpr Rgba kLedOff{0.267, 0.102, 0.094, 1.0};
} // namespace palette

void setColor(cairo_t* cr, const Rgba& c, double alpha_scale = 1.0);

// A font face loaded from a file; the face lives until the program ends.
cairo_font_face_t* loadFontFace(const std::string& path);

// Pixel-size text with hinted metrics, so advances are whole pixels.
void useFont(cairo_t* cr, cairo_font_face_t* face, double pixel_size);

enum class Align { Left, Centre, Right };

// Draws text with its baseline at y; x is the left edge, the centre or the right edge. Extra
// tracking (pixels between letters) gives the small capitals of the legends room to breathe.
double drawText(cairo_t* cr, const std::string& text, double x, double baseline, Align align,
                double tracking = 0.0);
double textWidth(cairo_t* cr, const std::string& text, double tracking = 0.0);

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

// A raised rounded rectangle: a soft shadow shifted down by shadow_dy, then the body shaded from
// `top` to `bottom`.
void raisedRect(cairo_t* cr, double x, double y, double w, double h, double r, const Rgba& top,
                const Rgba& bottom, double shadow_dy, double shadow_alpha);

// The resources folder of the bitmaps drawn at a scale: PNG at 1x, PNG_2X at 2x.
std::string pngFolder(int scale);

// Writes the surface, returning false (and printing why) on failure.
bool writePng(cairo_surface_t* surface, const std::string& path);

} // namespace corvane::artwork
