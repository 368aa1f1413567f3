#include "editor/ccorvaneknob.h"
#include "editor/corvane_layout.h"
#include "editor/corvane_panel.h"
#include "editor/ctwarrayview.h"
#include "editor/ctwtextdisplay.h"
#include "editor/cvovizuduresource.h"
#include "gui/vstgui.h"
#include "tests/editor/panel_test_util.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace VSTGUI;
namespace layout = corvane::layout;

namespace {

// The whole window built from the layout table, without a plug-in behind it.
struct Panel : CControlListener {
    Panel()
        : large(new CVovizuduResource(layout::kLargeFontId)),
          small(new CVovizuduResource(layout::kSmallFontId)), env(129), lfo(129) {
        CBitmap* background = new CBitmap("background.png");
        frame = new CFrame(
            CRect(0, 0, int16_t(background->getWidth()), int16_t(background->getHeight())), nullptr,
            &editor);
        frame->setBackgroundColor(CColor(127, 127, 127, 255));
        frame->setBackground(background);
        background->forget();
        corvane::PanelBitmaps bitmaps;
        for (const layout::ViewItem& item : layout::kViews) {
            CView* v = corvane::createPanelView(item, this, bitmaps, {large, small});
            frame->addView(v);
            if (item.kind == layout::ViewKind::EnvView)
                static_cast<CTWArrayView*>(v)->setArray(env.data(), 129);
            if (item.kind == layout::ViewKind::LFOView)
                static_cast<CTWArrayView*>(v)->setArray(lfo.data(), 129);
        }
    }
    ~Panel() override {
        frame->forget();
        large->forget();
        small->forget();
    }
    void valueChanged(CControl* c) override { changes.push_back(c->getTag()); }
    CControl* control(int tag) {
        for (int i = 0; i < frame->getNbViews(); ++i) {
            CView* v = frame->getView(i);
            if (v->isTypeOf("CControl") && static_cast<CControl*>(v)->getTag() == tag)
                return static_cast<CControl*>(v);
        }
        return nullptr;
    }
    CCorvaneKnob* knob(int tag) { return static_cast<CCorvaneKnob*>(control(tag)); }

    corvane::test::RecordingEditor editor;
    CVovizuduResource* large;
    CVovizuduResource* small;
    std::vector<float> env, lfo;
    std::vector<int> changes;
    CFrame* frame;
};

TEST(Panel, HoldsTheThirtyTwoViewsOfTheLayoutInOrder) {
    Panel p;
    EXPECT_EQ(p.frame->getViewSize(), CRect(0, 0, 730, 302));
    ASSERT_EQ(p.frame->getNbViews(), 32);
    for (int i = 0; i < 32; ++i) {
        const layout::ViewItem& item = layout::kViews[i];
        CView* v = p.frame->getView(i);
        EXPECT_TRUE(v->isTypeOf(corvane::test::className(item.kind))) << i;
        EXPECT_EQ(v->getViewSize(), CRect(item.x, item.y, item.x + item.w, item.y + item.h)) << i;
        if (item.tag >= 0 && v->isTypeOf("CControl")) {
            EXPECT_EQ(static_cast<CControl*>(v)->getTag(), item.tag) << i;
        }
        if (item.kind == layout::ViewKind::Knob) {
            auto* k = static_cast<CCorvaneKnob*>(v);
            EXPECT_EQ(k->getLabelText(), item.label);
            EXPECT_EQ(k->getNumSubPixmaps(), 101);
        }
    }
    // Every parameter but LFO Trigger (16) has its control.
    for (int tag = 0; tag < 29; ++tag)
        EXPECT_EQ(p.control(tag) != nullptr, tag != 16) << tag;
}

TEST(Panel, ClickingTheWordMarkShowsTheAboutScreenWithoutAnEdit) {
    Panel p;
    p.frame->render();
    const auto before = corvane::test::pixelAt(p.frame->getImage(), 365, 128);
    corvane::test::Mouse m{*p.frame};
    m.move(60, 20);
    m.down(60, 20);
    m.up(60, 20);
    p.frame->render();
    const auto after = corvane::test::pixelAt(p.frame->getImage(), 365, 128);
    EXPECT_NE(before.r + before.g + before.b, after.r + after.g + after.b);
    EXPECT_EQ(p.changes, (std::vector<int>{layout::kAboutTag}));
    EXPECT_TRUE(p.editor.events.empty());
    p.frame->writePNG("editor_preview_about.png");
    m.down(400, 200);
    EXPECT_EQ(p.changes.size(), 2u);
    EXPECT_EQ(p.frame->getModalView(), nullptr);
}

// Renders the window in a typical state: the screenshot of the panel.
TEST(Panel, RendersAPreview) {
    Panel p;
    const float values[29] = {0.5f,  0.62f, 0.35f, 0.f,  1.f,   0.57f,   0.7f,  0.5f,
                              0.62f, 0.4f,  0.3f,  0.5f, 0.1f,  2 / 3.f, 0.5f,  0.f,
                              0.f,   0.25f, 0.55f, 0.f,  0.45f, 1 / 3.f, 0.87f, 0.2f,
                              1.f,   0.5f,  0.68f, 0.5f, 0.f};
    for (int tag = 0; tag < 29; ++tag)
        if (CControl* c = p.control(tag)) c->setValue(tag == 15 ? 1.f - values[tag] : values[tag]);
    for (int i = 0; i < 129; ++i) {
        p.lfo[i] = 0.5f + 0.45f * std::sin(i * 0.19f);
        p.env[i] = 5.f + 4.f * std::sin(i * 0.07f) * std::sin(i * 0.31f);
    }
    p.knob(5)->setValueText("1000Hz");
    corvane::test::Mouse m{*p.frame};
    m.move(150, 150);
    EXPECT_EQ(p.knob(5)->getShownText(), "1000Hz");
    ASSERT_TRUE(p.frame->writePNG("editor_preview.png"));
}

TEST(Panel, WithoutAnyResourceTheWindowStillBuildsAndDraws) {
    corvane::resources::ScopedResourceOverride o;
    o.hideAll();
    Panel p;
    EXPECT_EQ(p.frame->getViewSize(), CRect(0, 0, 0, 0));
    EXPECT_EQ(p.frame->getNbViews(), 32);
    EXPECT_EQ(p.large->getHeight(), 0);
    p.frame->render();
    corvane::test::Mouse m{*p.frame};
    m.move(150, 150);
    m.down(60, 20);
    p.frame->idle();
    // Without its bitmap the logo still answers a click by opening the about screen.
    EXPECT_EQ(p.changes, std::vector<int>{layout::kAboutTag});
    EXPECT_EQ(p.control(layout::kAboutTag)->getValue(), 1.0f);
    EXPECT_EQ(p.frame->getNbViews(), 32);
}

} // namespace
