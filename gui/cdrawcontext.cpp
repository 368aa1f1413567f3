#include "gui/cdrawcontext.h"

#include "gui/cbitmap.h"

#include <cmath>

namespace VSTGUI {

CDrawContext::CDrawContext(cairo_t* context, const CRect& surface, double surfaceScale)
    : cr(cairo_reference(context)), surfaceRect(surface),
      scale(std::isfinite(surfaceScale) && surfaceScale > 0 ? surfaceScale : 1) {
    state.clip = surfaceRect;
    cairo_save(cr);
    if (scale != 1) cairo_scale(cr, scale, scale);
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
    // In frame pixels, so that at any scale the line covers the frame pixels it covers at 1x.
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
    if (scale != 1) {
        drawScaledBitmap(bitmap, dest, offset, std::fmin(1.0, double(alpha) * state.globalAlpha));
        return;
    }
    cairo_save(cr);
    cairo_rectangle(cr, dest.left, dest.top, dest.width(), dest.height());
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface, dest.left - offset.x, dest.top - offset.y);
    cairo_paint_with_alpha(cr, std::fmin(1.0, double(alpha) * state.globalAlpha));
    cairo_restore(cr);
}

void CDrawContext::drawScaledBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset,
                                    double alpha) {
    double factor = 1;
    cairo_surface_t* surface = bitmap->getSurfaceForScale(scale, factor);
    // The part of the picture that lands in dest, in editor pixels of the picture, and where.
    CRect source(offset.x, offset.y, offset.x + dest.width(), offset.y + dest.height());
    source.bound(CRect(0, 0, bitmap->getWidth(), bitmap->getHeight()));
    if (source.isEmpty()) return;
    CRect target(source);
    target.offset(dest.left - offset.x, dest.top - offset.y);

    cairo_save(cr);
    cairo_rectangle(cr, target.left, target.top, target.width(), target.height());
    cairo_clip(cr);
    if (factor != scale && factor == 2) {
        // Between 1x and 2x: a part reduced once with the best filter, drawn pixel for pixel.
        double x = target.left, y = target.top;
        cairo_user_to_device(cr, &x, &y);
        const CPoint whole(std::floor(x), std::floor(y));
        cairo_surface_t* part =
            bitmap->getReducedPart(scale, source, CPoint(x - whole.x, y - whole.y));
        cairo_identity_matrix(cr);
        cairo_set_source_surface(cr, part, whole.x, whole.y);
    } else {
        // The picture at its own scale (or the 1x one, enlarged, when there is no 2x picture).
        cairo_surface_t* area =
            cairo_surface_create_for_rectangle(surface, source.left * factor, source.top * factor,
                                               source.width() * factor, source.height() * factor);
        cairo_translate(cr, target.left, target.top);
        cairo_scale(cr, 1 / factor, 1 / factor);
        cairo_set_source_surface(cr, area, 0, 0);
        // Enlarged, the edges repeat their own pixels; at its own scale the picture is copied as
        // it is, the way a 1x picture is drawn at 1x.
        if (factor != scale) cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_surface_destroy(area);
    }
    cairo_paint_with_alpha(cr, alpha);
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
