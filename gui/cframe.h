#pragma once

#include "gui/ccolor.h"
#include "gui/cview.h"
#include "gui/vstguieditorinterface.h"
#include "gui/x11_frame_window.h"

#include <cairo.h>

#include <vector>

// The top of the view tree: it owns its views (later ones lie on top), draws them into an
// offscreen image and, when given the host's X11 window, shows that image in a child window and
// feeds the window's mouse input to the views. Everything happens on the host's user-interface
// thread in idle(): pending window events are handled, due timers fire, then whatever became dirty
// is redrawn and shown. Without a parent window (or without an X server) the frame still works
// offscreen, for tests and screenshots.
//
// The frame and its views work in editor pixels whatever the scale; the scale (1 unless set) says
// how many screen pixels each editor pixel becomes. The image and the window have the scaled size,
// drawing goes through a draw context of that scale, and the window's mouse positions are divided
// by it before the views see them, so a drag over the same share of a control moves it the same
// at every scale.

namespace VSTGUI {

class CDrawContext;

class CFrame : public CView, private x11::FrameEventSink {
public:
    // systemWindow: the host's parent window, an X11 window id cast to a pointer, or null.
    CFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor);
    ~CFrame() override;
    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;

    // The frame takes over the caller's reference.
    bool addView(CView* view);
    bool removeView(CView* view, bool withForget = true);
    void removeAll(bool withForget = true);
    int32_t getNbViews() const { return static_cast<int32_t>(views.size()); }
    CView* getView(int32_t index) const;
    bool isChild(const CView* view) const;

    // Scales from kMinScale to kMaxScale; anything else (NaN included) is clamped, 1 when not a
    // number. Resizes the image and the window and redraws everything.
    void setScale(double scale);
    double getScale() const { return scale; }
    static constexpr double kMinScale = 1;
    static constexpr double kMaxScale = 3;
    static double clampScale(double scale);
    // Screen pixels for a length in editor pixels at a scale: rounded up, so nothing is cut off.
    static int scaledExtent(CCoord length, double scale);

    void setBackgroundColor(const CColor& color);
    const CColor& getBackgroundColor() const { return backgroundColor; }

    void idle();
    void invalidRect(const CRect& rect);

    VSTGUIEditorInterface* getEditor() const { return editor; }
    int32_t getKnobMode() const;
    void beginEdit(int32_t index);
    void endEdit(int32_t index);

    // While a modal view is set only it receives mouse input.
    bool setModalView(CView* view);
    CView* getModalView() const { return modalView; }

    // Mouse input in frame coordinates; the window's events arrive here, and tests call these.
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;
    CView* getMouseDownView() const { return mouseDownView; }
    // Keys go to the focus view if there is one, else to the view under the pointer, and then
    // to the editor if no view used them; true when one of them used the key. A host's key requests
    // and the window's key events arrive here.
    bool onKeyDown(CKeyCode& key);
    // The view that takes the keyboard (a typing field); null: none. Cleared when it is removed.
    void setFocusView(CView* view) { focusView = view; }
    CView* getFocusView() const { return focusView; }
    CView* getHoverView() const { return hoverView; }
    // The topmost view under the point that takes mouse input, or null.
    CView* getViewAt(const CPoint& where, const CButtonState& buttons = CButtonState()) const;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;

    // Redraws what is dirty into the offscreen image; true if anything was drawn.
    bool render();
    // The offscreen image (ARGB32, the frame's size times the scale), up to date after render()
    // or idle().
    cairo_surface_t* getImage() const { return image; }
    // Redraws everything and writes the image as PNG; false if it could not be written.
    bool writePNG(const char* path);

    void* getSystemWindow() const { return systemWindow; }
    // The frame's own X11 window, or 0 when it runs offscreen only.
    unsigned long getX11Window() const { return window != nullptr ? window->window() : 0; }
    // The window's display connection, readable when input waits (see idle); -1 offscreen.
    int getX11ConnectionFd() const { return window != nullptr ? window->connectionFd() : -1; }

    CLASS_TYPE_OF(CFrame, CView)

private:
    void windowMouseDown(const CPoint& where, const CButtonState& buttons) override;
    void windowMouseUp(const CPoint& where, const CButtonState& buttons) override;
    void windowMouseMoved(const CPoint& where, const CButtonState& buttons) override;
    void windowMouseExited(const CPoint& where, const CButtonState& buttons) override;
    void windowWheel(const CPoint& where, float distance, const CButtonState& buttons) override;
    void windowExposed(const CRect& area) override;
    bool windowKeyDown(CKeyCode& key) override;

    // Sends entered and exited to the views as the pointer moves between them.
    void checkMouseViews(const CPoint& where, const CButtonState& buttons);
    void forgetPointers(const CView* view);
    // The area in editor pixels widened to whole screen pixels, and the screen pixels themselves.
    CRect toWholePixels(const CRect& area) const;
    CRect toScreen(const CRect& area) const;
    CPoint fromScreen(const CPoint& where) const;
    // Closes a gesture the views would otherwise never see end.
    void cancelMouseDown();

    void* systemWindow;
    VSTGUIEditorInterface* editor;
    std::vector<CView*> views;
    CColor backgroundColor = kBlackCColor;
    CView* modalView = nullptr;
    CView* mouseDownView = nullptr;
    CView* hoverView = nullptr;
    CView* focusView = nullptr;
    std::vector<CRect> invalidAreas;
    std::vector<CRect> exposedAreas;
    cairo_surface_t* image = nullptr;
    double scale = 1;
    x11::FrameWindow* window = nullptr;
    bool inIdle = false;
};

} // namespace VSTGUI
