#include "editor/chelpbubble.h"

#include "gui/cdrawcontext.h"

#include <algorithm>

using namespace VSTGUI;

namespace {

// The text's width before any window draws it, measured on a scratch surface.
CCoord measure(const std::string& text) {
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    CCoord width = 0;
    {
        CDrawContext context(cr, CRect(0, 0, 1, 1));
        width = context.getStringWidth(text.c_str(), CHelpBubble::kFontSize);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    return width;
}

} // namespace

CHelpBubble::CHelpBubble(const CRect& w) : CView(CRect(0, 0, 0, 0)), window(w) {
    setMouseEnabled(false);
    setTransparency(true);
}

void CHelpBubble::show(const std::string& t, const CPoint& anchor) {
    if (t == text && (t.empty() || size.top == anchor.y)) return;
    text = t;
    if (text.empty()) {
        setViewSize(CRect(size.left, size.top, size.left, size.top));
        return;
    }
    const CCoord width = std::min(window.width(), measure(text) + 10);
    CCoord left = std::clamp(anchor.x - width / 2, window.left, window.right - width);
    CCoord top = std::clamp(anchor.y, window.top, window.bottom - kHeight);
    setViewSize(CRect(left, top, left + width, top + kHeight));
    setDirty(true);
}

void CHelpBubble::draw(CDrawContext* context) {
    if (!text.empty()) {
        context->setFillColor(CColor{250, 240, 200, 240});
        context->setFrameColor(CColor{60, 50, 30, 255});
        context->drawRect(size, kDrawFilledAndStroked);
        context->setFrameColor(CColor{20, 20, 20, 255});
        context->drawString(text.c_str(),
                            CPoint(size.left + 5, size.top + (kHeight + kFontSize * 0.7) * 0.5),
                            kFontSize);
    }
    setDirty(false);
}
