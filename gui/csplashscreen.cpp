#include "gui/csplashscreen.h"

#include "gui/cbitmap.h"
#include "gui/cframe.h"

namespace VSTGUI {

CSplashScreen::CSplashScreen(const CRect& rect, CControlListener* l, int32_t t, CBitmap* background,
                             const CRect& display, const CPoint& off)
    : CControl(rect, l, t, background), toDisplay(display), keepSize(rect), offset(off) {}

void CSplashScreen::draw(CDrawContext* context) {
    if (isSplashed() && pBackground != nullptr) pBackground->draw(context, toDisplay, offset);
    setDirty(false);
}

bool CSplashScreen::hitTest(const CPoint& where, const CButtonState& buttons) {
    return buttons.isLeftButton() && CControl::hitTest(where, buttons);
}

CMouseEventResult CSplashScreen::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    if (isSplashed()) {
        unSplash();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (pParentFrame != nullptr && pParentFrame->setModalView(this)) {
        value = 1.f;
        keepSize = size;
        setViewSize(toDisplay);
        valueChanged();
    }
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void CSplashScreen::unSplash() {
    value = 0.f;
    setViewSize(keepSize);
    if (pParentFrame != nullptr && pParentFrame->getModalView() == this)
        pParentFrame->setModalView(nullptr);
    valueChanged();
}

} // namespace VSTGUI
