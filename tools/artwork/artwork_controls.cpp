#include "tools/artwork/artwork_controls.h"

#include "tools/artwork/artwork_common.h"

#include <algorithm>
#include <cmath>

namespace corvane::artwork {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The knob sweeps 270 degrees, from lower left through the top to lower right.
constexpr double kStartAngle = 0.75 * kPi;
constexpr double kSweep = 1.5 * kPi;

void drawKnobFrame(cairo_t* cr, const KnobStyle& s, double value) {
    const double cx = s.centre_x, cy = s.centre_y;
    const double angle = kStartAngle + kSweep * value;

    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, s.arc_width);
    setColor(cr, palette::kTrack);
    cairo_arc(cr, cx, cy, s.arc_radius, kStartAngle, kStartAngle + kSweep);
    cairo_stroke(cr);
    setColor(cr, palette::kAccent);
    cairo_arc(cr, cx, cy, s.arc_radius, kStartAngle, std::max(angle, kStartAngle + 1e-3));
    cairo_stroke(cr);

    // A soft drop shadow under the cap.
    cairo_pattern_t* shadow = cairo_pattern_create_radial(cx, cy + 1.5, s.cap_radius * 0.6, cx,
                                                          cy + 1.5, s.cap_radius + 3);
    cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.6);
    cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0);
    cairo_set_source(cr, shadow);
    cairo_arc(cr, cx, cy + 1.5, s.cap_radius + 3, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(shadow);

    // The cap: lit from the upper left, with a thin bright rim.
    cairo_pattern_t* body = cairo_pattern_create_linear(cx - s.cap_radius, cy - s.cap_radius,
                                                        cx + s.cap_radius, cy + s.cap_radius);
    cairo_pattern_add_color_stop_rgb(body, 0, 0.36, 0.375, 0.40);
    cairo_pattern_add_color_stop_rgb(body, 1, 0.13, 0.135, 0.15);
    cairo_set_source(cr, body);
    cairo_arc(cr, cx, cy, s.cap_radius, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    cairo_pattern_t* face = cairo_pattern_create_radial(
        cx - s.cap_radius * 0.3, cy - s.cap_radius * 0.35, 0, cx, cy, s.cap_radius * 0.82);
    cairo_pattern_add_color_stop_rgb(face, 0, 0.30, 0.315, 0.34);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.19, 0.20, 0.22);
    cairo_set_source(cr, face);
    cairo_arc(cr, cx, cy, s.cap_radius * 0.82, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(face);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
    cairo_arc(cr, cx, cy, s.cap_radius - 0.5, 1.05 * kPi, 1.95 * kPi);
    cairo_stroke(cr);

    // The pointer.
    const double dx = std::cos(angle), dy = std::sin(angle);
    cairo_set_line_width(cr, std::max(1.6, s.cap_radius * 0.16));
    cairo_set_source_rgba(cr, 0.96, 0.96, 0.94, 1.0);
    cairo_move_to(cr, cx + dx * s.cap_radius * 0.30, cy + dy * s.cap_radius * 0.30);
    cairo_line_to(cr, cx + dx * s.cap_radius * 0.86, cy + dy * s.cap_radius * 0.86);
    cairo_stroke(cr);
}

// Renders `frames` stacked frames of one size with the given painter, which draws in editor
// pixels whatever the scale.
template <typename Paint>
bool writeStrip(int width, int frame_height, int frames, int scale, const std::string& path,
                Paint paint) {
    const int w = width * scale, fh = frame_height * scale;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, fh * frames);
    cairo_t* cr = cairo_create(surface);
    for (int i = 0; i < frames; ++i) {
        cairo_save(cr);
        cairo_rectangle(cr, 0, i * fh, w, fh);
        cairo_clip(cr);
        cairo_translate(cr, 0, i * fh);
        cairo_scale(cr, scale, scale);
        paint(cr, i);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    const bool ok = writePng(surface, path);
    cairo_surface_destroy(surface);
    return ok;
}

void drawThumb(cairo_t* cr, double x, double y, double w, double h, bool vertical) {
    raisedRect(cr, x, y, w, h, 2.0, {0.52, 0.535, 0.56, 1}, {0.25, 0.26, 0.28, 1}, 1.5, 0.55);
    // The accent line marks where the thumb points.
    setColor(cr, palette::kAccent);
    if (vertical)
        cairo_rectangle(cr, x + 2, y + h / 2 - 1, w - 4, 2);
    else
        cairo_rectangle(cr, x + w / 2 - 1, y + 2, 2, h - 4);
    cairo_fill(cr);
}

void drawSlot(cairo_t* cr, double x, double y, double w, double h) {
    setColor(cr, palette::kFaceDark);
    roundedRect(cr, x, y, w, h, std::min(w, h) / 2);
    cairo_fill(cr);
    cairo_set_line_width(cr, 1.0);
    setColor(cr, palette::kEdge);
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, std::min(w, h) / 2 - 0.5);
    cairo_stroke(cr);
}

} // namespace

bool writeKnobStrip(const KnobStyle& style, int scale, const std::string& path) {
    constexpr int kFrames = 101;
    return writeStrip(
        style.width, style.frame_height, kFrames, scale, path,
        [&](cairo_t* cr, int i) { drawKnobFrame(cr, style, i / double(kFrames - 1)); });
}

bool writeVerticalSwitch(int width, int frame_height, int positions, int scale,
                         const std::string& path) {
    // The thumb positions match the switch's hit zones: equal bands of the frame height.
    const double band = double(frame_height) / positions;
    const double slot_x = 6, slot_w = 7;
    return writeStrip(width, frame_height, positions, scale, path, [&](cairo_t* cr, int active) {
        drawSlot(cr, slot_x, 2, slot_w, frame_height - 4);
        for (int p = 0; p < positions; ++p) {
            const double cy = std::floor(band * (p + 0.5)) + 0.5;
            setColor(cr, palette::kLegendDim);
            cairo_rectangle(cr, 17, cy - 0.5, 2, 1);
            cairo_fill(cr);
        }
        const double cy = std::floor(band * (active + 0.5)) + 0.5;
        drawThumb(cr, 1, cy - 4.5, 17, 9, true);
        // An indicator beside the active position's legend.
        setColor(cr, palette::kAccent);
        cairo_move_to(cr, 20, cy - 3);
        cairo_line_to(cr, 23, cy);
        cairo_line_to(cr, 20, cy + 3);
        cairo_close_path(cr);
        cairo_fill(cr);
    });
}

bool writeHorizontalSwitch(int width, int frame_height, int positions, int scale,
                           const std::string& path) {
    const double band = double(width) / positions;
    return writeStrip(width, frame_height, positions, scale, path, [&](cairo_t* cr, int active) {
        drawSlot(cr, 3, frame_height / 2.0 - 3.5, width - 6, 7);
        const double cx = std::floor(band * (active + 0.5)) + 0.5;
        drawThumb(cr, cx - 5, frame_height / 2.0 - 8, 10, 16, false);
    });
}

bool writeButton(int width, int frame_height, int scale, const std::string& path) {
    return writeStrip(width, frame_height, 2, scale, path, [&](cairo_t* cr, int on) {
        const double cx = width / 2.0, cy = frame_height / 2.0;
        raisedRect(cr, 1.5, 1.5, width - 3, frame_height - 4, 3, {0.40, 0.415, 0.44, 1},
                   {0.20, 0.21, 0.23, 1}, 1.5, 0.55);
        if (on) {
            cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy - 1, 0, cx, cy - 1, 7);
            cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.3, 0.2, 0.9);
            cairo_pattern_add_color_stop_rgba(glow, 1, 1.0, 0.3, 0.2, 0.0);
            cairo_set_source(cr, glow);
            cairo_arc(cr, cx, cy - 1, 7, 0, 2 * kPi);
            cairo_fill(cr);
        }
        setColor(cr, on ? palette::kLedOn : palette::kLedOff);
        cairo_arc(cr, cx, cy - 1, 3, 0, 2 * kPi);
        cairo_fill(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, on ? 0.55 : 0.15);
        cairo_arc(cr, cx - 1, cy - 2, 1, 0, 2 * kPi);
        cairo_fill(cr);
    });
}

} // namespace corvane::artwork
