#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <unistd.h>

// After gtest: Xlib's None and Bool macros would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "x11_test_events.h"

#include <cstdint>

using namespace VSTGUI;

namespace {

// Runs against the X server in DISPLAY (Xvfb in CI); skipped without one.
class X11Frame : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        if (display == nullptr) GTEST_SKIP() << "no X server";
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override {
        if (display == nullptr) return;
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }
    void* parentHandle() const { return reinterpret_cast<void*>(std::uintptr_t(parent)); }

    void send(Window target, XEvent e) {
        e.xany.display = display;
        e.xany.window = target;
        XSendEvent(display, target, False, NoEventMask, &e);
        XSync(display, False);
    }
    XEvent button(int type, int x, int y, unsigned state) {
        return corvane::test::x11_button(type, x, y, state);
    }
    XEvent motion(int x, int y, unsigned state) { return corvane::test::x11_motion(x, y, state); }

    Display* display = nullptr;
    Window parent = 0;
};

TEST_F(X11Frame, OpensAChildWindowOfTheParent) {
    CFrame* frame = new CFrame(CRect(0, 0, 200, 100), parentHandle(), nullptr);
    const Window child = frame->getX11Window();
    ASSERT_NE(child, 0u);
    Window root, par, *children = nullptr;
    unsigned int n = 0;
    XQueryTree(display, child, &root, &par, &children, &n);
    if (children != nullptr) XFree(children);
    EXPECT_EQ(par, parent);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, child, &attributes);
    EXPECT_EQ(attributes.width, 200);
    EXPECT_EQ(attributes.height, 100);
    frame->forget();
}

// At every scale the window is the scaled size and its pixels map back to frame pixels: a press
// at the knob's centre on screen takes it, a press just left of it does not, and a drag over the
// same share of the screen (20 frame pixels, so 20 x scale window pixels) turns it as far.
class X11ScaledFrame : public X11Frame, public ::testing::WithParamInterface<double> {};

TEST_P(X11ScaledFrame, WindowEventsDriveTheControlsInFramePixels) {
    const double scale = GetParam();
    const auto px = [scale](double framePixels) { return int(framePixels * scale); };
    corvane::test::RecordingEditor editor;
    CFrame* frame = new CFrame(CRect(0, 0, 200, 100), parentHandle(), &editor);
    frame->setScale(scale);
    auto* knob = new CKnob(CRect(10, 10, 70, 70), nullptr, 5, nullptr, nullptr);
    knob->setValue(0.5f);
    frame->addView(knob);
    const Window child = frame->getX11Window();
    ASSERT_NE(child, 0u);
    frame->idle();
    XWindowAttributes attributes;
    XGetWindowAttributes(display, child, &attributes);
    EXPECT_EQ(attributes.width, CFrame::scaledExtent(200, scale));
    EXPECT_EQ(attributes.height, CFrame::scaledExtent(100, scale));

    send(child, button(ButtonPress, px(10) - 1, px(40), 0));
    send(child, button(ButtonRelease, px(10) - 1, px(40), Button1Mask));
    frame->idle();
    EXPECT_TRUE(editor.events.empty());

    send(child, motion(px(40), px(40), 0));
    send(child, button(ButtonPress, px(40), px(40), 0));
    send(child, motion(px(40), px(20), Button1Mask));
    send(child, button(ButtonRelease, px(40), px(20), Button1Mask));
    frame->idle();
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6);
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 5", "end 5"}));
    frame->forget();
}

INSTANTIATE_TEST_SUITE_P(Scales, X11ScaledFrame, ::testing::Values(1.0, 1.25, 1.5, 1.75, 2.0));

TEST_F(X11Frame, IdleShowsTheFrameInTheWindow) {
    CFrame* frame = new CFrame(CRect(0, 0, 200, 100), parentHandle(), nullptr);
    frame->setBackgroundColor(CColor(0, 0, 255, 255));
    struct Box : CView {
        using CView::CView;
        void draw(CDrawContext* context) override {
            context->setFillColor(CColor(255, 0, 0, 255));
            context->drawRect(size, kDrawFilled);
        }
    };
    frame->addView(new Box(CRect(20, 20, 60, 60)));
    // The server maps and exposes the window in its own time (and clears it to its background
    // when it does), so look again after each idle until the picture has arrived.
    XImage* image = nullptr;
    unsigned long inside = 0, outside = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        frame->idle();
        XSync(display, False);
        if (image) XDestroyImage(image);
        image = XGetImage(display, frame->getX11Window(), 0, 0, 200, 100, AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        inside = XGetPixel(image, 30, 30);
        outside = XGetPixel(image, 100, 50);
        if ((inside & image->red_mask) == image->red_mask &&
            (outside & image->blue_mask) == image->blue_mask)
            break;
        usleep(10000);
    }
    EXPECT_EQ(inside & image->red_mask, image->red_mask);
    EXPECT_EQ(inside & image->blue_mask, 0u);
    EXPECT_EQ(outside & image->blue_mask, image->blue_mask);
    XDestroyImage(image);
    frame->forget();
}

TEST_F(X11Frame, ABadParentLeavesAnOffscreenFrame) {
    void* bogus = reinterpret_cast<void*>(std::uintptr_t(0x7ffffff0));
    CFrame* frame = new CFrame(CRect(0, 0, 20, 20), bogus, nullptr);
    EXPECT_EQ(frame->getX11Window(), 0u);
    frame->idle();
    EXPECT_NE(frame->getImage(), nullptr);
    frame->forget();
}

TEST_F(X11Frame, SurvivesTheParentGoingFirst) {
    CFrame* frame = new CFrame(CRect(0, 0, 50, 50), parentHandle(), nullptr);
    XDestroyWindow(display, parent);
    XSync(display, False);
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    frame->setDirty(true);
    frame->idle();
    // The frame goes on drawing offscreen, and the connection survived the dead window.
    ASSERT_NE(frame->getImage(), nullptr);
    EXPECT_EQ(cairo_surface_status(frame->getImage()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(frame->getImage()), 50);
    Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    EXPECT_NE(XGetGeometry(display, parent, &root, &x, &y, &width, &height, &border, &depth), 0);
    frame->forget();
}

} // namespace
