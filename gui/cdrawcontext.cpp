#include "gui/cdrawcontext.h"

#include "gui/cbitmap.h"

#include <cmath>

namespace VSTGUI {

CDrawContext::CDrawContext(cairo_t* context, const CRect& surface)
    : cr(cairo_reference(context)), surfaceRect(surface) {
    state.clip = surfaceRect;
    cairo_save(cr);
}

CDrawContext::~CDrawContext() {
    while (!stack.empty())
        restoreGlobalState();
    cairo_restore(cr);
    cairo_destroy(cr);
}

void CDrawContext::setSource(const CColor& c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0,
                          c.alpha / 255.0 * state.globalAlpha);
}

void CDrawContext::prepareStroke() {
    setSource(state.frameColor);
    cairo_set_line_width(cr, state.lineWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_antialias(cr, state.drawMode == kAntiAliasing ? CAIRO_ANTIALIAS_DEFAULT
                                                            : CAIRO_ANTIALIAS_NONE);
}

CCoord CDrawContext::strokeOffset() const {
    if (state.drawMode == kAntiAliasing) return 0;
    const long w = std::lround(state.lineWidth);
    return (w % 2 == 1) ? 0.5 : 0.0;
}

void CDrawContext::moveTo(const CPoint& point) {
    pen = point;
}

void CDrawContext::lineTo(const CPoint& point) {
    drawLine(pen, point);
    pen = point;
}

void CDrawContext::drawLine(const CPoint& start, const CPoint& end) {
    if (!std::isfinite(start.x) || !std::isfinite(start.y) || !std::isfinite(end.x) ||
        !std::isfinite(end.y))
        return;
    prepareStroke();
    const CCoord o = strokeOffset();
    cairo_move_to(cr, start.x + o, start.y + o);
    cairo_line_to(cr, end.x + o, end.y + o);
    cairo_stroke(cr);
}

namespace {
void selectFont(cairo_t* cr, CCoord fontSize) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, fontSize);
}
} // namespace

void CDrawContext::drawString(const char* text, const CPoint& origin, CCoord fontSize) {
    if (text == nullptr || text[0] == '\0') return;
    selectFont(cr, fontSize);
    setSource(state.frameColor);
    cairo_move_to(cr, origin.x, origin.y);
    cairo_show_text(cr, text);
    cairo_new_path(cr);
}

CCoord CDrawContext::getStringWidth(const char* text, CCoord fontSize) {
    if (text == nullptr || text[0] == '\0') return 0;
    selectFont(cr, fontSize);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    return extents.x_advance;
}

void CDrawContext::drawRect(const CRect& rect, CDrawStyle style) {
    if (style != kDrawStroked) {
        setSource(state.fillColor);
        cairo_set_antialias(cr, state.drawMode == kAntiAliasing ? CAIRO_ANTIALIAS_DEFAULT
                                                                : CAIRO_ANTIALIAS_NONE);
        cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
        cairo_fill(cr);
    }
    if (style != kDrawFilled) {
        prepareStroke();
        const CCoord o = strokeOffset();
        cairo_rectangle(cr, rect.left + o, rect.top + o, rect.width() - 2 * o,
                        rect.height() - 2 * o);
        cairo_stroke(cr);
    }
}

void CDrawContext::drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset,
                              float alpha) {
    cairo_surface_t* surface = bitmap != nullptr ? bitmap->getSurface() : nullptr;
    if (surface == nullptr || dest.isEmpty() || !(alpha > 0.f)) return;
    cairo_save(cr);
    cairo_rectangle(cr, dest.left, dest.top, dest.width(), dest.height());
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface, dest.left - offset.x, dest.top - offset.y);
    cairo_paint_with_alpha(cr, std::fmin(1.0, double(alpha) * state.globalAlpha));
    cairo_restore(cr);
}

void CDrawContext::setLineWidth(CCoord width) {
    if (std::isfinite(width) && width > 0) state.lineWidth = width;
}

void CDrawContext::setGlobalAlpha(float alpha) {
    if (alpha >= 0.f && alpha <= 1.f) state.globalAlpha = alpha;
}

void CDrawContext::setClipRect(const CRect& clip) {
    state.clip = clip;
    cairo_reset_clip(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.width(), clip.height());
    cairo_clip(cr);
}

void CDrawContext::saveGlobalState() {
    stack.push_back(state);
    cairo_save(cr);
}

void CDrawContext::restoreGlobalState() {
    if (stack.empty()) return;
    state = stack.back();
    stack.pop_back();
    cairo_restore(cr);
}

} // namespace VSTGUI
