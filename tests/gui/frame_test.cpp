#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

using namespace VSTGUI;
using corvane::test::Mouse;
using corvane::test::pixelAt;
using corvane::test::RecordingEditor;

namespace {

// A view that logs what the frame does to it.
struct ProbeView : CView {
    ProbeView(const CRect& r, std::string n, std::vector<std::string>& l, bool& gone)
        : CView(r), name(std::move(n)), log(l), deleted(gone) {}
    ~ProbeView() override { deleted = true; }
    void draw(CDrawContext* context) override {
        context->setFillColor(colour);
        context->drawRect(size, kDrawFilled);
        ++draws;
        setDirty(false);
    }
    CMouseEventResult onMouseEntered(CPoint&, const CButtonState&) override {
        log.push_back("enter " + name);
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseExited(CPoint&, const CButtonState&) override {
        log.push_back("exit " + name);
        return kMouseEventHandled;
    }
    std::string name;
    std::vector<std::string>& log;
    bool& deleted;
    CColor colour = kRedCColor;
    int draws = 0;
};

struct Fixture {
    Fixture() : frame(new CFrame(CRect(0, 0, 100, 60), nullptr, &editor)) {}
    ~Fixture() {
        if (frame != nullptr) frame->forget();
    }
    ProbeView* probe(const CRect& r, const char* name) {
        auto* v = new ProbeView(r, name, log, deleted[name]);
        frame->addView(v);
        return v;
    }
    RecordingEditor editor;
    CFrame* frame;
    std::vector<std::string> log;
    std::map<std::string, bool> deleted;
    Mouse mouse{*frame};
};

TEST(CFrame, OwnsItsViewsInOrder) {
    Fixture f;
    ProbeView* a = f.probe(CRect(0, 0, 10, 10), "a");
    ProbeView* b = f.probe(CRect(0, 0, 10, 10), "b");
    EXPECT_EQ(f.frame->getNbViews(), 2);
    EXPECT_EQ(f.frame->getView(0), a);
    EXPECT_EQ(f.frame->getView(1), b);
    EXPECT_EQ(f.frame->getView(2), nullptr);
    EXPECT_EQ(a->getFrame(), f.frame);
    EXPECT_FALSE(f.frame->addView(a));
    EXPECT_FALSE(f.frame->addView(nullptr));
    EXPECT_TRUE(f.frame->removeView(a));
    EXPECT_TRUE(f.deleted["a"]);
    f.frame->forget();
    f.frame = nullptr;
    EXPECT_TRUE(f.deleted["b"]);
}

TEST(CFrame, HoverEntersAndExitsTheTopmostView) {
    Fixture f;
    f.probe(CRect(0, 0, 50, 50), "under");
    f.probe(CRect(20, 20, 40, 40), "over");
    f.mouse.move(5, 5);
    f.mouse.move(25, 25);
    f.mouse.move(26, 26);
    f.mouse.move(90, 55);
    EXPECT_EQ(f.log,
              (std::vector<std::string>{"enter under", "exit under", "enter over", "exit over"}));
    f.log.clear();
    f.mouse.move(5, 5);
    CPoint out(200, 5);
    f.frame->onMouseExited(out, 0);
    EXPECT_EQ(f.log, (std::vector<std::string>{"enter under", "exit under"}));
}

TEST(CFrame, HoverStaysDuringADragAndSettlesOnRelease) {
    Fixture f;
    CKnob* knob = new CKnob(CRect(0, 0, 40, 40), nullptr, 8, nullptr, nullptr);
    f.frame->addView(knob);
    f.probe(CRect(60, 0, 100, 40), "other");
    f.mouse.move(10, 10);
    f.mouse.down(10, 10);
    EXPECT_EQ(f.frame->getMouseDownView(), knob);
    f.mouse.move(80, 10, kLButton);
    CPoint out(300, 300);
    f.frame->onMouseExited(out, kLButton);
    EXPECT_TRUE(f.log.empty());
    f.mouse.up(80, 10);
    EXPECT_EQ(f.frame->getMouseDownView(), nullptr);
    EXPECT_EQ(f.log, (std::vector<std::string>{"enter other"}));
    EXPECT_EQ(f.editor.events, (std::vector<std::string>{"begin 8", "end 8"}));
}

TEST(CFrame, AReleaseItNeverSawStillEndsTheGesture) {
    Fixture f;
    f.frame->addView(new CKnob(CRect(0, 0, 40, 40), nullptr, 8, nullptr, nullptr));
    f.mouse.move(10, 10);
    f.mouse.down(10, 10);
    f.mouse.move(10, 0, kLButton);
    // Back over the window with no button held: the button went up elsewhere.
    f.mouse.move(10, 10, 0);
    EXPECT_EQ(f.editor.events, (std::vector<std::string>{"begin 8", "end 8"}));
    EXPECT_EQ(f.frame->getMouseDownView(), nullptr);
}

TEST(CFrame, ClosingDuringADragEndsTheGesture) {
    Fixture f;
    f.frame->addView(new CKnob(CRect(0, 0, 40, 40), nullptr, 8, nullptr, nullptr));
    f.mouse.move(10, 10);
    f.mouse.down(10, 10);
    f.frame->forget();
    f.frame = nullptr;
    EXPECT_EQ(f.editor.events, (std::vector<std::string>{"begin 8", "end 8"}));
}

TEST(CFrame, RendersBackgroundThenViewsAndRedrawsOnlyWhatIsDirty) {
    Fixture f;
    f.frame->setBackgroundColor(CColor(127, 127, 127, 255));
    ProbeView* a = f.probe(CRect(10, 10, 30, 30), "a");
    ProbeView* b = f.probe(CRect(60, 10, 80, 30), "b");
    EXPECT_TRUE(f.frame->render());
    EXPECT_EQ(pixelAt(f.frame->getImage(), 5, 5).r, 127);
    EXPECT_EQ(pixelAt(f.frame->getImage(), 15, 15).r, 255);
    EXPECT_EQ(a->draws, 1);
    EXPECT_FALSE(f.frame->render());
    a->colour = CColor(0, 0, 255, 255);
    a->setDirty();
    f.frame->idle();
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(b->draws, 1);
    EXPECT_EQ(pixelAt(f.frame->getImage(), 15, 15).b, 255);
    // Moving a view redraws the area it left.
    a->setViewSize(CRect(40, 40, 50, 50));
    f.frame->render();
    EXPECT_EQ(pixelAt(f.frame->getImage(), 15, 15).r, 127);
    EXPECT_EQ(pixelAt(f.frame->getImage(), 45, 45).b, 255);
}

// At a scale the image is the frame's size times the scale, rounded up, and wholly painted, the
// last column and row (only partly inside the frame at 1.25x) included; views sit at their place
// times the scale.
TEST(CFrame, AtAScaleTheImageIsScaledAndWhollyPainted) {
    CFrame* frame = new CFrame(CRect(0, 0, 101, 61), nullptr, nullptr);
    frame->setBackgroundColor(CColor(127, 127, 127, 255));
    struct Box : CView {
        using CView::CView;
        void draw(CDrawContext* context) override {
            context->setFillColor(kRedCColor);
            context->drawRect(size, kDrawFilled);
        }
    };
    frame->addView(new Box(CRect(10, 10, 30, 30)));
    frame->setScale(1.25);
    EXPECT_EQ(frame->getScale(), 1.25);
    cairo_surface_t* image = frame->getImage();
    ASSERT_EQ(cairo_image_surface_get_width(image), 127);
    ASSERT_EQ(cairo_image_surface_get_height(image), 77);
    frame->render();
    EXPECT_EQ(pixelAt(image, 126, 76).a, 255);
    EXPECT_EQ(pixelAt(image, 126, 76).r, 127);
    EXPECT_EQ(pixelAt(image, 13, 13).r, 255);
    EXPECT_EQ(pixelAt(image, 11, 11).r, 127);
    frame->forget();
}

TEST(CFrame, ClipsEachViewToItsRectangle) {
    struct Spill : CView {
        using CView::CView;
        void draw(CDrawContext* context) override {
            context->setFillColor(kWhiteCColor);
            context->drawRect(CRect(0, 0, 100, 60), kDrawFilled);
        }
    };
    Fixture f;
    f.frame->addView(new Spill(CRect(10, 10, 20, 20)));
    f.frame->render();
    EXPECT_EQ(pixelAt(f.frame->getImage(), 15, 15).r, 255);
    EXPECT_EQ(pixelAt(f.frame->getImage(), 25, 15).r, 0);
}

TEST(CFrame, WritesAPngOfItself) {
    Fixture f;
    f.probe(CRect(10, 10, 30, 30), "a");
    const std::string path = ::testing::TempDir() + "frame_test.png";
    ASSERT_TRUE(f.frame->writePNG(path.c_str()));
    cairo_surface_t* read = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(read), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(read), 100);
    EXPECT_EQ(cairo_image_surface_get_height(read), 60);
    EXPECT_EQ(pixelAt(read, 20, 20).r, 255);
    cairo_surface_destroy(read);
    std::remove(path.c_str());
    EXPECT_FALSE(f.frame->writePNG(nullptr));
}

TEST(CFrame, KnobModeComesFromTheEditor) {
    RecordingEditor circular(kRelativCircularMode);
    CFrame* a = new CFrame(CRect(0, 0, 10, 10), nullptr, &circular);
    EXPECT_EQ(a->getKnobMode(), kRelativCircularMode);
    EXPECT_EQ(a->getEditor(), &circular);
    a->forget();
    CFrame* none = new CFrame(CRect(0, 0, 0, 0), nullptr, nullptr);
    EXPECT_EQ(none->getKnobMode(), kCircularMode);
    none->render();
    none->forget();
}

} // namespace
