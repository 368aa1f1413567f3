#include "editor/ccorvaneknob.h"
#include "editor/corvane_layout.h"
#include "editor/cvovizuduresource.h"
#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

using namespace VSTGUI;
using corvane::test::Mouse;

namespace {

struct Fixture {
    Fixture()
        : large(new CVovizuduResource(corvane::layout::kLargeFontId)),
          small(new CVovizuduResource(corvane::layout::kSmallFontId)),
          frame(new CFrame(CRect(0, 0, 730, 302), nullptr, &editor)) {}
    ~Fixture() {
        frame->forget();
        large->forget();
        small->forget();
    }
    CCorvaneKnob* knob(const CRect& r, const char* label, const char* bitmapName, int frameHeight,
                       CVovizuduResource* font, int tag = 11) {
        CBitmap* bitmap = new CBitmap(bitmapName);
        auto* k = new CCorvaneKnob(r, &listener, tag, label, 101, frameHeight, bitmap, font);
        bitmap->forget();
        frame->addView(k);
        return k;
    }
    CCorvaneKnob* rate() {
        return knob(CRect(299, 70, 349, 135), "RATE", "knob_normal.png", 65, large);
    }
    corvane::test::RecordingEditor editor;
    corvane::test::RecordingListener listener;
    CVovizuduResource* large;
    CVovizuduResource* small;
    CFrame* frame;
    Mouse mouse{*frame};
};

TEST(CCorvaneKnob, TextSitsAboveTheBottomByFontHeightTimesOnePointThree) {
    Fixture f;
    EXPECT_EQ(f.rate()->textPosition(), CPoint(324, 115));
    CCorvaneKnob* hpf = f.knob(CRect(428, 225, 465, 273), "HPF", "knob_small.png", 48, f.small);
    EXPECT_EQ(hpf->textPosition(), CPoint(446, 256));
    CCorvaneKnob* cutoff =
        f.knob(CRect(130, 135, 207, 225), "CUTOFF", "knob_large.png", 95, f.large);
    EXPECT_EQ(cutoff->textPosition(), CPoint(168, 205));
    EXPECT_EQ(cutoff->getNumSubPixmaps(), 101);
}

TEST(CCorvaneKnob, LabelIsDrawnCentredFromTheTextTop) {
    Fixture f;
    f.rate();
    f.frame->render();
    // Below the knob picture only the text has ink.
    const CRect ink = corvane::test::inkBox(f.frame->getImage(), CRect(299, 115, 349, 135), 0);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.top, 115);
    EXPECT_LE(ink.bottom, 130);
    const double width = f.large->getStringWidth("RATE");
    EXPECT_NEAR(ink.left, 324 - width / 2, 1.0);
    EXPECT_LE(ink.right, 324 + width / 2 + 1);
}

TEST(CCorvaneKnob, HoverShowsTheReadOutAndLeavingBringsBackTheLabel) {
    Fixture f;
    CCorvaneKnob* k = f.rate();
    EXPECT_EQ(k->getShownText(), "RATE");
    EXPECT_EQ(k->getValueText(), "--");
    f.mouse.move(320, 90);
    EXPECT_EQ(k->getShownText(), "--");
    k->setValueText("1.00Hz");
    EXPECT_EQ(k->getShownText(), "1.00Hz");
    EXPECT_TRUE(k->isDirty());
    f.mouse.move(10, 10);
    EXPECT_EQ(k->getShownText(), "RATE");
    k->setValueText("2.00Hz");
    EXPECT_EQ(k->getShownText(), "RATE");
    f.mouse.move(320, 90);
    EXPECT_EQ(k->getShownText(), "2.00Hz");
    CPoint away(-5, -5);
    f.frame->onMouseExited(away, 0);
    EXPECT_EQ(k->getShownText(), "RATE");
}

TEST(CCorvaneKnob, AReadOutThatReadsLikeTheLabelDoesNotConfuseTheState) {
    Fixture f;
    CCorvaneKnob* k = f.knob(CRect(24, 196, 74, 261), "MIX", "knob_normal.png", 65, f.large, 2);
    k->setValueText("MIX");
    k->setValueText("50%");
    EXPECT_EQ(k->getShownText(), "MIX");
}

TEST(CCorvaneKnob, ShowsLabelOrReadOutAsPixels) {
    Fixture f;
    CCorvaneKnob* k = f.rate();
    k->setValueText("1/16T");
    f.frame->render();
    const CRect textArea(299, 115, 349, 130);
    auto snapshot = [&] {
        std::vector<int> v;
        for (int y = int(textArea.top); y < int(textArea.bottom); ++y)
            for (int x = int(textArea.left); x < int(textArea.right); ++x)
                v.push_back(corvane::test::pixelAt(f.frame->getImage(), x, y).r);
        return v;
    };
    const auto label = snapshot();
    f.mouse.move(320, 90);
    f.frame->render();
    const auto readout = snapshot();
    EXPECT_NE(label, readout);
    f.mouse.move(5, 5);
    f.frame->render();
    EXPECT_EQ(snapshot(), label);
    // The text stays inside its rows: nothing of it below row 130.
    bool below = false;
    for (int x = 299; x < 349; ++x)
        below |= corvane::test::pixelAt(f.frame->getImage(), x, 131).r > 200;
    EXPECT_FALSE(below);
}

TEST(CCorvaneKnob, IsAnAnimKnobAndDragsLikeOne) {
    Fixture f;
    CCorvaneKnob* k = f.rate();
    for (const char* name : {"CCorvaneKnob", "CAnimKnob", "CKnob", "CControl", "CView"})
        EXPECT_TRUE(k->isTypeOf(name)) << name;
    EXPECT_FALSE(k->isTypeOf("CTWTextDisplay"));
    k->setValue(0.5f);
    f.mouse.drag(320, 90, 320, 70);
    EXPECT_NEAR(k->getValue(), 0.6f, 1e-6);
    k->setValue(0.6f);
    EXPECT_EQ(k->getFrameIndex(), 60);
    EXPECT_EQ(f.editor.events, (std::vector<std::string>{"begin 11", "end 11"}));
}

TEST(CCorvaneKnob, ACopySharesTheFontAndShowsItsLabel) {
    Fixture f;
    CCorvaneKnob* k = f.rate();
    const int refs = f.large->getNbReference();
    k->setValueText("3.0Hz");
    f.mouse.move(320, 90);
    CView* copy = k->newCopy();
    ASSERT_TRUE(copy->isTypeOf("CCorvaneKnob"));
    auto* c = static_cast<CCorvaneKnob*>(copy);
    EXPECT_EQ(f.large->getNbReference(), refs + 1);
    EXPECT_EQ(c->getLabelText(), "RATE");
    EXPECT_EQ(c->getValueText(), "3.0Hz");
    EXPECT_EQ(c->getShownText(), "RATE");
    copy->forget();
    EXPECT_EQ(f.large->getNbReference(), refs);
}

TEST(CCorvaneKnob, WorksWithoutFontOrBitmap) {
    corvane::resources::ScopedResourceOverride o;
    o.hideAll();
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr, nullptr);
    auto* k = new CCorvaneKnob(CRect(10, 10, 60, 75), nullptr, 0, "X", 101, 65,
                               new CBitmap("knob_normal.png"), nullptr);
    k->getBackground()->forget();
    frame->addView(k);
    k->setValueText("1");
    frame->render();
    EXPECT_TRUE(corvane::test::inkBox(frame->getImage(), CRect(0, 0, 100, 100), 0).isEmpty());
    frame->forget();
}

} // namespace
