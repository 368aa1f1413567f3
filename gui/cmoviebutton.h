#pragma once

#include "gui/ccontrol.h"

// An on/off button drawn from a two-frame filmstrip (frame 0 off, frame 1 on). A click toggles it;
// dragging out of the button before releasing takes the click back.

namespace VSTGUI {

class CMovieButton : public CControl {
public:
    CMovieButton(const CRect& size, CControlListener* listener, int32_t tag,
                 CCoord heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(0, 0));

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;

    // On for values above the middle of the range, as the switch parameters read them.
    bool isOn() const { return value > (vmin + vmax) * 0.5f; }

    CLASS_METHODS(CMovieButton, CControl)

private:
    CCoord heightOfOneImage;
    CPoint offset;
    float entryState = 0.f;
};

} // namespace VSTGUI
