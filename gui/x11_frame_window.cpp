#include "gui/x11_frame_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>

#include <cstdlib>

namespace VSTGUI::x11 {

namespace {

// Catches the errors of one connection while a trap is alive; errors of other connections (the
// host's) go on to the handler that was installed before.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* d) : display(d), saved(current) {
        current = this;
        previous = XSetErrorHandler(handler);
    }
    ~ErrorTrap() {
        XSync(display, False);
        XSetErrorHandler(previous);
        current = saved;
    }
    bool failed() {
        XSync(display, False);
        return error;
    }

private:
    static int handler(Display* d, XErrorEvent* e) {
        for (ErrorTrap* t = current; t != nullptr; t = t->saved) {
            if (t->display == d) {
                t->error = true;
                return 0;
            }
        }
        ErrorTrap* outer = current;
        while (outer != nullptr && outer->saved != nullptr)
            outer = outer->saved;
        return outer != nullptr && outer->previous != nullptr ? outer->previous(d, e) : 0;
    }
    static inline ErrorTrap* current = nullptr;
    Display* display;
    ErrorTrap* saved;
    XErrorHandler previous = nullptr;
    bool error = false;
};

int32_t modifiers(unsigned int state) {
    int32_t b = 0;
    if (state & Button1Mask) b |= kLButton;
    if (state & Button2Mask) b |= kMButton;
    if (state & Button3Mask) b |= kRButton;
    if (state & ShiftMask) b |= kShift;
    if (state & ControlMask) b |= kControl;
    if (state & Mod1Mask) b |= kAlt;
    return b;
}

int32_t buttonBit(unsigned int button) {
    switch (button) {
        case Button1:
            return kLButton;
        case Button2:
            return kMButton;
        case Button3:
            return kRButton;
        default:
            return 0;
    }
}

// The key of a key press: printable ASCII as a character, the editing keys as virtual codes,
// anything else (function keys, modifiers alone, other scripts) as nothing.
CKeyCode keyOf(XKeyEvent& event) {
    CKeyCode key;
    key.modifiers = modifiers(event.state);
    char text[8] = {};
    KeySym sym = NoSymbol;
    const int n = XLookupString(&event, text, sizeof text, &sym, nullptr);
    switch (sym) {
        case XK_BackSpace:
            key.virt = kKeyBackspace;
            break;
        case XK_Tab:
            key.virt = kKeyTab;
            break;
        case XK_Return:
        case XK_KP_Enter:
            key.virt = kKeyReturn;
            break;
        case XK_Escape:
            key.virt = kKeyEscape;
            break;
        case XK_Left:
            key.virt = kKeyLeft;
            break;
        case XK_Right:
            key.virt = kKeyRight;
            break;
        case XK_Up:
            key.virt = kKeyUp;
            break;
        case XK_Down:
            key.virt = kKeyDown;
            break;
        case XK_Home:
            key.virt = kKeyHome;
            break;
        case XK_End:
            key.virt = kKeyEnd;
            break;
        case XK_Delete:
            key.virt = kKeyDelete;
            break;
        default:
            if (n == 1 && static_cast<unsigned char>(text[0]) >= 0x20 &&
                static_cast<unsigned char>(text[0]) < 0x7f)
                key.character = text[0];
            break;
    }
    return key;
}

} // namespace

struct FrameWindow::Impl {
    Display* display = nullptr;
    Window window = 0;
    Window parent = 0;
    cairo_surface_t* surface = nullptr;
    bool broken = false; // the window is gone: stop drawing into it
    Time lastPress = 0;
    unsigned int lastButton = 0;
    CPoint lastPressAt;
};

FrameWindow* FrameWindow::create(unsigned long parent, int width, int height) {
    if (parent == 0) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    const int w = width > 0 ? width : 1, h = height > 0 ? height : 1;
    Window window = 0;
    bool failed = false;
    {
        ErrorTrap trap(display);
        const int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, static_cast<Window>(parent), 0, 0, w, h, 0,
                                     BlackPixel(display, screen), BlackPixel(display, screen));
        XSelectInput(display, window,
                     ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                         PointerMotionMask | EnterWindowMask | LeaveWindowMask |
                         StructureNotifyMask);
        XMapWindow(display, window);
        failed = trap.failed();
    }
    if (failed) {
        XCloseDisplay(display);
        return nullptr;
    }
    auto* fw = new FrameWindow;
    fw->impl = new Impl;
    fw->impl->display = display;
    fw->impl->window = window;
    fw->impl->parent = static_cast<Window>(parent);
    fw->impl->surface = cairo_xlib_surface_create(
        display, window, DefaultVisual(display, DefaultScreen(display)), w, h);
    fw->windowId = window;
    XFlush(display);
    return fw;
}

FrameWindow::~FrameWindow() {
    if (impl == nullptr) return;
    // cairo keeps per-connection caches in its xlib device; the connection is ours alone, so
    // the device ends with it.
    cairo_device_t* device = cairo_device_reference(cairo_surface_get_device(impl->surface));
    cairo_surface_destroy(impl->surface);
    if (device != nullptr) {
        cairo_device_finish(device);
        cairo_device_destroy(device);
    }
    {
        ErrorTrap trap(impl->display);
        XDestroyWindow(impl->display, impl->window);
    }
    XCloseDisplay(impl->display);
    delete impl;
}

int FrameWindow::connectionFd() const {
    return impl != nullptr && impl->display != nullptr ? ConnectionNumber(impl->display) : -1;
}

void FrameWindow::dispatchEvents(FrameEventSink& sink) {
    Display* d = impl->display;
    ErrorTrap trap(d);
    while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        switch (e.type) {
            case Expose:
                sink.windowExposed(CRect(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width,
                                         e.xexpose.y + e.xexpose.height));
                break;
            case ButtonPress: {
                const CPoint at(e.xbutton.x, e.xbutton.y);
                const int32_t mods = modifiers(e.xbutton.state);
                if (e.xbutton.button == Button4 || e.xbutton.button == Button5) {
                    sink.windowWheel(at, e.xbutton.button == Button4 ? 1.f : -1.f, mods);
                    break;
                }
                const int32_t bit = buttonBit(e.xbutton.button);
                if (bit == 0) break;
                int32_t state = mods | bit;
                const bool quick = e.xbutton.time - impl->lastPress < 300;
                const bool near = std::abs(at.x - impl->lastPressAt.x) < 4 &&
                                  std::abs(at.y - impl->lastPressAt.y) < 4;
                if (quick && near && impl->lastButton == e.xbutton.button) state |= kDoubleClick;
                impl->lastPress = e.xbutton.time;
                impl->lastButton = e.xbutton.button;
                impl->lastPressAt = at;
                sink.windowMouseDown(at, state);
                break;
            }
            case ButtonRelease: {
                const int32_t bit = buttonBit(e.xbutton.button);
                if (bit == 0) break;
                // A press that became a drag is no first click: a quick press after it starts a
                // new gesture, not a double click.
                if (std::abs(e.xbutton.x - impl->lastPressAt.x) >= 4 ||
                    std::abs(e.xbutton.y - impl->lastPressAt.y) >= 4)
                    impl->lastButton = 0;
                // The state still holds the released button; the views see it gone.
                sink.windowMouseUp(CPoint(e.xbutton.x, e.xbutton.y),
                                   modifiers(e.xbutton.state) & ~bit);
                break;
            }
            case MotionNotify: {
                // Only the latest of a run of motions matters; a motion after a click must stay
                // after it.
                XEvent next;
                while (XPending(d) > 0 && XPeekEvent(d, &next) == 1 && next.type == MotionNotify)
                    XNextEvent(d, &e);
                sink.windowMouseMoved(CPoint(e.xmotion.x, e.xmotion.y), modifiers(e.xmotion.state));
                break;
            }
            case EnterNotify:
                sink.windowMouseMoved(CPoint(e.xcrossing.x, e.xcrossing.y),
                                      modifiers(e.xcrossing.state));
                break;
            case LeaveNotify:
                sink.windowMouseExited(CPoint(e.xcrossing.x, e.xcrossing.y),
                                       modifiers(e.xcrossing.state));
                break;
            case KeyPress: {
                // The window under the pointer gets the keys; those the editor does not use
                // (a host's transport keys) go on to the host's window as if we were not there.
                CKeyCode key = keyOf(e.xkey);
                const bool known = key.character != 0 || key.virt != kKeyNone;
                if (!(known && sink.windowKeyDown(key)) && impl->parent != 0) {
                    e.xkey.window = impl->parent;
                    XSendEvent(d, impl->parent, True, KeyPressMask, &e);
                }
                break;
            }
            case DestroyNotify:
                if (e.xdestroywindow.window == impl->window) impl->broken = true;
                break;
            default:
                break;
        }
    }
    if (trap.failed()) impl->broken = true;
}

void FrameWindow::resize(int width, int height) {
    if (impl->broken) return;
    const int w = width > 0 ? width : 1, h = height > 0 ? height : 1;
    ErrorTrap trap(impl->display);
    XResizeWindow(impl->display, impl->window, static_cast<unsigned>(w), static_cast<unsigned>(h));
    cairo_xlib_surface_set_size(impl->surface, w, h);
    if (trap.failed()) impl->broken = true;
}

void FrameWindow::present(cairo_surface_t* image, const CRect& area) {
    if (impl->broken || image == nullptr || area.isEmpty()) return;
    ErrorTrap trap(impl->display);
    cairo_t* cr = cairo_create(impl->surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(impl->surface);
    if (trap.failed()) impl->broken = true;
}

} // namespace VSTGUI::x11
