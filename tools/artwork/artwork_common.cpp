#include "tools/artwork/artwork_common.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdio>

namespace corvane::artwork {

void setColor(cairo_t* cr, const Rgba& c, double alpha_scale) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a * alpha_scale);
}

cairo_font_face_t* loadFontFace(const std::string& path) {
    static FT_Library library = nullptr;
    if (library == nullptr && FT_Init_FreeType(&library) != 0) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        std::fprintf(stderr, "corvane-artwork: cannot load font %s\n", path.c_str());
        return nullptr;
    }
    return cairo_ft_font_face_create_for_ft_face(face, 0);
}

void useFont(cairo_t* cr, cairo_font_face_t* face, double pixel_size) {
    cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, pixel_size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

double textWidth(cairo_t* cr, const std::string& text, double tracking) {
    double width = 0.0;
    for (char c : text) {
        char s[2] = {c, 0};
        cairo_text_extents_t e;
        cairo_text_extents(cr, s, &e);
        width += e.x_advance + tracking;
    }
    return text.empty() ? 0.0 : width - tracking;
}

double drawText(cairo_t* cr, const std::string& text, double x, double baseline, Align align,
                double tracking) {
    const double width = textWidth(cr, text, tracking);
    if (align == Align::Centre) x -= width * 0.5;
    if (align == Align::Right) x -= width;
    // Whole-pixel pen positions keep the hinted glyphs crisp.
    double pen = std::round(x);
    for (char c : text) {
        char s[2] = {c, 0};
        cairo_move_to(cr, pen, std::round(baseline));
        cairo_show_text(cr, s);
        cairo_text_extents_t e;
        cairo_text_extents(cr, s, &e);
        pen += e.x_advance + tracking;
    }
    return width;
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    const double pi = 3.14159265358979323846;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
    cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
    cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

void raisedRect(cairo_t* cr, double x, double y, double w, double h, double r, const Rgba& top,
                const Rgba& bottom, double shadow_dy, double shadow_alpha) {
    cairo_set_source_rgba(cr, 0, 0, 0, shadow_alpha);
    roundedRect(cr, x, y + shadow_dy, w, h, r);
    cairo_fill(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgba(body, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(body, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr, body);
    roundedRect(cr, x, y, w, h, r);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
}

std::string pngFolder(int scale) {
    return scale == 1 ? "PNG" : "PNG_" + std::to_string(scale) + "X";
}

bool writePng(cairo_surface_t* surface, const std::string& path) {
    cairo_surface_flush(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "corvane-artwork: cannot write %s: %s\n", path.c_str(),
                     cairo_status_to_string(status));
        return false;
    }
    return true;
}

} // namespace corvane::artwork
