#pragma once

#include "gui/cbaseobject.h"
#include "gui/cbuttonstate.h"
#include "gui/cgeometry.h"
#include "gui/ckeycode.h"

// A rectangular area of the frame that draws itself and may take mouse events. A view added to
// a frame belongs to it; the frame redraws views marked dirty on its next idle.

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;

class CView : public CBaseObject {
public:
    explicit CView(const CRect& size);
    CView(const CView& other);
    CView& operator=(const CView&) = delete;
    ~CView() override;

    virtual void draw(CDrawContext* context);
    // The frame asks a view to draw the part of it inside updateRect; the context clips to it.
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);

    virtual CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons);
    // distance: wheel steps, positive away from the user.
    virtual bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons);
    // A key while the view has the keyboard (the frame's focus view, else the hovered one);
    // true when the view used it.
    virtual bool onKeyDown(CKeyCode& /*key*/) { return false; }
    virtual bool hitTest(const CPoint& where, const CButtonState& buttons = CButtonState());

    virtual void setDirty(bool val = true) { dirty = val; }
    virtual bool isDirty() const { return dirty; }
    void invalid() { setDirty(true); }

    const CRect& getViewSize() const { return size; }
    // Moves or resizes the view; the area it leaves is redrawn too.
    virtual void setViewSize(const CRect& rect, bool invalidate = true);
    CCoord getWidth() const { return size.width(); }
    CCoord getHeight() const { return size.height(); }

    virtual void setTransparency(bool val) { transparent = val; }
    bool getTransparency() const { return transparent; }
    void setMouseEnabled(bool enable) { mouseEnabled = enable; }
    bool getMouseEnabled() const { return mouseEnabled; }

    // Takes a reference to the bitmap and releases the previous one.
    virtual void setBackground(CBitmap* background);
    CBitmap* getBackground() const { return pBackground; }

    CFrame* getFrame() const { return pParentFrame; }
    // Called by the frame when the view is added to it and when it is removed.
    virtual bool attached(CFrame* frame);
    virtual bool removed(CFrame* frame);
    bool isAttached() const { return pParentFrame != nullptr; }

    bool isTypeOf(const char* s) const override {
        return (s != nullptr && std::strcmp(s, "CView") == 0) || CBaseObject::isTypeOf(s);
    }
    virtual CView* newCopy() const { return new CView(*this); }

protected:
    CRect size;
    CBitmap* pBackground = nullptr;
    CFrame* pParentFrame = nullptr;

private:
    bool dirty = true;
    bool transparent = false;
    bool mouseEnabled = true;
};

} // namespace VSTGUI
