#include "tools/corvane-host/editor_window.h"

#include <cairo.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

namespace corvane::tools {

namespace {

Display* as_display(void* d) {
    return static_cast<Display*>(d);
}

// While a window lives, errors from the X server (a plug-in destroying its child window first, a
// capture of a window that is not on screen) are noted instead of ending the process, which is
// what Xlib's default handler does. A plug-in that traps its own errors chains the others here.
int g_windows = 0;
XErrorHandler g_previous_handler = nullptr;
unsigned char g_last_error = 0;

int note_error(Display*, XErrorEvent* e) {
    g_last_error = e->error_code;
    return 0;
}

void take_errors() {
    if (g_windows++ == 0) g_previous_handler = XSetErrorHandler(note_error);
}

void release_errors() {
    if (--g_windows == 0) XSetErrorHandler(g_previous_handler);
}

// The position of a colour channel in a pixel value, from its mask.
struct Channel {
    int shift = 0;
    unsigned long max = 0;

    explicit Channel(unsigned long mask) {
        if (mask == 0) return;
        while (!(mask & 1ul)) {
            mask >>= 1;
            ++shift;
        }
        max = mask;
    }
    uint32_t eight_bits(unsigned long pixel) const {
        return max ? static_cast<uint32_t>(((pixel >> shift) & max) * 255 / max) : 0;
    }
};

} // namespace

std::unique_ptr<EditorWindow> EditorWindow::create(PluginInstance& plugin, const std::string& title,
                                                   std::string& error) {
    int width = 0, height = 0;
    if (!plugin.editor_size(width, height)) {
        error = "the plug-in has no editor";
        return nullptr;
    }
    if (width <= 0 || height <= 0) {
        error = "the plug-in's editor has no size (" + std::to_string(width) + " x " +
                std::to_string(height) + ")";
        return nullptr;
    }
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) {
        error = "cannot connect to an X server (DISPLAY is '" + std::string(XDisplayName(nullptr)) +
                "')";
        return nullptr;
    }
    const int screen = DefaultScreen(d);
    const Window w = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, width, height, 0,
                                         BlackPixel(d, screen), BlackPixel(d, screen));
    XStoreName(d, w, title.c_str());
    XSelectInput(d, w, StructureNotifyMask);
    // The editor has a fixed size: tell the window manager so.
    if (XSizeHints* hints = XAllocSizeHints()) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(d, w, hints);
        XFree(hints);
    }
    Atom delete_atom = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &delete_atom, 1);
    std::unique_ptr<EditorWindow> window(new EditorWindow(plugin, d, w, width, height));
    window->delete_atom_ = delete_atom;
    return window;
}

EditorWindow::EditorWindow(PluginInstance& plugin, void* display, unsigned long window, int width,
                           int height)
    : plugin_(plugin), display_(display), window_(window), width_(width), height_(height) {
    take_errors();
    plugin_.on_size_window = [this](int w, int h) {
        if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return false;
        resize(w, h);
        return true;
    };
}

EditorWindow::~EditorWindow() {
    close_editor();
    plugin_.on_size_window = nullptr;
    Display* d = as_display(display_);
    XDestroyWindow(d, window_);
    XCloseDisplay(d);
    release_errors();
}

void EditorWindow::show() {
    Display* d = as_display(display_);
    XMapRaised(d, window_);
    XEvent e;
    do
        XWindowEvent(d, window_, StructureNotifyMask, &e);
    while (e.type != MapNotify);
}

bool EditorWindow::open_editor() {
    const bool opened = plugin_.open_editor(window_);
    open_ = open_ || opened;
    XFlush(as_display(display_));
    return opened;
}

void EditorWindow::close_editor() {
    if (!open_) return;
    plugin_.close_editor();
    open_ = false;
    XSync(as_display(display_), False);
}

void EditorWindow::idle() {
    Display* d = as_display(display_);
    while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == delete_atom_)
            close_requested_ = true;
    }
    if (open_) plugin_.editor_idle();
}

void EditorWindow::resize(int width, int height) {
    width_ = width;
    height_ = height;
    XResizeWindow(as_display(display_), window_, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    XFlush(as_display(display_));
}

bool EditorWindow::capture(WindowImage& image, std::string& error) {
    Display* d = as_display(display_);
    XSync(d, False);
    g_last_error = 0;
    XImage* x = XGetImage(d, window_, 0, 0, static_cast<unsigned>(width_),
                          static_cast<unsigned>(height_), AllPlanes, ZPixmap);
    XSync(d, False);
    if (x == nullptr || g_last_error != 0) {
        if (x != nullptr) XDestroyImage(x);
        error = "cannot read the window's pixels (is it on screen?)";
        return false;
    }
    const Channel red(x->red_mask), green(x->green_mask), blue(x->blue_mask);
    image.width = width_;
    image.height = height_;
    image.pixels.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
    for (int y = 0; y < height_; ++y)
        for (int i = 0; i < width_; ++i) {
            const unsigned long p = XGetPixel(x, i, y);
            image.pixels[static_cast<size_t>(y * width_ + i)] =
                0xFF000000u | red.eight_bits(p) << 16 | green.eight_bits(p) << 8 |
                blue.eight_bits(p);
        }
    XDestroyImage(x);
    return true;
}

bool EditorWindow::screenshot(const std::string& path, std::string& error) {
    WindowImage image;
    return capture(image, error) && write_png(image, path, error);
}

bool write_png(const WindowImage& image, const std::string& path, std::string& error) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    if (data != nullptr)
        for (int y = 0; y < image.height; ++y)
            std::memcpy(data + y * stride, &image.pixels[static_cast<size_t>(y * image.width)],
                        static_cast<size_t>(image.width) * 4);
    cairo_surface_mark_dirty(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status == CAIRO_STATUS_SUCCESS) return true;
    error = "cannot write '" + path + "': " + cairo_status_to_string(status);
    return false;
}

} // namespace corvane::tools
