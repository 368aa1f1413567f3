// The CLAP edition's editor, embedded in a host's X11 window and run by the host's timer: it
// shows the artwork, and a click on a control reaches the host as a gesture with its value.

#include "clap_test_host.h"
#include "params/CorvaneParameters.h"

#include <cairo.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <set>

// After gtest: Xlib's None and Bool macros would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "x11_test_events.h"

namespace corvane::test {
namespace {

// Runs against the X server in DISPLAY (Xvfb in CI); skipped without one.
class ClapEditor : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        if (!display) GTEST_SKIP() << "no X server";
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 800, 400, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override {
        if (!display) return;
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }

    Window child() {
        Window root, up, *children = nullptr;
        unsigned n = 0;
        XQueryTree(display, parent, &root, &up, &children, &n);
        const Window found = n == 1 ? children[0] : 0;
        if (children) XFree(children);
        return found;
    }
    void send(Window target, XEvent e) {
        e.xany.display = display;
        e.xany.window = target;
        XSendEvent(display, target, False, NoEventMask, &e);
        XSync(display, False);
    }
    // The host's timer firing a few times, with time for the server in between.
    void run_timer(ClapInstance& instance, int times) {
        for (int n = 0; n < times; ++n) {
            instance.timer->on_timer(instance.plugin, host.timers.at(0));
            XSync(display, False);
            usleep(20000);
        }
    }

    ClapModule module{CORVANE_CLAP};
    ClapTestHost host;
    Display* display = nullptr;
    Window parent = 0;
};

TEST_F(ClapEditor, OpensEmbeddedDrawsAndBracketsGestures) {
    ClapInstance instance(module, host);
    ASSERT_NE(instance.gui, nullptr);
    ASSERT_NE(instance.timer, nullptr);
    const clap_plugin* p = instance.plugin;
    EXPECT_TRUE(instance.gui->is_api_supported(p, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(instance.gui->is_api_supported(p, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(instance.gui->is_api_supported(p, "cocoa", false));
    EXPECT_FALSE(instance.gui->create(p, CLAP_WINDOW_API_X11, true));
    ASSERT_TRUE(instance.gui->create(p, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(instance.gui->create(p, CLAP_WINDOW_API_X11, false)); // once
    std::uint32_t width = 0, height = 0;
    ASSERT_TRUE(instance.gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 730u);
    EXPECT_EQ(height, 302u);
    // The host's scale sizes the window; the test goes on at 1.
    ASSERT_TRUE(instance.gui->set_scale(p, 2.0));
    ASSERT_TRUE(instance.gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 1460u);
    EXPECT_EQ(height, 604u);
    EXPECT_FALSE(instance.gui->set_scale(p, std::nan("")));
    ASSERT_TRUE(instance.gui->set_scale(p, 1.0));
    ASSERT_TRUE(instance.gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 730u);
    EXPECT_FALSE(instance.gui->can_resize(p));
    EXPECT_FALSE(instance.gui->set_size(p, 800, 400));
    clap_window bad{CLAP_WINDOW_API_X11, {}};
    EXPECT_FALSE(instance.gui->set_parent(p, &bad));
    clap_window window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    ASSERT_TRUE(instance.gui->set_parent(p, &window));
    ASSERT_TRUE(instance.gui->show(p));
    ASSERT_EQ(host.timers.size(), 1u);
    EXPECT_GT(host.timer_period_ms, 0u);
    const Window frame = child();
    ASSERT_NE(frame, 0u);
    // The host watches the window's connection too.
    ASSERT_EQ(host.fds.size(), 1u);
    const auto* fds = instance.ext<clap_plugin_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT);
    ASSERT_NE(fds, nullptr);

    // The artwork, as the server shows it: many colours, kept as a screenshot.
    XImage* image = nullptr;
    std::set<unsigned long> colours;
    for (int attempt = 0; attempt < 50 && colours.size() < 64; ++attempt) {
        run_timer(instance, 1);
        if (image) XDestroyImage(image);
        image = XGetImage(display, frame, 0, 0, width, height, AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        colours.clear();
        for (std::uint32_t y = 0; y < height; y += 3)
            for (std::uint32_t x = 0; x < width; x += 3)
                colours.insert(XGetPixel(image, x, y));
    }
    EXPECT_GE(colours.size(), 64u);
    cairo_surface_t* shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    auto* pixels = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(shot));
    const int stride = cairo_image_surface_get_stride(shot) / 4;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            pixels[y * stride + x] = static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
    cairo_surface_mark_dirty(shot);
    EXPECT_EQ(cairo_surface_write_to_png(shot, "clap_editor.png"), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(shot);
    XDestroyImage(image);

    // A click on the lowest position of the Filter Type switch, handled when the connection
    // turns readable: begin, the value, end, in flush.
    const double before = instance.value(kFilterType);
    send(frame, x11_button(ButtonPress, 128, 268, 0));
    send(frame, x11_button(ButtonRelease, 128, 268, Button1Mask));
    OutputEvents out;
    for (int attempt = 0; attempt < 50 && out.events.size() < 3; ++attempt) {
        usleep(20000);
        fds->on_fd(p, host.fds.at(0), CLAP_POSIX_FD_READ);
        instance.params->flush(p, nullptr, out.list());
    }
    EXPECT_GT(host.flush_requests, 0);
    ASSERT_EQ(out.events.size(), 3u);
    EXPECT_EQ(out.events[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(out.events[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(out.events[2].type, CLAP_EVENT_PARAM_GESTURE_END);
    for (const auto& e : out.events)
        EXPECT_EQ(e.param_id, clap_id(kFilterType));
    EXPECT_DOUBLE_EQ(out.events[1].value, instance.value(kFilterType));
    EXPECT_NE(instance.value(kFilterType), before);

    // Host changes move the control without coming back as edits.
    InputEvents in;
    in.param(0, kFilterType, 0.0);
    out.events.clear();
    instance.params->flush(p, in.list(), out.list());
    run_timer(instance, 2);
    instance.params->flush(p, nullptr, out.list());
    EXPECT_TRUE(out.events.empty());

    ASSERT_TRUE(instance.gui->hide(p));
    EXPECT_TRUE(host.timers.empty());
    EXPECT_TRUE(host.fds.empty());
    EXPECT_EQ(child(), 0u);
    ASSERT_TRUE(instance.gui->show(p));
    EXPECT_EQ(host.timers.size(), 1u);
    instance.gui->destroy(p);
    EXPECT_TRUE(host.timers.empty());
}

// The scale the user chose is kept with the state (its last four bytes, a float): a loaded
// choice outranks the host's hint, resizes a window that exists and outlives the window.
TEST_F(ClapEditor, TheUsersScaleComesBackWithTheState) {
    ClapInstance instance(module, host);
    const clap_plugin* p = instance.plugin;
    ASSERT_TRUE(instance.gui->create(p, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(instance.gui->set_scale(p, 1.0));
    MemoryStream saved;
    clap_ostream writer = saved.writer();
    ASSERT_TRUE(instance.state->save(p, &writer));
    ASSERT_GE(saved.bytes.size(), 4u);
    const auto load_with_scale = [&](float scale) {
        MemoryStream stream = saved;
        std::memcpy(&stream.bytes[stream.bytes.size() - 4], &scale, sizeof scale);
        clap_istream reader = stream.reader();
        return instance.state->load(p, &reader);
    };
    std::uint32_t width = 0, height = 0;
    ASSERT_TRUE(load_with_scale(2.0f));
    ASSERT_TRUE(instance.gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 1460u);
    instance.gui->destroy(p);
    ASSERT_TRUE(instance.gui->create(p, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(instance.gui->set_scale(p, 1.0));
    ASSERT_TRUE(instance.gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 1460u);
    ASSERT_TRUE(load_with_scale(0.0f));
    ASSERT_TRUE(instance.gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 730u);
    instance.gui->destroy(p);
}

TEST_F(ClapEditor, NeedsTheHostsTimer) {
    host.offer_timer = false;
    ClapInstance instance(module, host);
    EXPECT_FALSE(instance.gui->create(instance.plugin, CLAP_WINDOW_API_X11, false));
}

} // namespace
} // namespace corvane::test
