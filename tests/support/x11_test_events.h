#pragma once

// Pointer events made up by the tests that drive a window through the X server, as the server
// would deliver them. Include after gtest: Xlib's macros (None, Bool) break its headers.

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

namespace corvane::test {

// A connection to the server in DISPLAY, or null. A busy server refuses one now and then for a
// moment (its accept queue is full, and Xlib gives up at once), so a refusal is tried again.
inline Display* x11_open_display() {
    Display* d = XOpenDisplay(nullptr);
    for (int i = 0; i < 3 && d == nullptr && XDisplayName(nullptr)[0] != '\0'; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        d = XOpenDisplay(nullptr);
    }
    return d;
}

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
