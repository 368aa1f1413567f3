#include "editor/corvane_layout.h"
#include "editor/ctwtextdisplay.h"
#include "editor/cvovizuduresource.h"
#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

using namespace VSTGUI;
using corvane::test::inkBox;

namespace {

struct Fixture {
    Fixture() : font(new CVovizuduResource(corvane::layout::kLargeFontId)) {
        frame = new CFrame(CRect(0, 0, 730, 60), nullptr, nullptr);
        label = new CTWTextDisplay(CRect(620, 25, 690, 45), font);
        frame->addView(label);
    }
    ~Fixture() {
        frame->forget();
        font->forget();
    }
    CRect ink() {
        frame->render();
        return inkBox(frame->getImage(), CRect(600, 20, 730, 50), 0);
    }
    CVovizuduResource* font;
    CFrame* frame;
    CTWTextDisplay* label;
};

TEST(CTWTextDisplay, IsTheRightAlignedVersionLabel) {
    Fixture f;
    EXPECT_EQ(f.label->getText(), "v1.0.1");
    EXPECT_EQ(f.label->getLength(), 6);
    EXPECT_EQ(f.label->getAlignment(), 2);
    EXPECT_FALSE(f.label->getTransparency());
    EXPECT_EQ(f.font->getAlpha(), 255);
    EXPECT_EQ(f.font->getNbReference(), 2);
}

TEST(CTWTextDisplay, VersionCoversX661To690AndRows25To39) {
    Fixture f;
    EXPECT_EQ(f.label->textOrigin(), CPoint(661, 25));
    const CRect ink = f.ink();
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_EQ(ink.left, 661);
    EXPECT_LE(ink.right, 690);
    EXPECT_GE(ink.right, 687);
    EXPECT_GE(ink.top, 25);
    EXPECT_LE(ink.bottom, 40);
}

TEST(CTWTextDisplay, CentreUsesWholePixelHalfWidth) {
    Fixture f;
    f.label->setAlignment(1);
    // (620 + 690) / 2 - 29 / 2 in integers
    EXPECT_EQ(f.label->textOrigin().x, 641);
    f.label->setAlignment(0);
    EXPECT_EQ(f.label->textOrigin().x, 620);
}

TEST(CTWTextDisplay, OverwrittenTextAlignsByItsLengthButDrawsAll) {
    Fixture f;
    f.label->overwriteText("v1.0.1j1", 0);
    EXPECT_EQ(f.label->getText(), "v1.0.1j1");
    EXPECT_EQ(f.label->getLength(), 6);
    EXPECT_EQ(f.label->textOrigin().x, 661);
    f.label->setAlignment(1);
    EXPECT_EQ(f.label->textOrigin().x, 641);
    EXPECT_GT(f.ink().right, 641 + 29 + 2);
    // A position past the end changes nothing.
    f.label->overwriteText("x", 100);
    EXPECT_EQ(f.label->getText(), "v1.0.1j1");
    f.label->overwriteText("2", 5);
    EXPECT_EQ(f.label->getText(), "v1.0.2j1");
    f.label->clearText();
    EXPECT_EQ(f.label->getText(), "");
    EXPECT_EQ(f.label->getLength(), 6);
    EXPECT_TRUE(f.ink().isEmpty());
}

TEST(CTWTextDisplay, SetTextMarksDirtyOnlyOnChangeButAlwaysSetsLength) {
    Fixture f;
    f.frame->render();
    f.label->overwriteText("v1.0.1xx", 0);
    f.frame->render();
    EXPECT_EQ(f.label->getLength(), 6);
    f.label->setText("v1.0.1xx");
    EXPECT_FALSE(f.label->isDirty());
    EXPECT_EQ(f.label->getLength(), 8);
    f.label->setText("v2");
    EXPECT_TRUE(f.label->isDirty());
    EXPECT_EQ(f.label->getLength(), 2);
    f.label->setText(static_cast<const char*>(nullptr));
    EXPECT_EQ(f.label->getText(), "");
}

TEST(CTWTextDisplay, AlphaSetsTransparencyAndTheSharedFontAlpha) {
    Fixture f;
    f.label->setAlpha(100);
    EXPECT_TRUE(f.label->getTransparency());
    EXPECT_EQ(f.font->getAlpha(), 100);
    f.label->setAlpha(255);
    EXPECT_FALSE(f.label->getTransparency());
}

TEST(CTWTextDisplay, WithoutAFontItDrawsNothing) {
    CFrame* frame = new CFrame(CRect(0, 0, 730, 60), nullptr, nullptr);
    auto* label = new CTWTextDisplay(CRect(620, 25, 690, 45), nullptr);
    frame->addView(label);
    frame->render();
    EXPECT_TRUE(inkBox(frame->getImage(), CRect(600, 20, 730, 50), 0).isEmpty());
    CView* copy = label->newCopy();
    copy->forget();
    frame->forget();
}

} // namespace
