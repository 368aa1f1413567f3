#pragma once

// Pointer events made up by the tests that drive a window through the X server, as the server
// would deliver them. Include after gtest: Xlib's macros (None, Bool) break its headers.

#include <X11/Xlib.h>

namespace corvane::test {

// A press or release of the left button.
inline XEvent x11_button(int type, int x, int y, unsigned state, Time time = 0) {
    XEvent e{};
    e.type = type;
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.button = Button1;
    e.xbutton.state = state;
    e.xbutton.time = time;
    e.xbutton.same_screen = True;
    return e;
}

// A press of the key with the given keysym name ("Return", "1", "period"), without modifiers.
inline XEvent x11_key(Display* display, const char* keysym, int x, int y) {
    XEvent e{};
    e.type = KeyPress;
    e.xkey.display = display;
    e.xkey.keycode = XKeysymToKeycode(display, XStringToKeysym(keysym));
    e.xkey.x = x;
    e.xkey.y = y;
    e.xkey.same_screen = True;
    return e;
}

inline XEvent x11_motion(int x, int y, unsigned state) {
    XEvent e{};
    e.type = MotionNotify;
    e.xmotion.x = x;
    e.xmotion.y = y;
    e.xmotion.state = state;
    e.xmotion.same_screen = True;
    return e;
}

} // namespace corvane::test
