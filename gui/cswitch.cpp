#include "gui/cswitch.h"

#include "gui/cbitmap.h"

namespace VSTGUI {

// The frame count is implied by the positions; the parameter keeps the toolkit's usual signature.
CSwitchBase::CSwitchBase(const CRect& rect, CControlListener* l, int32_t t, int32_t /*pixmaps*/,
                         CCoord imageHeight, int32_t maxPositions, CBitmap* background,
                         const CPoint& off, bool isVertical)
    : CControl(rect, l, t, background), heightOfOneImage(imageHeight),
      // A switch needs two positions at least; fewer would divide by zero.
      positions(maxPositions < 2 ? 2 : maxPositions), offset(off), vertical(isVertical) {}

int32_t CSwitchBase::getPosition() const {
    const float norm = (value - vmin) / (vmax - vmin);
    return int32_t(norm * (positions - 1) + 0.5f);
}

void CSwitchBase::draw(CDrawContext* context) {
    if (pBackground != nullptr) {
        const CPoint where(offset.x, offset.y + heightOfOneImage * getPosition());
        pBackground->draw(context, size, where);
    }
    setDirty(false);
}

CMouseEventResult CSwitchBase::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    beginEdit();
    if (checkDefaultValue(buttons)) {
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    onMouseMoved(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CSwitchBase::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton() || !isEditing()) return kMouseEventNotHandled;
    const CCoord band = (vertical ? size.height() : size.width()) / positions;
    const CCoord along = vertical ? where.y - size.top : where.x - size.left;
    int32_t p = band > 0 ? int32_t(along / band) : 0;
    if (p < 0) p = 0;
    if (p > positions - 1) p = positions - 1;
    const float before = value;
    setValue(vmin + (vmax - vmin) * float(p) / float(positions - 1));
    if (value != before) valueChanged();
    return kMouseEventHandled;
}

CMouseEventResult CSwitchBase::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/) {
    endEdit();
    return kMouseEventHandled;
}

} // namespace VSTGUI
