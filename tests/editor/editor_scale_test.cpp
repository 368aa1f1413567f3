#include "editor/ccorvanescalemenu.h"
#include "editor/corvane_layout.h"
#include "editor/corvane_scale.h"
#include "editor/corvaneeditor.h"
#include "engine/CCorvaneEngine.h"
#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"
#include "vst/audio_effect_x.h"

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

namespace {

struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    bool operator==(const HostCall& o) const {
        return opcode == o.opcode && index == o.index && value == o.value;
    }
};

std::vector<HostCall> g_calls;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float) {
    if (opcode == audioMasterSizeWindow || opcode == audioMasterBeginEdit ||
        opcode == audioMasterAutomate)
        g_calls.push_back({opcode, index, opcode == audioMasterSizeWindow ? value : 0});
    return opcode == audioMasterVersion ? 2400 : opcode == audioMasterSizeWindow;
}

struct Plugin : AudioEffectX {
    Plugin() : AudioEffectX(&hostCallback, 1, corvane::kNumParams) {}
    void processReplacing(float**, float**, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override {
        values[index] = value;
        if (auto* e = static_cast<AEffGUIEditor*>(editor)) e->setParameter(index, value);
    }
    float getParameter(VstInt32 index) override { return values[index]; }
    float values[corvane::kNumParams] = {};
};

HostCall sizeWindow(int width, int height) {
    return {audioMasterSizeWindow, width, height};
}

struct EditorScaleTest : ::testing::Test {
    // The desktop says 1x, whatever the machine running the tests says.
    EditorScaleTest() {
        setenv("GDK_SCALE", "1", 1);
        g_calls.clear();
    }
    ~EditorScaleTest() override { AEffGUIEditor::knobMode = kLinearMode; }
    CFrame& frame() { return *editor->getFrame(); }
    std::pair<int, int> rect() {
        ERect* r = nullptr;
        editor->getRect(&r);
        return {r->right - r->left, r->bottom - r->top};
    }
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

    std::unique_ptr<CCorvaneEngine> engine = std::make_unique<CCorvaneEngine>();
    Plugin plugin;
    CorvaneEditor* editor = new CorvaneEditor(&plugin, engine.get());
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

// The host's hint sizes the rectangle the host asks for and the window; the editor keeps its own
// 730 x 302 pixels inside. The host resizes on its own hint: no sizeWindow back.
TEST_F(EditorScaleTest, TheHostsScaleSizesTheRectangleAndTheWindow) {
    EXPECT_EQ(rect(), std::make_pair(730, 302));
    editor->setScale(1.5);
    EXPECT_EQ(editor->getScale(), 1.5);
    EXPECT_EQ(rect(), std::make_pair(1095, 453));
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(frame().getScale(), 1.5);
    EXPECT_EQ(frame().getViewSize(), CRect(0, 0, 730, 302));
    EXPECT_EQ(cairo_image_surface_get_width(frame().getImage()), 1095);
    EXPECT_EQ(cairo_image_surface_get_height(frame().getImage()), 453);
    editor->setScale(2);
    EXPECT_EQ(rect(), std::make_pair(1460, 604));
    EXPECT_EQ(cairo_image_surface_get_width(frame().getImage()), 1460);
    editor->setScale(1.75);
    EXPECT_EQ(rect(), std::make_pair(1278, 529));
    editor->setScale(0);
    EXPECT_EQ(rect(), std::make_pair(730, 302));
    EXPECT_TRUE(g_calls.empty());
}

// The user's choice from the title's menu beats the host's hint, asks the host to resize, lasts
// across openings and goes back to the hint with AUTO; a click beside the menu changes nothing.
TEST_F(EditorScaleTest, TheUsersChoiceFromTheTitleMenuWinsAndResizesTheWindow) {
    editor->setScale(1.25);
    ASSERT_TRUE(editor->open(nullptr));
    chooseFromMenu(5); // 200%
    EXPECT_EQ(editor->getUserScale(), 2);
    EXPECT_EQ(frame().getScale(), 2);
    EXPECT_EQ(rect(), std::make_pair(1460, 604));
    EXPECT_EQ(g_calls, std::vector<HostCall>{sizeWindow(1460, 604)});
    EXPECT_EQ(frame().getNbViews(), layout::kViewCount);

    editor->setScale(1.5);
    EXPECT_EQ(editor->getScale(), 2);
    editor->close();
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(frame().getScale(), 2);

    g_calls.clear();
    chooseFromMenu(-1);
    EXPECT_EQ(frame().getScale(), 2);
    chooseFromMenu(0); // AUTO
    EXPECT_EQ(editor->getUserScale(), 0);
    EXPECT_EQ(frame().getScale(), 1.5);
    EXPECT_EQ(g_calls, std::vector<HostCall>{sizeWindow(1095, 453)});

    // A format with a listener of its own hears of the change instead of the VST host.
    std::vector<double> heard;
    editor->setScaleListener([&](double s) { heard.push_back(s); });
    g_calls.clear();
    chooseFromMenu(2); // 125%
    EXPECT_EQ(heard, std::vector<double>{1.25});
    EXPECT_TRUE(g_calls.empty());
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
        for (const layout::ViewSpec& item : layout::kViews) {
            if (item.tag < 0 || item.tag >= corvane::kNumParams) continue;
            g_calls.clear();
            const int x = px(item.x + item.w / 2.0), y = px(item.y + item.h / 2.0);
            send(child, x11_motion(x, y, 0));
            send(child, x11_button(ButtonPress, x, y, 0));
            send(child, x11_button(ButtonRelease, x, y, Button1Mask));
            editor->idle();
            ASSERT_FALSE(g_calls.empty()) << scale << " " << item.tag;
            EXPECT_EQ(g_calls.front(), (HostCall{audioMasterBeginEdit, item.tag, 0})) << scale;
        }
        for (unsigned shift : {0u, unsigned(ShiftMask)}) {
            plugin.setParameter(corvane::kRevDecay, 0.5f);
            editor->idle();
            const int x = px(49), y = px(165);
            send(child, x11_motion(x, y, 0));
            send(child, x11_button(ButtonPress, x, y, shift));
            send(child, x11_motion(x, y - px(40), Button1Mask | shift));
            send(child, x11_button(ButtonRelease, x, y - px(40), Button1Mask | shift));
            editor->idle();
            EXPECT_NEAR(plugin.values[corvane::kRevDecay], shift ? 0.52f : 0.7f, 1e-5) << scale;
        }
        editor->close();
    }
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

} // namespace
