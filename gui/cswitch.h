#pragma once

#include "gui/ccontrol.h"

// Multi-position switches drawn from a filmstrip with one frame per position, frame 0 (value 0)
// on top. Clicking or dragging inside picks the position under the pointer: the view is split into
// equal bands, top to bottom for CVerticalSwitch and left to right for CHorizontalSwitch.

namespace VSTGUI {

class CSwitchBase : public CControl {
public:
    CSwitchBase(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                CCoord heightOfOneImage, int32_t iMaxPositions, CBitmap* background,
                const CPoint& offset, bool vertical);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;

    int32_t getNumPositions() const { return positions; }
    // The position shown for the current value: the nearest one.
    int32_t getPosition() const;

    CLASS_TYPE_OF(CSwitchBase, CControl)

private:
    CCoord heightOfOneImage;
    int32_t positions;
    CPoint offset;
    bool vertical;
};

class CVerticalSwitch : public CSwitchBase {
public:
    CVerticalSwitch(const CRect& r, CControlListener* l, int32_t t, int32_t pixmaps,
                    CCoord imageHeight, int32_t maxPositions, CBitmap* bg,
                    const CPoint& off = CPoint(0, 0))
        : CSwitchBase(r, l, t, pixmaps, imageHeight, maxPositions, bg, off, true) {}
    CLASS_METHODS(CVerticalSwitch, CSwitchBase)
};

class CHorizontalSwitch : public CSwitchBase {
public:
    CHorizontalSwitch(const CRect& r, CControlListener* l, int32_t t, int32_t pixmaps,
                      CCoord imageHeight, int32_t maxPositions, CBitmap* bg,
                      const CPoint& off = CPoint(0, 0))
        : CSwitchBase(r, l, t, pixmaps, imageHeight, maxPositions, bg, off, false) {}
    CLASS_METHODS(CHorizontalSwitch, CSwitchBase)
};

} // namespace VSTGUI
