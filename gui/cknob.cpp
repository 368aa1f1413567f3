#include "gui/cknob.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"
#include "gui/cframe.h"

#include <cmath>

namespace VSTGUI {

namespace {
constexpr float kKnobRange = 200.f;
constexpr double kPi = 3.14159265358979323846;
// The pointer sweeps 270 degrees clockwise from lower left (screen angles, y down).
constexpr double kStartAngle = 0.75 * kPi;
constexpr double kRangeAngle = 1.5 * kPi;
} // namespace

CKnob::CKnob(const CRect& rect, CControlListener* l, int32_t t, CBitmap* background,
             CBitmap* handle, const CPoint& off)
    : CControl(rect, l, t, background), offset(off) {
    setHandle(handle);
}

CKnob::CKnob(const CKnob& other)
    : CControl(other), offset(other.offset), zoomFactor(other.zoomFactor), wheelInc(other.wheelInc),
      colorHandle(other.colorHandle) {
    setHandle(other.pHandle);
}

CKnob::~CKnob() {
    if (pHandle != nullptr) pHandle->forget();
}

void CKnob::setHandle(CBitmap* handle) {
    if (handle != nullptr) handle->remember();
    if (pHandle != nullptr) pHandle->forget();
    pHandle = handle;
}

void CKnob::draw(CDrawContext* context) {
    if (pBackground != nullptr) pBackground->draw(context, size, offset);
    const double angle = kStartAngle + kRangeAngle * (value - vmin) / (vmax - vmin);
    const CPoint centre((size.left + size.right) * 0.5, (size.top + size.bottom) * 0.5);
    const double radius = std::fmin(size.width(), size.height()) * 0.5 - 2;
    const CPoint tip(centre.x + std::cos(angle) * radius, centre.y + std::sin(angle) * radius);
    if (pHandle != nullptr) {
        const CCoord hw = pHandle->getWidth() * 0.5, hh = pHandle->getHeight() * 0.5;
        pHandle->draw(context, CRect(tip.x - hw, tip.y - hh, tip.x + hw, tip.y + hh));
    } else {
        context->setFrameColor(colorHandle);
        context->drawLine(centre, tip);
    }
    setDirty(false);
}

float CKnob::valueFromPoint(const CPoint& where) const {
    const double dx = where.x - size.width() * 0.5;
    const double dy = where.y - size.height() * 0.5;
    double a = std::atan2(dy, dx) - kStartAngle;
    while (a < 0)
        a += 2 * kPi;
    // In the gap below the centre the nearer end of the range wins.
    if (a > kRangeAngle) a = (a - kRangeAngle < (2 * kPi - kRangeAngle) * 0.5) ? kRangeAngle : 0;
    return vmin + float(a / kRangeAngle) * (vmax - vmin);
}

CMouseEventResult CKnob::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    beginEdit();
    if (checkDefaultValue(buttons)) {
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    firstPoint = where;
    lastPoint = where;
    oldButton = buttons;
    entryValue = value;

    const int32_t frameMode = pParentFrame != nullptr ? pParentFrame->getKnobMode() : kCircularMode;
    dragMode = kCircularMode;
    if (frameMode == kLinearMode) {
        if (!(buttons & kAlt)) dragMode = kLinearMode;
    } else if (buttons & kAlt) {
        dragMode = kLinearMode;
    } else {
        dragMode = frameMode == kRelativCircularMode ? kRelativCircularMode : kCircularMode;
    }

    range = kKnobRange;
    if (dragMode == kLinearMode && (buttons & kZoomModifier)) range *= zoomFactor;
    coef = (vmax - vmin) / range;
    if (dragMode == kCircularMode) {
        // An absolute knob jumps to the clicked angle at once.
        CPoint local(where.x - size.left, where.y - size.top);
        const float before = value;
        setValue(valueFromPoint(local));
        if (value != before) valueChanged();
    } else if (dragMode == kRelativCircularMode) {
        entryValue = valueFromPoint(CPoint(where.x - size.left, where.y - size.top));
    }
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/) {
    endEdit();
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton() || !isEditing()) return kMouseEventNotHandled;
    if (dragMode == kLinearMode && buttons != oldButton) {
        // Shift changed: the value reached so far stays, and the rate changes from here on.
        const CCoord done = (firstPoint.y - lastPoint.y) + (lastPoint.x - firstPoint.x);
        range = kKnobRange;
        if (buttons & kZoomModifier) range *= zoomFactor;
        const float coef2 = (vmax - vmin) / range;
        entryValue += float(done * (coef - coef2));
        coef = coef2;
        oldButton = buttons;
    }
    if (where == lastPoint) return kMouseEventHandled;
    lastPoint = where;
    const float before = value;
    const CPoint local(where.x - size.left, where.y - size.top);
    if (dragMode == kLinearMode) {
        const CCoord diff = (firstPoint.y - where.y) + (where.x - firstPoint.x);
        setValue(float(entryValue + diff * coef));
    } else if (dragMode == kRelativCircularMode) {
        const float now = valueFromPoint(local);
        float delta = now - entryValue;
        // A jump across the gap at the bottom is not a turn.
        if (std::fabs(delta) > (vmax - vmin) * 0.5f) delta = 0.f;
        entryValue = now;
        setValue(value + delta);
    } else {
        setValue(valueFromPoint(local));
    }
    if (value != before) valueChanged();
    return kMouseEventHandled;
}

bool CKnob::onWheel(const CPoint& /*where*/, const float& distance, const CButtonState& buttons) {
    if (!getMouseEnabled() || !std::isfinite(distance)) return false;
    const float before = value;
    if (buttons & kZoomModifier)
        setValue(value + 0.1f * distance * wheelInc);
    else
        setValue(value + distance * wheelInc);
    if (value != before) {
        beginEdit();
        valueChanged();
        endEdit();
    }
    return true;
}

CAnimKnob::CAnimKnob(const CRect& rect, CControlListener* l, int32_t t, int32_t pixmaps,
                     CCoord imageHeight, CBitmap* background, const CPoint& off)
    : CKnob(rect, l, t, nullptr, nullptr, off), subPixmaps(pixmaps), heightOfOneImage(imageHeight) {
    setBackground(background);
}

void CAnimKnob::setBackground(CBitmap* background) {
    CKnob::setBackground(background);
    if (heightOfOneImage <= 0) heightOfOneImage = size.height();
    if (background != nullptr && background->isLoaded() && heightOfOneImage > 0)
        subPixmaps = int32_t(background->getHeight() / heightOfOneImage);
}

int32_t CAnimKnob::getFrameIndex() const {
    if (heightOfOneImage <= 0 || subPixmaps < 1) return 0;
    const float norm = (value - vmin) / (vmax - vmin);
    const CCoord span = heightOfOneImage * (subPixmaps - 1);
    const CCoord y = std::floor((bInverseBitmap ? 1.f - norm : norm) * span);
    return int32_t(y / heightOfOneImage);
}

void CAnimKnob::draw(CDrawContext* context) {
    if (pBackground != nullptr) {
        const CPoint where(offset.x, offset.y + getFrameIndex() * heightOfOneImage);
        pBackground->draw(context, size, where);
    }
    setDirty(false);
}

} // namespace VSTGUI
