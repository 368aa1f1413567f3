#include "gui/cmoviebutton.h"

#include "gui/cbitmap.h"

namespace VSTGUI {

CMovieButton::CMovieButton(const CRect& rect, CControlListener* l, int32_t t, CCoord imageHeight,
                           CBitmap* background, const CPoint& off)
    : CControl(rect, l, t, background), heightOfOneImage(imageHeight), offset(off) {}

void CMovieButton::draw(CDrawContext* context) {
    if (pBackground != nullptr)
        pBackground->draw(context, size,
                          CPoint(offset.x, offset.y + (isOn() ? heightOfOneImage : 0)));
    setDirty(false);
}

CMouseEventResult CMovieButton::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    entryState = value;
    beginEdit();
    onMouseMoved(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CMovieButton::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton() || !isEditing()) return kMouseEventNotHandled;
    const float before = value;
    const bool entryOn = entryState > (vmin + vmax) * 0.5f;
    if (size.pointInside(where))
        setValue(entryOn ? vmin : vmax);
    else
        setValue(entryState);
    if (value != before) valueChanged();
    return kMouseEventHandled;
}

CMouseEventResult CMovieButton::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/) {
    endEdit();
    return kMouseEventHandled;
}

} // namespace VSTGUI
