#pragma once

// Helpers for the offscreen tests of the toolkit and the editor: pictures made in memory and
// registered as resources, pixel reads, an editor interface that records gestures, and synthetic
// mouse input.

#include "gui/vstgui.h"
#include "resources/corvane_resources.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace corvane::test {

// Encodes a PNG of the given size; paint draws frame-stacked content on the surface.
inline std::vector<unsigned char> makePng(int w, int h,
                                          const std::function<void(cairo_t*)>& paint) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    paint(cr);
    cairo_destroy(cr);
    std::vector<unsigned char> bytes;
    cairo_surface_write_to_png_stream(
        s,
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* out = static_cast<std::vector<unsigned char>*>(closure);
            out->insert(out->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &bytes);
    cairo_surface_destroy(s);
    return bytes;
}

// A filmstrip whose frame i is filled with grey level i (frame 0 black), opaque.
inline std::vector<unsigned char> makeStrip(int w, int frameHeight, int frames) {
    return makePng(w, frameHeight * frames, [&](cairo_t* cr) {
        for (int i = 0; i < frames; ++i) {
            cairo_set_source_rgb(cr, i / 255.0, i / 255.0, i / 255.0);
            cairo_rectangle(cr, 0, i * frameHeight, w, frameHeight);
            cairo_fill(cr);
        }
    });
}

struct Pixel {
    int r, g, b, a;
};

// Un-premultiplied read of one pixel of an ARGB32 image.
inline Pixel pixelAt(cairo_surface_t* image, int x, int y) {
    cairo_surface_flush(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    uint32_t v = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
    Pixel p{int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF), int(v >> 24)};
    if (p.a > 0 && p.a < 255) {
        p.r = p.r * 255 / p.a;
        p.g = p.g * 255 / p.a;
        p.b = p.b * 255 / p.a;
    }
    return p;
}

// Bounding box of the pixels that differ from the colour at (0, 0) inside an area.
inline VSTGUI::CRect inkBox(cairo_surface_t* image, const VSTGUI::CRect& area, int background) {
    int l = 1 << 30, t = 1 << 30, r = -1, b = -1;
    for (int y = int(area.top); y < int(area.bottom); ++y)
        for (int x = int(area.left); x < int(area.right); ++x) {
            const Pixel p = pixelAt(image, x, y);
            if (p.r == background && p.g == background && p.b == background) continue;
            if (x < l) l = x;
            if (y < t) t = y;
            if (x > r) r = x;
            if (y > b) b = y;
        }
    if (r < 0) return VSTGUI::CRect();
    return VSTGUI::CRect(l, t, r + 1, b + 1);
}

// Records the gestures the frame passes to its editor.
class RecordingEditor : public VSTGUI::VSTGUIEditorInterface {
public:
    explicit RecordingEditor(int32_t mode = VSTGUI::kLinearMode) : knobMode(mode) {}
    int32_t getKnobMode() const override { return knobMode; }
    void beginEdit(int32_t index) override { events.push_back("begin " + std::to_string(index)); }
    void endEdit(int32_t index) override { events.push_back("end " + std::to_string(index)); }

    int32_t knobMode;
    std::vector<std::string> events;
};

// Counts the listener calls of controls.
class RecordingListener : public VSTGUI::CControlListener {
public:
    void valueChanged(VSTGUI::CControl* control) override { values.push_back(control->getValue()); }
    void controlBeginEdit(VSTGUI::CControl*) override { ++begins; }
    void controlEndEdit(VSTGUI::CControl*) override { ++ends; }

    std::vector<float> values;
    int begins = 0;
    int ends = 0;
};

// Synthetic mouse input through the frame, as the window delivers it.
struct Mouse {
    VSTGUI::CFrame& frame;

    void move(double x, double y, int32_t buttons = 0) {
        VSTGUI::CPoint p(x, y);
        frame.onMouseMoved(p, buttons);
    }
    void down(double x, double y, int32_t buttons = VSTGUI::kLButton) {
        VSTGUI::CPoint p(x, y);
        frame.onMouseDown(p, buttons);
    }
    void up(double x, double y, int32_t buttons = 0) {
        VSTGUI::CPoint p(x, y);
        frame.onMouseUp(p, buttons);
    }
    void wheel(double x, double y, float distance, int32_t buttons = 0) {
        frame.onWheel(VSTGUI::CPoint(x, y), distance, buttons);
    }
    void drag(double x0, double y0, double x1, double y1, int32_t modifiers = 0) {
        move(x0, y0);
        down(x0, y0, VSTGUI::kLButton | modifiers);
        move(x1, y1, VSTGUI::kLButton | modifiers);
        up(x1, y1, modifiers);
    }
};

} // namespace corvane::test
