#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace VSTGUI;
using corvane::test::Mouse;
using corvane::test::RecordingEditor;
using corvane::test::RecordingListener;

namespace {

struct Fixture {
    explicit Fixture(int32_t knobMode = kLinearMode)
        : editor(knobMode), frame(new CFrame(CRect(0, 0, 200, 200), nullptr, &editor)) {}
    ~Fixture() { frame->forget(); }
    template <typename T>
    T* add(T* view) {
        frame->addView(view);
        return view;
    }
    RecordingEditor editor;
    RecordingListener listener;
    CFrame* frame;
    Mouse mouse{*frame};
};

CKnob* makeKnob(Fixture& f, int32_t tag = 5) {
    auto* k = f.add(new CKnob(CRect(10, 10, 60, 60), &f.listener, tag, nullptr, nullptr));
    k->setValue(0.5f);
    k->setDefaultValue(0.25f);
    return k;
}

TEST(CKnob, LinearDragUpwardsRaisesByTwoHundredPixelsPerRange) {
    Fixture f;
    CKnob* k = makeKnob(f);
    f.mouse.drag(30, 30, 30, -10);
    EXPECT_FLOAT_EQ(k->getValue(), 0.7f);
    f.mouse.drag(30, 30, 30, 130);
    EXPECT_FLOAT_EQ(k->getValue(), 0.2f);
    // Beyond the range the value stops at the end.
    f.mouse.drag(30, 30, 30, 500);
    EXPECT_EQ(k->getValue(), 0.f);
    // Rightwards counts like upwards.
    f.mouse.drag(30, 30, 70, 30);
    EXPECT_FLOAT_EQ(k->getValue(), 0.2f);
}

TEST(CKnob, ShiftDragIsTenTimesFinerAndSwitchingKeepsTheValue) {
    Fixture f;
    CKnob* k = makeKnob(f);
    f.mouse.drag(30, 30, 30, -10, kShift);
    EXPECT_NEAR(k->getValue(), 0.52f, 1e-6);
    // Coarse for 40 pixels, then fine for 40 more: no jump where shift goes down.
    f.mouse.move(30, 30);
    f.mouse.down(30, 30);
    f.mouse.move(30, -10, kLButton);
    EXPECT_NEAR(k->getValue(), 0.72f, 1e-6);
    f.mouse.move(30, -10, kLButton | kShift);
    EXPECT_NEAR(k->getValue(), 0.72f, 1e-6);
    f.mouse.move(30, -50, kLButton | kShift);
    EXPECT_NEAR(k->getValue(), 0.74f, 1e-6);
    f.mouse.up(30, -50);
}

TEST(CKnob, GestureIsBracketedByOneBeginAndOneEnd) {
    Fixture f;
    makeKnob(f, 7);
    f.mouse.drag(30, 30, 30, 10);
    ASSERT_EQ(f.editor.events.size(), 2u);
    EXPECT_EQ(f.editor.events[0], "begin 7");
    EXPECT_EQ(f.editor.events[1], "end 7");
    EXPECT_EQ(f.listener.begins, 1);
    EXPECT_EQ(f.listener.ends, 1);
    ASSERT_FALSE(f.listener.values.empty());
    EXPECT_FLOAT_EQ(f.listener.values.back(), 0.6f);
}

TEST(CKnob, ControlClickSetsTheDefaultInOneGesture) {
    Fixture f;
    CKnob* k = makeKnob(f, 3);
    f.mouse.move(30, 30);
    f.mouse.down(30, 30, kLButton | kControl);
    EXPECT_EQ(k->getValue(), 0.25f);
    EXPECT_EQ(f.editor.events, (std::vector<std::string>{"begin 3", "end 3"}));
    EXPECT_EQ(f.listener.values, (std::vector<float>{0.25f}));
    // The click wanted no further events: the drag that follows changes nothing.
    f.mouse.move(30, -100, kLButton | kControl);
    f.mouse.up(30, -100);
    EXPECT_EQ(k->getValue(), 0.25f);
    EXPECT_EQ(f.editor.events.size(), 2u);
}

TEST(CKnob, WheelStepsByATenthAndAHundredthWithShift) {
    Fixture f;
    CKnob* k = makeKnob(f, 4);
    f.mouse.wheel(30, 30, 1.f);
    EXPECT_FLOAT_EQ(k->getValue(), 0.6f);
    f.mouse.wheel(30, 30, -1.f, kShift);
    EXPECT_FLOAT_EQ(k->getValue(), 0.59f);
    EXPECT_EQ(f.editor.events, (std::vector<std::string>{"begin 4", "end 4", "begin 4", "end 4"}));
    // At the end of the range the wheel changes nothing and reports nothing.
    k->setValue(1.f);
    f.listener.values.clear();
    f.mouse.wheel(30, 30, 3.f);
    EXPECT_EQ(k->getValue(), 1.f);
    EXPECT_TRUE(f.listener.values.empty());
    f.mouse.wheel(30, 30, NAN);
    EXPECT_EQ(k->getValue(), 1.f);
}

TEST(CKnob, CircularModeFollowsTheAngleAndAltGivesLinear) {
    Fixture f(kCircularMode);
    CKnob* k = makeKnob(f);
    // Straight above the centre is the middle of the 270 degree sweep.
    f.mouse.move(35, 15);
    f.mouse.down(35, 15);
    EXPECT_NEAR(k->getValue(), 0.5f, 1e-6);
    f.mouse.move(55, 35, kLButton); // straight right: three quarters
    EXPECT_NEAR(k->getValue(), 5.f / 6.f, 1e-6);
    f.mouse.up(55, 35);
    k->setValue(0.5f);
    f.mouse.drag(35, 35, 35, 15, kAlt);
    EXPECT_FLOAT_EQ(k->getValue(), 0.6f);
}

TEST(CKnob, OnlyTheLeftButtonTurnsIt) {
    Fixture f;
    CKnob* k = makeKnob(f);
    f.mouse.move(30, 30);
    f.mouse.down(30, 30, kRButton);
    f.mouse.move(30, -100, kRButton);
    f.mouse.up(30, -100);
    EXPECT_EQ(k->getValue(), 0.5f);
    EXPECT_TRUE(f.editor.events.empty());
}

// Frame index for a value: floor(value * (frames - 1) * frame height) in whole frames.
struct FrameCase {
    float value;
    int frame;
};
class AnimKnobFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(AnimKnobFrame, PicksTheFilmstripFrame) {
    CBitmap* bitmap = new CBitmap("knob_normal.png");
    CAnimKnob knob(CRect(0, 0, 50, 65), nullptr, 0, 101, 65, bitmap);
    bitmap->forget();
    EXPECT_EQ(knob.getNumSubPixmaps(), 101);
    knob.setValue(GetParam().value);
    EXPECT_EQ(knob.getFrameIndex(), GetParam().frame);
}

INSTANTIATE_TEST_SUITE_P(Values, AnimKnobFrame,
                         ::testing::Values(FrameCase{0.f, 0}, FrameCase{0.005f, 0},
                                           FrameCase{0.0101f, 1}, FrameCase{0.5f, 50},
                                           FrameCase{0.999f, 99}, FrameCase{1.f, 100},
                                           FrameCase{2.f, 100}, FrameCase{-1.f, 0}));

TEST(CAnimKnob, FrameCountFollowsTheBitmapAndDrawsThatFrame) {
    const auto png = corvane::test::makeStrip(10, 10, 11);
    corvane::resources::ScopedResourceOverride o;
    o.replace("PNG", "strip.png", png.data(), png.size());
    CBitmap* strip = new CBitmap("strip.png");
    Fixture f;
    auto* knob = f.add(new CAnimKnob(CRect(20, 20, 30, 30), nullptr, 0, 101, 10, strip));
    strip->forget();
    EXPECT_EQ(knob->getNumSubPixmaps(), 11);
    knob->setValue(0.3f);
    f.frame->render();
    EXPECT_EQ(corvane::test::pixelAt(f.frame->getImage(), 25, 25).r, 3);
    // Without a bitmap the count stays as given and nothing is drawn.
    CAnimKnob bare(CRect(0, 0, 10, 10), nullptr, 0, 101, 10, nullptr);
    EXPECT_EQ(bare.getNumSubPixmaps(), 101);
}

struct SwitchCase {
    int positions;
    double clickY;
    float value;
};
class VerticalSwitchClick : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(VerticalSwitchClick, PicksTheBandUnderThePointer) {
    const SwitchCase c = GetParam();
    const double h = c.positions == 4 ? 63 : 48;
    Fixture f;
    auto* sw = f.add(new CVerticalSwitch(CRect(10, 10, 47, 10 + h), &f.listener, 2, c.positions, h,
                                         c.positions, nullptr));
    sw->setValue(c.value == 0.f ? 1.f : 0.f);
    f.mouse.move(20, 10 + c.clickY);
    f.mouse.down(20, 10 + c.clickY);
    f.mouse.up(20, 10 + c.clickY);
    EXPECT_NEAR(sw->getValue(), c.value, 1e-6);
    EXPECT_EQ(f.editor.events, (std::vector<std::string>{"begin 2", "end 2"}));
}

INSTANTIATE_TEST_SUITE_P(Bands, VerticalSwitchClick,
                         ::testing::Values(SwitchCase{2, 5, 0.f}, SwitchCase{2, 30, 1.f},
                                           SwitchCase{3, 15.9, 0.f}, SwitchCase{3, 16, 0.5f},
                                           SwitchCase{3, 47, 1.f}, SwitchCase{4, 15, 0.f},
                                           SwitchCase{4, 16, 1.f / 3}, SwitchCase{4, 40, 2.f / 3},
                                           SwitchCase{4, 62, 1.f}));

TEST(CVerticalSwitch, ShowsTheNearestPositionAndDragsAcrossBands) {
    Fixture f;
    auto* sw = f.add(new CVerticalSwitch(CRect(0, 0, 37, 63), &f.listener, 21, 4, 63, 4, nullptr));
    sw->setValue(1.f / 3);
    EXPECT_EQ(sw->getPosition(), 1);
    sw->setValue(0.6f);
    EXPECT_EQ(sw->getPosition(), 2);
    f.mouse.move(5, 5);
    f.mouse.down(5, 5);
    f.mouse.move(5, 200, kLButton); // far below: the last position
    EXPECT_EQ(sw->getValue(), 1.f);
    f.mouse.move(5, -50, kLButton);
    EXPECT_EQ(sw->getValue(), 0.f);
    f.mouse.up(5, -50);
    EXPECT_EQ(f.listener.values, (std::vector<float>{0.f, 1.f, 0.f}));
}

TEST(CHorizontalSwitch, PicksLeftOrRightHalf) {
    Fixture f;
    auto* sw =
        f.add(new CHorizontalSwitch(CRect(30, 20, 67, 44), &f.listener, 3, 2, 24, 2, nullptr));
    f.mouse.move(60, 30);
    f.mouse.down(60, 30);
    f.mouse.up(60, 30);
    EXPECT_EQ(sw->getValue(), 1.f);
    f.mouse.move(35, 30);
    f.mouse.down(35, 30);
    f.mouse.up(35, 30);
    EXPECT_EQ(sw->getValue(), 0.f);
}

TEST(CMovieButton, ClickTogglesAndDraggingOutTakesItBack) {
    Fixture f;
    auto* b = f.add(new CMovieButton(CRect(74, 145, 95, 169), &f.listener, 4, 24, nullptr));
    f.mouse.move(80, 150);
    f.mouse.down(80, 150);
    f.mouse.up(80, 150);
    EXPECT_EQ(b->getValue(), 1.f);
    EXPECT_TRUE(b->isOn());
    f.mouse.down(80, 150);
    f.mouse.move(120, 150, kLButton);
    EXPECT_EQ(b->getValue(), 1.f);
    f.mouse.up(120, 150);
    EXPECT_EQ(b->getValue(), 1.f);
    EXPECT_EQ(f.editor.events, (std::vector<std::string>{"begin 4", "end 4", "begin 4", "end 4"}));
    // A host value above the middle reads as on, and a click turns it off.
    b->setValue(0.7f);
    EXPECT_TRUE(b->isOn());
    f.mouse.move(80, 150);
    f.mouse.down(80, 150);
    f.mouse.up(80, 150);
    EXPECT_EQ(b->getValue(), 0.f);
}

TEST(CSplashScreen, ClickShowsOverEverythingAndTheNextClickHides) {
    const auto png = corvane::test::makePng(200, 200, [](cairo_t* cr) {
        cairo_set_source_rgb(cr, 0, 1, 0);
        cairo_paint(cr);
    });
    corvane::resources::ScopedResourceOverride o;
    o.replace("PNG", "about.png", png.data(), png.size());
    Fixture f;
    auto* knob = makeKnob(f);
    CBitmap* about = new CBitmap("about.png");
    auto* splash = f.add(
        new CSplashScreen(CRect(0, 0, 100, 20), &f.listener, 30, about, CRect(0, 0, 199, 199)));
    about->forget();
    f.frame->render();
    EXPECT_EQ(corvane::test::pixelAt(f.frame->getImage(), 5, 5).g, 0);

    f.mouse.move(5, 5);
    f.mouse.down(5, 5);
    f.mouse.up(5, 5);
    EXPECT_TRUE(splash->isSplashed());
    EXPECT_EQ(f.frame->getModalView(), splash);
    f.frame->render();
    EXPECT_EQ(corvane::test::pixelAt(f.frame->getImage(), 150, 150).g, 255);
    EXPECT_EQ(corvane::test::pixelAt(f.frame->getImage(), 199, 199).g, 0);

    // While shown, a drag over the knob does not reach it.
    f.mouse.move(30, 30);
    f.mouse.wheel(30, 30, 1.f);
    EXPECT_EQ(knob->getValue(), 0.5f);
    f.mouse.down(30, 30);
    EXPECT_FALSE(splash->isSplashed());
    EXPECT_EQ(f.frame->getModalView(), nullptr);
    EXPECT_EQ(splash->getViewSize(), CRect(0, 0, 100, 20));
    f.frame->render();
    EXPECT_EQ(corvane::test::pixelAt(f.frame->getImage(), 150, 150).g, 0);
    // The listener heard both changes; no edit gesture ever started.
    EXPECT_EQ(f.listener.values, (std::vector<float>{1.f, 0.f}));
    EXPECT_TRUE(f.editor.events.empty());
}

} // namespace
