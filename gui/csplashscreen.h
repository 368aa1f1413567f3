#pragma once

#include "gui/ccontrol.h"

// A clickable area that, when clicked, shows its bitmap in a larger display rectangle above
// everything else (as the frame's modal view) until the next click anywhere inside it. It tells
// its listener of each change but starts no edit gesture: it changes no parameter.

namespace VSTGUI {

class CSplashScreen : public CControl {
public:
    CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                  const CRect& toDisplay, const CPoint& offset = CPoint(0, 0));

    void draw(CDrawContext* context) override;
    bool hitTest(const CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

    bool isSplashed() const { return value != 0.f; }
    void unSplash();

    CLASS_METHODS(CSplashScreen, CControl)

private:
    CRect toDisplay;
    CRect keepSize;
    CPoint offset;
};

} // namespace VSTGUI
