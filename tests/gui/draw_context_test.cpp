#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace VSTGUI;
using corvane::test::pixelAt;

namespace {

struct Canvas {
    Canvas() : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 40, 40)) {
        cairo_t* cr = cairo_create(surface);
        context = new CDrawContext(cr, CRect(0, 0, 40, 40));
        cairo_destroy(cr);
    }
    ~Canvas() {
        context->forget();
        cairo_surface_destroy(surface);
    }
    corvane::test::Pixel at(int x, int y) {
        cairo_surface_flush(surface);
        return pixelAt(surface, x, y);
    }
    cairo_surface_t* surface;
    CDrawContext* context;
};

TEST(CDrawContext, AliasedLinesCoverWholePixels) {
    Canvas c;
    c.context->setFrameColor(kRedCColor);
    c.context->setLineWidth(1);
    c.context->moveTo(CPoint(2, 5));
    c.context->lineTo(CPoint(20, 5));
    EXPECT_EQ(c.at(10, 5).r, 255);
    EXPECT_EQ(c.at(10, 5).a, 255);
    EXPECT_EQ(c.at(10, 4).a, 0);
    EXPECT_EQ(c.at(10, 6).a, 0);
    EXPECT_EQ(c.context->getPenPosition(), CPoint(20, 5));
}

TEST(CDrawContext, SaveAndRestoreBringBackEveryState) {
    Canvas c;
    c.context->setFrameColor(kRedCColor);
    c.context->setLineWidth(2);
    c.context->setDrawMode(kAliasing);
    c.context->setClipRect(CRect(0, 0, 20, 20));
    c.context->saveGlobalState();
    c.context->setFrameColor(kWhiteCColor);
    c.context->setLineWidth(3);
    c.context->setDrawMode(kAntiAliasing);
    c.context->setClipRect(CRect(0, 0, 5, 5));
    c.context->restoreGlobalState();
    EXPECT_EQ(c.context->getFrameColor(), kRedCColor);
    EXPECT_EQ(c.context->getLineWidth(), 2);
    EXPECT_EQ(c.context->getDrawMode(), kAliasing);
    EXPECT_EQ(c.context->getClipRect(), CRect(0, 0, 20, 20));
    // The restored clip is in force again: 10,10 draws, 30,30 does not.
    c.context->setFillColor(kWhiteCColor);
    c.context->drawRect(CRect(0, 0, 40, 40), kDrawFilled);
    EXPECT_EQ(c.at(10, 10).a, 255);
    EXPECT_EQ(c.at(30, 30).a, 0);
}

TEST(CDrawContext, BitmapsDrawFromTheirOffsetWithAlpha) {
    const auto png = corvane::test::makeStrip(4, 4, 3);
    corvane::resources::ScopedResourceOverride o;
    o.replace("PNG", "strip.png", png.data(), png.size());
    CBitmap bitmap("strip.png");
    ASSERT_TRUE(bitmap.isLoaded());
    Canvas c;
    bitmap.draw(c.context, CRect(10, 10, 14, 14), CPoint(0, 8));
    EXPECT_EQ(c.at(11, 11).r, 2);
    EXPECT_EQ(c.at(11, 11).a, 255);
    EXPECT_EQ(c.at(14, 14).a, 0);
    bitmap.draw(c.context, CRect(20, 20, 24, 24), CPoint(0, 0), 0.5f);
    EXPECT_NEAR(c.at(21, 21).a, 128, 1);
    // Nothing for a missing bitmap, no alpha or no bitmap at all.
    CBitmap missing("missing.png");
    missing.draw(c.context, CRect(30, 30, 34, 34));
    bitmap.draw(c.context, CRect(30, 30, 34, 34), CPoint(), 0.f);
    c.context->drawBitmap(nullptr, CRect(30, 30, 34, 34));
    EXPECT_EQ(c.at(31, 31).a, 0);
}

TEST(CDrawContext, IgnoresNonFiniteInput) {
    Canvas c;
    c.context->setLineWidth(-1);
    c.context->setLineWidth(NAN);
    EXPECT_EQ(c.context->getLineWidth(), 1);
    c.context->moveTo(CPoint(NAN, 0));
    c.context->lineTo(CPoint(10, 10));
    c.context->lineTo(CPoint(20, 20));
    EXPECT_EQ(c.at(5, 5).a, 0);
    EXPECT_GT(c.at(15, 15).a, 0);
}

} // namespace
