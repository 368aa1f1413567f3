#include "editor/ccorvanescalemenu.h"
#include "editor/corvane_layout.h"
#include "editor/corvane_scale.h"
#include "editor/corvaneeditor.h"
#include "gui/vstgui.h"
#include "tests/editor/fake_editor_view.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

// After gtest: Xlib's None and Bool macros would break its headers.
#include <X11/Xlib.h>

#include "x11_test_events.h"

using namespace VSTGUI;
namespace layout = corvane::layout;
using corvane::test::Mouse;
using namespace corvane::test;

namespace {

struct EditorScaleTest : ::testing::Test {
    // The desktop says 1x, whatever the machine running the tests says.
    EditorScaleTest() {
        setenv("GDK_SCALE", "1", 1);
        g_calls.clear();
    }
    ~EditorScaleTest() override { delete editor; }
    CFrame& frame() { return *editor->getFrame(); }
    std::pair<int, int> size() const { return {editor->width(), editor->height()}; }
    CCorvaneScaleMenu* menu() {
        CView* v = frame().getModalView();
        return v != nullptr && v->isTypeOf("CCorvaneScaleMenu") ? static_cast<CCorvaneScaleMenu*>(v)
                                                                : nullptr;
    }
    // A right-click on the title, then a click on the menu's entry (-1: beside the menu).
    void chooseFromMenu(int entry) {
        Mouse m{frame()};
        m.down(60, 20, kRButton);
        ASSERT_NE(menu(), nullptr);
        const CRect box = menu()->getViewSize();
        const CPoint at =
            entry < 0 ? CPoint(box.right + 20, box.bottom + 20)
                      : CPoint(box.left + 20,
                               box.top + 1 + (entry + 0.5) * CCorvaneScaleMenu::kEntryHeight);
        ASSERT_EQ(menu()->entryAt(at), entry);
        m.down(at.x, at.y);
        m.up(at.x, at.y);
        EXPECT_EQ(menu(), nullptr);
    }

    FakeView view;
    CorvaneEditor* editor = new CorvaneEditor(&view);
};

TEST(EditorScaleChoice, TheUserWinsOverTheHostAndTheHostOverTheDesktop) {
    corvane::EditorScale scale([] { return 1.5; });
    EXPECT_EQ(scale.current(), 1.5);
    scale.setHostScale(2);
    EXPECT_EQ(scale.current(), 2);
    scale.setUserScale(1.25);
    EXPECT_EQ(scale.current(), 1.25);
    scale.setHostScale(1.75);
    EXPECT_EQ(scale.current(), 1.25);
    scale.setUserScale(0);
    EXPECT_EQ(scale.current(), 1.75);
    scale.setHostScale(NAN);
    EXPECT_EQ(scale.current(), 1.5);
    // Kept from 1 to 3.
    scale.setHostScale(0.5);
    EXPECT_EQ(scale.current(), 1);
    scale.setUserScale(8);
    EXPECT_EQ(scale.current(), 3);
    corvane::EditorScale nonsense([] { return -1.0; });
    EXPECT_EQ(nonsense.current(), 1);
}

// The host's hint sizes the window; the editor keeps its own 730 x 302 pixels inside.
TEST_F(EditorScaleTest, TheHostsScaleSizesTheWindow) {
    EXPECT_EQ(size(), std::make_pair(730, 302));
    editor->setScale(1.5);
    EXPECT_EQ(editor->getScale(), 1.5);
    EXPECT_EQ(size(), std::make_pair(1095, 453));
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(frame().getScale(), 1.5);
    EXPECT_EQ(frame().getViewSize(), CRect(0, 0, 730, 302));
    EXPECT_EQ(cairo_image_surface_get_width(frame().getImage()), 1095);
    EXPECT_EQ(cairo_image_surface_get_height(frame().getImage()), 453);
    editor->setScale(2);
    EXPECT_EQ(size(), std::make_pair(1460, 604));
    EXPECT_EQ(cairo_image_surface_get_width(frame().getImage()), 1460);
    editor->setScale(1.75);
    EXPECT_EQ(size(), std::make_pair(1278, 529));
    editor->setScale(0);
    EXPECT_EQ(size(), std::make_pair(730, 302));
}

// The user's choice from the title's menu beats the host's hint, is told to the format, lasts
// across openings and goes back to the hint with AUTO; a click beside the menu changes nothing,
// and no parameter moves.
TEST_F(EditorScaleTest, TheUsersChoiceFromTheTitleMenuWinsAndIsToldToTheFormat) {
    std::vector<double> heard;
    editor->setScaleListener([&](double s) { heard.push_back(s); });
    editor->setScale(1.25);
    ASSERT_TRUE(editor->open(nullptr));
    const std::vector<float> values = view.snapshot();
    chooseFromMenu(5); // 200%
    EXPECT_EQ(editor->getUserScale(), 2);
    EXPECT_EQ(frame().getScale(), 2);
    EXPECT_EQ(size(), std::make_pair(1460, 604));
    EXPECT_EQ(heard, std::vector<double>{2});
    EXPECT_EQ(frame().getNbViews(), layout::kViewCount + 2); // the browser and the help bubble
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(view.snapshot(), values);

    editor->setScale(1.5);
    EXPECT_EQ(editor->getScale(), 2);
    editor->close();
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(frame().getScale(), 2);

    chooseFromMenu(-1);
    EXPECT_EQ(frame().getScale(), 2);
    chooseFromMenu(0); // AUTO
    EXPECT_EQ(editor->getUserScale(), 0);
    EXPECT_EQ(frame().getScale(), 1.5);
    EXPECT_EQ(heard, (std::vector<double>{2, 1.5}));
    // A format that kept the choice gives it back.
    editor->setUserScale(1.75);
    EXPECT_EQ(frame().getScale(), 1.75);
}

// Through a real window at every scale: a click at the centre of each control, in window pixels,
// reaches that control, and a drag over 40 editor pixels' worth of screen (fine with shift) moves a
// knob as far as it does at 1x.
TEST_F(EditorScaleTest, ClicksAndDragsInWindowPixelsActOnTheSameControlsAtEveryScale) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) GTEST_SKIP() << "no X server";
    const Window parent =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1500, 700, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    const auto send = [display](Window target, XEvent e) {
        e.xany.display = display;
        e.xany.window = target;
        XSendEvent(display, target, False, NoEventMask, &e);
        XSync(display, False);
    };
    using corvane::test::x11_button;
    using corvane::test::x11_motion;
    for (double scale : {1.0, 1.5, 2.0}) {
        editor->setScale(scale);
        ASSERT_TRUE(editor->open(reinterpret_cast<void*>(std::uintptr_t(parent))));
        const Window child = frame().getX11Window();
        ASSERT_NE(child, 0u);
        const auto px = [scale](double editorPixels) {
            return int(std::lround(editorPixels * scale));
        };
        for (const layout::ViewItem& item : layout::kViews) {
            if (item.tag < 0 || item.tag >= corvane::kNumParams) continue;
            g_calls.clear();
            const int x = px(item.x + item.w / 2.0), y = px(item.y + item.h / 2.0);
            send(child, x11_motion(x, y, 0));
            send(child, x11_button(ButtonPress, x, y, 0));
            send(child, x11_button(ButtonRelease, x, y, Button1Mask));
            editor->idle();
            ASSERT_FALSE(g_calls.empty()) << scale << " " << item.tag;
            EXPECT_EQ(g_calls.front(), (GestureCall{kBegin, item.tag, 0.f})) << scale;
        }
        for (unsigned shift : {0u, unsigned(ShiftMask)}) {
            view.setParameter(corvane::kRevDecay, 0.5f);
            editor->idle();
            const int x = px(49), y = px(165);
            send(child, x11_motion(x, y, 0));
            send(child, x11_button(ButtonPress, x, y, shift));
            send(child, x11_motion(x, y - px(40), Button1Mask | shift));
            send(child, x11_button(ButtonRelease, x, y - px(40), Button1Mask | shift));
            editor->idle();
            EXPECT_NEAR(view.values[corvane::kRevDecay], shift ? 0.52f : 0.7f, 1e-5) << scale;
        }
        editor->close();
    }
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

} // namespace
