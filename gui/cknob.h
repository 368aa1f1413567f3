#pragma once

#include "gui/ccolor.h"
#include "gui/ccontrol.h"

// Knobs. CKnob turns with the mouse in the frame's knob mode: in linear mode a drag upwards or to
// the right raises the value (200 pixels span the range, ten times that with shift held); in the
// circular modes the pointer's angle around the centre sets or moves the value. Alt switches
// between linear and circular for one gesture. A click with the default-value modifier resets the
// value; the wheel steps it by a tenth, or a hundredth with shift. CAnimKnob shows its value as
// one frame of a vertical filmstrip.

namespace VSTGUI {

enum CKnobMode { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

class CKnob : public CControl {
public:
    CKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
          CBitmap* handle, const CPoint& offset = CPoint(0, 0));
    CKnob(const CKnob& other);
    ~CKnob() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;

    void setZoomFactor(float f) { zoomFactor = f; }
    float getZoomFactor() const { return zoomFactor; }
    void setWheelInc(float inc) { wheelInc = inc; }
    float getWheelInc() const { return wheelInc; }
    void setColorHandle(const CColor& color) { colorHandle = color; }

    CLASS_METHODS(CKnob, CControl)

protected:
    // The value for a point relative to the view's top left, by its angle around the centre.
    float valueFromPoint(const CPoint& where) const;
    void setHandle(CBitmap* handle);

    CPoint offset;
    CBitmap* pHandle = nullptr;

private:
    float zoomFactor = 10.f;
    float wheelInc = 0.1f;
    CColor colorHandle = kWhiteCColor;

    // Drag state.
    CPoint firstPoint;
    CPoint lastPoint;
    CButtonState oldButton;
    float entryValue = 0.f;
    float coef = 0.f;
    float range = 0.f;
    int32_t dragMode = kCircularMode;
};

class CAnimKnob : public CKnob {
public:
    // The frame count follows the bitmap: its height divided by heightOfOneImage, when both are
    // known; otherwise subPixmaps as given.
    CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
              CCoord heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(0, 0));

    void draw(CDrawContext* context) override;
    void setBackground(CBitmap* background) override;

    int32_t getNumSubPixmaps() const { return subPixmaps; }
    CCoord getHeightOfOneImage() const { return heightOfOneImage; }
    // The filmstrip frame shown for the current value.
    int32_t getFrameIndex() const;
    void setInverseBitmap(bool val) { bInverseBitmap = val; }

    CLASS_METHODS(CAnimKnob, CKnob)

private:
    int32_t subPixmaps;
    CCoord heightOfOneImage;
    bool bInverseBitmap = false;
};

} // namespace VSTGUI
