#include "gui/cframe.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"
#include "gui/cknob.h"
#include "gui/cvstguitimer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace VSTGUI {

CFrame::CFrame(const CRect& rect, void* parent, VSTGUIEditorInterface* ed)
    : CView(rect), systemWindow(parent), editor(ed) {
    const int w = scaledExtent(rect.width(), scale), h = scaledExtent(rect.height(), scale);
    image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    pParentFrame = this;
    if (parent != nullptr)
        window = x11::FrameWindow::create(reinterpret_cast<std::uintptr_t>(parent), w, h);
}

CFrame::~CFrame() {
    cancelMouseDown();
    removeAll(true);
    delete window;
    cairo_surface_destroy(image);
    // The frame is its own parent frame; the base must not treat that as an attachment.
    pParentFrame = nullptr;
}

bool CFrame::addView(CView* view) {
    if (view == nullptr || isChild(view) || view == this) return false;
    views.push_back(view);
    view->attached(this);
    return true;
}

bool CFrame::removeView(CView* view, bool withForget) {
    auto it = std::find(views.begin(), views.end(), view);
    if (it == views.end()) return false;
    if (view == mouseDownView) cancelMouseDown();
    invalidRect(view->getViewSize());
    views.erase(it);
    forgetPointers(view);
    view->removed(this);
    if (withForget) view->forget();
    return true;
}

void CFrame::removeAll(bool withForget) {
    while (!views.empty())
        removeView(views.back(), withForget);
}

CView* CFrame::getView(int32_t index) const {
    if (index < 0 || index >= getNbViews()) return nullptr;
    return views[static_cast<size_t>(index)];
}

bool CFrame::isChild(const CView* view) const {
    return std::find(views.begin(), views.end(), view) != views.end();
}

void CFrame::forgetPointers(const CView* view) {
    if (modalView == view) modalView = nullptr;
    if (mouseDownView == view) mouseDownView = nullptr;
    if (hoverView == view) hoverView = nullptr;
    if (focusView == view) focusView = nullptr;
}

double CFrame::clampScale(double s) {
    if (std::isnan(s)) return 1;
    return std::clamp(s, kMinScale, kMaxScale);
}

int CFrame::scaledExtent(CCoord length, double s) {
    if (!(length > 0)) return 0;
    // The small allowance keeps 730 x 1.1 from becoming 804 through rounding error.
    return static_cast<int>(std::ceil(length * clampScale(s) - 1e-9));
}

void CFrame::setScale(double s) {
    s = clampScale(s);
    if (s == scale) return;
    scale = s;
    const int w = scaledExtent(size.width(), scale), h = scaledExtent(size.height(), scale);
    cairo_surface_destroy(image);
    image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (window != nullptr) window->resize(w, h);
    exposedAreas.clear();
    setDirty(true);
}

CRect CFrame::toScreen(const CRect& area) const {
    return CRect(std::floor(area.left * scale), std::floor(area.top * scale),
                 std::ceil(area.right * scale), std::ceil(area.bottom * scale));
}

CRect CFrame::toWholePixels(const CRect& area) const {
    if (scale == 1) return area;
    const CRect screen = toScreen(area);
    return CRect(screen.left / scale, screen.top / scale, screen.right / scale,
                 screen.bottom / scale);
}

CPoint CFrame::fromScreen(const CPoint& where) const {
    return scale == 1 ? where : CPoint(where.x / scale, where.y / scale);
}

void CFrame::setBackgroundColor(const CColor& color) {
    if (color == backgroundColor) return;
    backgroundColor = color;
    setDirty(true);
}

int32_t CFrame::getKnobMode() const {
    const int32_t mode = editor != nullptr ? editor->getKnobMode() : -1;
    return mode < 0 ? kCircularMode : mode;
}

void CFrame::beginEdit(int32_t index) {
    if (editor != nullptr) editor->beginEdit(index);
}

void CFrame::endEdit(int32_t index) {
    if (editor != nullptr) editor->endEdit(index);
}

bool CFrame::setModalView(CView* view) {
    if (view != nullptr && modalView != nullptr) return false;
    if (view != nullptr && hoverView != nullptr && hoverView != view) {
        CPoint p;
        hoverView->onMouseExited(p, CButtonState());
        hoverView = nullptr;
    }
    modalView = view;
    return true;
}

void CFrame::invalidRect(const CRect& rect) {
    CRect r(rect);
    r.bound(size);
    if (!r.isEmpty()) invalidAreas.push_back(r);
}

CView* CFrame::getViewAt(const CPoint& where, const CButtonState& buttons) const {
    if (modalView != nullptr)
        return modalView->getMouseEnabled() && modalView->hitTest(where, buttons) ? modalView
                                                                                  : nullptr;
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if ((*it)->getMouseEnabled() && (*it)->hitTest(where, buttons)) return *it;
    return nullptr;
}

void CFrame::checkMouseViews(const CPoint& where, const CButtonState& buttons) {
    if (mouseDownView != nullptr) return;
    CView* now = size.pointInside(where) ? getViewAt(where, buttons) : nullptr;
    if (now == hoverView) return;
    CPoint p(where);
    if (hoverView != nullptr) hoverView->onMouseExited(p, buttons);
    hoverView = now;
    if (hoverView != nullptr) hoverView->onMouseEntered(p, buttons);
}

CMouseEventResult CFrame::onMouseDown(CPoint& where, const CButtonState& buttons) {
    // A second button during a drag belongs to the drag.
    if (mouseDownView != nullptr) return kMouseEventHandled;
    checkMouseViews(where, buttons);
    for (auto i = views.size(); i-- > 0;) {
        CView* v = views[i];
        if (modalView != nullptr && v != modalView) continue;
        if (!v->getMouseEnabled() || !v->hitTest(where, buttons)) continue;
        CPoint p(where);
        const CMouseEventResult result = v->onMouseDown(p, buttons);
        if (result == kMouseEventNotHandled || result == kMouseEventNotImplemented) continue;
        // The view may have been removed while it handled the click.
        if (result == kMouseEventHandled && isChild(v)) mouseDownView = v;
        return result;
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CFrame::onMouseUp(CPoint& where, const CButtonState& buttons) {
    CMouseEventResult result = kMouseEventNotHandled;
    if (mouseDownView != nullptr) {
        CView* v = mouseDownView;
        mouseDownView = nullptr;
        CPoint p(where);
        result = v->onMouseUp(p, buttons);
    }
    checkMouseViews(where, buttons);
    return result;
}

CMouseEventResult CFrame::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (mouseDownView != nullptr) {
        // The button went up where we did not see it (outside the window): end the drag here.
        if (buttons.getButtonState() == 0) return onMouseUp(where, buttons);
        CPoint p(where);
        const CMouseEventResult result = mouseDownView->onMouseMoved(p, buttons);
        if (result == kMouseMoveEventHandledButDontNeedMoreEvents) cancelMouseDown();
        return result;
    }
    checkMouseViews(where, buttons);
    if (hoverView == nullptr) return kMouseEventNotHandled;
    CPoint p(where);
    return hoverView->onMouseMoved(p, buttons);
}

CMouseEventResult CFrame::onMouseExited(CPoint& where, const CButtonState& buttons) {
    if (mouseDownView != nullptr) return kMouseEventHandled;
    if (hoverView != nullptr) {
        CView* v = hoverView;
        hoverView = nullptr;
        CPoint p(where);
        v->onMouseExited(p, buttons);
    }
    return kMouseEventHandled;
}

bool CFrame::onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) {
    if (mouseDownView != nullptr) return false;
    for (auto i = views.size(); i-- > 0;) {
        CView* v = views[i];
        if (modalView != nullptr && v != modalView) continue;
        if (v->getMouseEnabled() && v->hitTest(where, buttons) &&
            v->onWheel(where, distance, buttons))
            return true;
    }
    return false;
}

bool CFrame::onKeyDown(CKeyCode& key) {
    CView* target = focusView != nullptr ? focusView : hoverView;
    if (modalView != nullptr && target != modalView) return false;
    // The view or the editor may close the window or remove the view while handling the key.
    remember();
    bool used = false;
    if (target != nullptr) {
        target->remember();
        used = target->onKeyDown(key);
        target->forget();
    }
    if (!used && editor != nullptr) used = editor->onKeyDown(key);
    forget();
    return used;
}

void CFrame::cancelMouseDown() {
    if (mouseDownView == nullptr) return;
    CView* v = mouseDownView;
    mouseDownView = nullptr;
    CPoint p;
    v->onMouseUp(p, CButtonState());
}

void CFrame::draw(CDrawContext* context) {
    drawRect(context, size);
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect) {
    CRect area(updateRect);
    // At 1.25x and 1.75x the image's last column and row are only partly inside the frame: they
    // are filled too.
    area.bound(toWholePixels(size));
    if (area.isEmpty()) return;
    context->saveGlobalState();
    context->setClipRect(area);
    context->setFillColor(backgroundColor);
    context->drawRect(area, kDrawFilled);
    if (pBackground != nullptr) pBackground->draw(context, size);
    for (CView* v : views) {
        CRect clip(v->getViewSize());
        clip.bound(area);
        if (clip.isEmpty()) continue;
        context->saveGlobalState();
        context->setClipRect(clip);
        v->drawRect(context, area);
        context->restoreGlobalState();
        // Covered by this pass whether or not the view clears its own mark.
        if (clip == v->getViewSize()) v->setDirty(false);
    }
    context->restoreGlobalState();
}

bool CFrame::render() {
    std::vector<CRect> areas;
    areas.swap(invalidAreas);
    if (CView::isDirty()) {
        areas.assign(1, size);
        CView::setDirty(false);
    } else {
        for (CView* v : views) {
            if (!v->isDirty()) continue;
            CRect r(v->getViewSize());
            r.bound(size);
            if (!r.isEmpty()) areas.push_back(r);
        }
    }
    if (areas.empty()) return false;
    // Between whole-pixel scales an area's edges would fall inside screen pixels, which the
    // redraw would then only partly cover: widen each area to whole screen pixels first.
    for (CRect& r : areas)
        r = toWholePixels(r);
    {
        cairo_t* cr = cairo_create(image);
        CDrawContext context(cr, size, scale);
        cairo_destroy(cr);
        for (const CRect& r : areas)
            drawRect(&context, r);
    }
    cairo_surface_flush(image);
    if (window != nullptr)
        for (const CRect& r : areas)
            window->present(image, toScreen(r));
    return true;
}

bool CFrame::writePNG(const char* path) {
    if (path == nullptr) return false;
    setDirty(true);
    render();
    return cairo_surface_write_to_png(image, path) == CAIRO_STATUS_SUCCESS;
}

void CFrame::idle() {
    if (inIdle) return;
    inIdle = true;
    // A handler may release the frame (closing the editor); keep it until idle is done.
    remember();
    if (window != nullptr) window->dispatchEvents(*this);
    CVSTGUITimer::fireDueTimers();
    render();
    if (window != nullptr) {
        for (const CRect& r : exposedAreas)
            window->present(image, r);
        exposedAreas.clear();
    }
    inIdle = false;
    forget();
}

void CFrame::windowMouseDown(const CPoint& where, const CButtonState& buttons) {
    CPoint p = fromScreen(where);
    onMouseDown(p, buttons);
}
void CFrame::windowMouseUp(const CPoint& where, const CButtonState& buttons) {
    CPoint p = fromScreen(where);
    onMouseUp(p, buttons);
}
void CFrame::windowMouseMoved(const CPoint& where, const CButtonState& buttons) {
    CPoint p = fromScreen(where);
    onMouseMoved(p, buttons);
}
void CFrame::windowMouseExited(const CPoint& where, const CButtonState& buttons) {
    CPoint p = fromScreen(where);
    onMouseExited(p, buttons);
}
void CFrame::windowWheel(const CPoint& where, float distance, const CButtonState& buttons) {
    onWheel(fromScreen(where), distance, buttons);
}
bool CFrame::windowKeyDown(CKeyCode& key) {
    return onKeyDown(key);
}
void CFrame::windowExposed(const CRect& area) {
    exposedAreas.push_back(area);
}

} // namespace VSTGUI
