#pragma once

#include "gui/cbuttonstate.h"
#include "gui/cgeometry.h"
#include "gui/ckeycode.h"

#include <cairo.h>

// The frame's on-screen side: a child window of the host's X11 window, on a display connection of
// its own so that the host's connection and event loop are never touched. Errors from the server
// (the host destroying its window first, a bad window id) are caught per call instead of reaching
// the process-wide Xlib handler, which would end the host.

namespace VSTGUI::x11 {

// Receives the window's input in window pixels.
class FrameEventSink {
public:
    virtual ~FrameEventSink() = default;
    virtual void windowMouseDown(const CPoint& where, const CButtonState& buttons) = 0;
    virtual void windowMouseUp(const CPoint& where, const CButtonState& buttons) = 0;
    virtual void windowMouseMoved(const CPoint& where, const CButtonState& buttons) = 0;
    virtual void windowMouseExited(const CPoint& where, const CButtonState& buttons) = 0;
    virtual void windowWheel(const CPoint& where, float distance, const CButtonState& buttons) = 0;
    virtual void windowExposed(const CRect& area) = 0;
    // True when the key was used; an unused key goes on to the host's window.
    virtual bool windowKeyDown(CKeyCode& key) = 0;
};

class FrameWindow {
public:
    // Opens a connection and a mapped child window of `parent`; null when either fails.
    static FrameWindow* create(unsigned long parent, int width, int height);
    ~FrameWindow();
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;

    // Handles every event waiting on the connection.
    void dispatchEvents(FrameEventSink& sink);
    // Gives the window a new size in pixels.
    void resize(int width, int height);
    // Copies an area of the frame's image (window pixels) into the window.
    void present(cairo_surface_t* image, const CRect& area);
    unsigned long window() const { return windowId; }
    // The connection's file descriptor: readable when events wait, so a host's event loop can
    // call for dispatchEvents instead of polling.
    int connectionFd() const;

private:
    FrameWindow() = default;
    struct Impl;
    Impl* impl = nullptr;
    unsigned long windowId = 0;
};

} // namespace VSTGUI::x11
