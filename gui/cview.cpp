#include "gui/cview.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"
#include "gui/cframe.h"

namespace VSTGUI {

CView::CView(const CRect& rect) : size(rect) {}

CView::CView(const CView& other)
    : CBaseObject(other), size(other.size), transparent(other.transparent),
      mouseEnabled(other.mouseEnabled) {
    setBackground(other.pBackground);
}

CView::~CView() {
    if (pBackground != nullptr) pBackground->forget();
}

void CView::draw(CDrawContext* context) {
    if (pBackground != nullptr) pBackground->draw(context, size);
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect& /*updateRect*/) {
    draw(context);
}

CMouseEventResult CView::onMouseDown(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}
CMouseEventResult CView::onMouseUp(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}
CMouseEventResult CView::onMouseMoved(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}
CMouseEventResult CView::onMouseEntered(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}
CMouseEventResult CView::onMouseExited(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}
bool CView::onWheel(const CPoint&, const float&, const CButtonState&) {
    return false;
}

bool CView::hitTest(const CPoint& where, const CButtonState&) {
    return size.pointInside(where);
}

void CView::setViewSize(const CRect& rect, bool invalidate) {
    if (rect == size) return;
    if (invalidate && pParentFrame != nullptr) pParentFrame->invalidRect(size);
    size = rect;
    if (invalidate) setDirty(true);
}

void CView::setBackground(CBitmap* background) {
    if (background == pBackground) return;
    if (background != nullptr) background->remember();
    if (pBackground != nullptr) pBackground->forget();
    pBackground = background;
    setDirty(true);
}

bool CView::attached(CFrame* frame) {
    pParentFrame = frame;
    setDirty(true);
    return true;
}

bool CView::removed(CFrame* /*frame*/) {
    pParentFrame = nullptr;
    return true;
}

} // namespace VSTGUI
