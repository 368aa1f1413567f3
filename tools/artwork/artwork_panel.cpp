#include "tools/artwork/artwork_panel.h"

#include "editor/corvane_layout.h"
#include "tools/artwork/artwork_common.h"

#include <cmath>

namespace corvane::artwork {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kW = layout::kEditorWidth;
constexpr int kH = layout::kEditorHeight;
constexpr double kHeaderHeight = 42;

// The five sections, each a framed area with its title over the controls it groups.
struct Section {
    const char* title;
    double left, right;
};
constexpr Section kSections[] = {
    {"REVERB", 10, 102},    {"FILTER", 106, 244}, {"LFO", 248, 399},
    {"ENVELOPE", 403, 560}, {"OUTPUT", 564, 719},
};
constexpr double kSectionTop = 47, kSectionBottom = 295;

// Legends of the switch positions, top to bottom (left to right for the horizontal switch).
struct SwitchLegend {
    int tag;
    const char* caption; // above the switch, or null
    const char* positions[4];
};
constexpr SwitchLegend kSwitchLegends[] = {
    {7, nullptr, {"LP", "BP", "HP", nullptr}},
    // The sync switch shows "LFO Sync" inverted: its top position is the synchronised rate.
    {15, nullptr, {"SYNC", "FREE", nullptr, nullptr}},
    {28, nullptr, {"ACTIVE", "BYPASS", nullptr, nullptr}},
    {21, "TRIGGER", {"AUDIO", "MIDI", "SIDECH", "LFO"}},
};

// Column where the legends beside a vertical switch start, right of its position indicator.
constexpr double kLegendInset = 25;

const layout::ViewItem& view(int tag) {
    return *layout::findView(tag);
}

void drawFace(cairo_t* cr) {
    cairo_pattern_t* face = cairo_pattern_create_linear(0, 0, 0, kH);
    cairo_pattern_add_color_stop_rgb(face, 0, 0.170, 0.178, 0.196);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.118, 0.124, 0.137);
    cairo_set_source(cr, face);
    cairo_paint(cr);
    cairo_pattern_destroy(face);

    // Fine horizontal grain, as on a brushed metal face.
    for (int y = 0; y < kH; y += 2) {
        const double a = 0.012 + 0.010 * std::sin(y * 0.73) * std::sin(y * 0.19);
        cairo_set_source_rgba(cr, 1, 1, 1, a > 0 ? a : 0);
        cairo_rectangle(cr, 0, y, kW, 1);
        cairo_fill(cr);
    }
}

void drawScrew(cairo_t* cr, double x, double y) {
    cairo_pattern_t* head = cairo_pattern_create_linear(x - 4, y - 4, x + 4, y + 4);
    cairo_pattern_add_color_stop_rgb(head, 0, 0.45, 0.46, 0.48);
    cairo_pattern_add_color_stop_rgb(head, 1, 0.16, 0.17, 0.18);
    cairo_set_source(cr, head);
    cairo_arc(cr, x, y, 3.5, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, x - 2.5, y + 1.5);
    cairo_line_to(cr, x + 2.5, y - 1.5);
    cairo_stroke(cr);
}

void drawHeader(cairo_t* cr, const PanelFonts& fonts) {
    cairo_pattern_t* strip = cairo_pattern_create_linear(0, 0, 0, kHeaderHeight);
    cairo_pattern_add_color_stop_rgb(strip, 0, 0.086, 0.090, 0.100);
    cairo_pattern_add_color_stop_rgb(strip, 1, 0.059, 0.062, 0.070);
    cairo_set_source(cr, strip);
    cairo_rectangle(cr, 0, 0, kW, kHeaderHeight);
    cairo_fill(cr);
    cairo_pattern_destroy(strip);
    setColor(cr, palette::kAccent, 0.9);
    cairo_rectangle(cr, 0, kHeaderHeight, kW, 1);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_rectangle(cr, 0, kHeaderHeight + 1, kW, 1);
    cairo_fill(cr);

    // The word mark sits in the about area: clicking it opens the about screen.
    useFont(cr, fonts.bold, 25);
    setColor(cr, palette::kLegend);
    const double mark = drawText(cr, "Corvane", 22, 30, Align::Left);
    setColor(cr, palette::kAccent);
    cairo_arc(cr, 22 + mark + 5, 27.5, 2.5, 0, 2 * kPi);
    cairo_fill(cr);
    useFont(cr, fonts.bold, 8);
    setColor(cr, palette::kLegendDim);
    drawText(cr, "REVERB  FILTER  MODULATOR", 22 + mark + 16, 30, Align::Left, 1.2);

    // Vendor on the version label's line; the version itself is drawn by the editor.
    useFont(cr, fonts.bold, 8);
    setColor(cr, palette::kLegendDim);
    const layout::ViewItem* version = nullptr;
    for (const layout::ViewItem& v : layout::kViews)
        if (v.kind == layout::ViewKind::VersionLabel) version = &v;
    drawText(cr, "TESSEL WORKS", version->x + 34, 36, Align::Right, 1.5);
}

void drawSection(cairo_t* cr, const PanelFonts& fonts, const Section& s) {
    const double x = s.left + 0.5, y = kSectionTop + 0.5;
    const double w = s.right - s.left - 1, h = kSectionBottom - kSectionTop - 1;
    raisedRect(cr, x, y, w, h, 6, {0.196, 0.204, 0.224, 1}, {0.157, 0.163, 0.180, 1}, 2, 0.35);
    roundedRect(cr, x, y, w, h, 6);
    cairo_set_line_width(cr, 1.0);
    setColor(cr, palette::kEdge);
    cairo_stroke(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.05);
    cairo_move_to(cr, x + 6, y + 1);
    cairo_line_to(cr, x + w - 6, y + 1);
    cairo_stroke(cr);

    // Title with a rule on either side.
    const double centre = (s.left + s.right) / 2, baseline = 62;
    useFont(cr, fonts.bold, 9);
    setColor(cr, palette::kAccent);
    const double tw = drawText(cr, s.title, centre, baseline, Align::Centre, 1.6);
    setColor(cr, palette::kEdge);
    const double gap = 7;
    cairo_rectangle(cr, s.left + 8, baseline - 3.5, centre - tw / 2 - gap - s.left - 8, 1);
    cairo_rectangle(cr, centre + tw / 2 + gap, baseline - 3.5, s.right - 8 - centre - tw / 2 - gap,
                    1);
    cairo_fill(cr);
}

// The graphs draw on a recessed screen with a faint grid.
void drawScreen(cairo_t* cr, const layout::ViewItem& v) {
    setColor(cr, palette::kFaceDark);
    roundedRect(cr, v.x - 3, v.y - 3, v.w + 6, v.h + 6, 3);
    cairo_fill(cr);
    setColor(cr, palette::kScreen);
    cairo_rectangle(cr, v.x, v.y, v.w, v.h);
    cairo_fill(cr);
    setColor(cr, palette::kGrid);
    for (int i = 1; i < 4; ++i) {
        cairo_rectangle(cr, v.x, v.y + 1 + std::round(i * (v.h - 2) / 4.0), v.w, 1);
        cairo_fill(cr);
    }
    for (int i = 1; i < 8; ++i) {
        cairo_rectangle(cr, v.x + std::round(i * v.w / 8.0), v.y, 1, v.h);
        cairo_fill(cr);
    }
    cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
    cairo_rectangle(cr, v.x - 3, v.y + v.h + 3, v.w + 6, 1);
    cairo_fill(cr);
}

void drawCaption(cairo_t* cr, const PanelFonts& fonts, const char* text, double x, double baseline,
                 Align align) {
    useFont(cr, fonts.bold, 7);
    setColor(cr, palette::kLegend);
    drawText(cr, text, x, baseline, align, 0.8);
}

void drawSwitchLegends(cairo_t* cr, const PanelFonts& fonts) {
    for (const SwitchLegend& legend : kSwitchLegends) {
        const layout::ViewItem& v = view(legend.tag);
        const double band = double(v.h) / v.positions;
        for (int p = 0; p < v.positions; ++p) {
            const double cy = v.y + std::floor(band * (p + 0.5)) + 0.5;
            drawCaption(cr, fonts, legend.positions[p], v.x + kLegendInset, cy + 3, Align::Left);
        }
        if (legend.caption != nullptr) {
            useFont(cr, fonts.bold, 7);
            setColor(cr, palette::kLegendDim);
            drawText(cr, legend.caption, v.x + 3, v.y - 5, Align::Left, 1.2);
        }
    }

    // LFO shapes as pictures of one cycle each: square, saw, sine, random.
    const layout::ViewItem& shape = view(13);
    useFont(cr, fonts.bold, 7);
    setColor(cr, palette::kLegendDim);
    drawText(cr, "WAVE", shape.x + 3, shape.y - 5, Align::Left, 1.2);
    const double band = double(shape.h) / shape.positions;
    cairo_set_line_width(cr, 1.3);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    setColor(cr, palette::kLegend);
    for (int p = 0; p < 4; ++p) {
        const double cy = shape.y + std::floor(band * (p + 0.5)) + 0.5;
        const double x0 = shape.x + kLegendInset, w = 16, a = 3.5;
        switch (p) {
            case 0:
                cairo_move_to(cr, x0, cy + a);
                cairo_line_to(cr, x0, cy - a);
                cairo_line_to(cr, x0 + w / 2, cy - a);
                cairo_line_to(cr, x0 + w / 2, cy + a);
                cairo_line_to(cr, x0 + w, cy + a);
                cairo_line_to(cr, x0 + w, cy - a);
                break;
            case 1:
                cairo_move_to(cr, x0, cy + a);
                cairo_line_to(cr, x0 + w / 2, cy - a);
                cairo_line_to(cr, x0 + w / 2, cy + a);
                cairo_line_to(cr, x0 + w, cy - a);
                cairo_line_to(cr, x0 + w, cy + a);
                break;
            case 2:
                for (int i = 0; i <= 32; ++i) {
                    const double t = i / 32.0;
                    const double px = x0 + w * t, py = cy - a * std::sin(2 * kPi * t);
                    if (i == 0)
                        cairo_move_to(cr, px, py);
                    else
                        cairo_line_to(cr, px, py);
                }
                break;
            default: {
                const double steps[] = {0.2, -0.9, 0.6, -0.3, 1.0, -0.6};
                cairo_move_to(cr, x0, cy - a * steps[0]);
                for (int i = 0; i < 6; ++i) {
                    cairo_line_to(cr, x0 + w * i / 6.0, cy - a * steps[i]);
                    cairo_line_to(cr, x0 + w * (i + 1) / 6.0, cy - a * steps[i]);
                }
                break;
            }
        }
        cairo_stroke(cr);
    }

    // Reverb routing: before (left) or after (right) the drive and filter.
    const layout::ViewItem& route = view(3);
    drawCaption(cr, fonts, "PRE", route.x + 1, route.y + route.h / 2.0 + 3, Align::Right);
    drawCaption(cr, fonts, "POST", route.x + route.w - 1, route.y + route.h / 2.0 + 3, Align::Left);

    const layout::ViewItem& freeze = view(4);
    drawCaption(cr, fonts, "FREEZE", freeze.x + freeze.w / 2.0 + 1, freeze.y + freeze.h + 10,
                Align::Centre);
}

// A surface of the editor's size at the scale, with a context that draws in editor pixels.
cairo_t* createScaled(int scale, cairo_surface_t** surface) {
    *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW * scale, kH * scale);
    cairo_t* cr = cairo_create(*surface);
    cairo_scale(cr, scale, scale);
    return cr;
}

bool finish(cairo_t* cr, cairo_surface_t* surface, const std::string& path) {
    cairo_destroy(cr);
    const bool ok = writePng(surface, path);
    cairo_surface_destroy(surface);
    return ok;
}

} // namespace

bool writeBackground(const PanelFonts& fonts, int scale, const std::string& path) {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = createScaled(scale, &surface);
    drawFace(cr);
    drawHeader(cr, fonts);
    for (const Section& s : kSections)
        drawSection(cr, fonts, s);
    for (const layout::ViewItem& v : layout::kViews)
        if (v.kind == layout::ViewKind::LFOView || v.kind == layout::ViewKind::EnvView)
            drawScreen(cr, v);
    drawSwitchLegends(cr, fonts);
    drawScrew(cr, 6, kH - 6);
    drawScrew(cr, kW - 6, kH - 6);
    return finish(cr, surface, path);
}

bool writeAbout(const PanelFonts& fonts, int scale, const std::string& path) {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = createScaled(scale, &surface);
    cairo_pattern_t* bg =
        cairo_pattern_create_radial(kW * 0.5, kH * 0.45, 20, kW * 0.5, kH * 0.45, kW * 0.6);
    cairo_pattern_add_color_stop_rgb(bg, 0, 0.125, 0.133, 0.149);
    cairo_pattern_add_color_stop_rgb(bg, 1, 0.043, 0.047, 0.055);
    cairo_set_source(cr, bg);
    cairo_paint(cr);
    cairo_pattern_destroy(bg);

    // A large knob arc behind the name, the product's emblem.
    const double cx = kW / 2.0, cy = 108;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 6);
    setColor(cr, palette::kTrack);
    cairo_arc(cr, cx, cy, 80, 0.75 * kPi, 2.25 * kPi);
    cairo_stroke(cr);
    setColor(cr, palette::kAccent);
    cairo_arc(cr, cx, cy, 80, 0.75 * kPi, 1.85 * kPi);
    cairo_stroke(cr);

    useFont(cr, fonts.bold, 54);
    setColor(cr, palette::kLegend);
    drawText(cr, "Corvane", cx, cy + 18, Align::Centre);
    useFont(cr, fonts.bold, 10);
    setColor(cr, palette::kAccent);
    drawText(cr, "REVERB  FILTER  MODULATOR", cx, 190, Align::Centre, 2.0);

    useFont(cr, fonts.regular, 12);
    setColor(cr, palette::kLegend);
    drawText(cr, "Version 1.0.1", cx, 224, Align::Centre);
    useFont(cr, fonts.bold, 12);
    drawText(cr, "Tessel Works", cx, 243, Align::Centre);
    useFont(cr, fonts.regular, 9);
    setColor(cr, palette::kLegendDim);
    drawText(cr, "VST 2.4 effect for Linux", cx, 262, Align::Centre);
    drawText(cr, "Click anywhere to return", cx, 292, Align::Centre);

    setColor(cr, palette::kAccent, 0.9);
    cairo_rectangle(cr, 0, 0, kW, 2);
    cairo_rectangle(cr, 0, kH - 2, kW, 2);
    cairo_fill(cr);
    return finish(cr, surface, path);
}

} // namespace corvane::artwork
