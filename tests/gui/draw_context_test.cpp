#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

using namespace VSTGUI;
using corvane::test::pixelAt;

namespace {

// 40 x 40 frame pixels at a scale.
struct Canvas {
    explicit Canvas(double scale = 1)
        : surface(
              cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(40 * scale), int(40 * scale))) {
        cairo_t* cr = cairo_create(surface);
        context = new CDrawContext(cr, CRect(0, 0, 40, 40), scale);
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

// At 1x and as vectors at 2x: frame row 5, so surface rows 5, or 10 and 11, whole.
TEST(CDrawContext, AliasedLinesCoverWholePixelsAtTheScale) {
    for (int scale : {1, 2}) {
        Canvas c(scale);
        c.context->setFrameColor(kRedCColor);
        c.context->setLineWidth(1);
        c.context->moveTo(CPoint(2, 5));
        c.context->lineTo(CPoint(20, 5));
        EXPECT_EQ(c.at(10 * scale, 5 * scale).r, 255);
        EXPECT_EQ(c.at(10 * scale, 6 * scale - 1).a, 255);
        EXPECT_EQ(c.at(10 * scale, 5 * scale - 1).a, 0);
        EXPECT_EQ(c.at(10 * scale, 6 * scale).a, 0);
        EXPECT_EQ(c.context->getPenPosition(), CPoint(20, 5));
    }
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

// Three stacked frames of one grey level each, w x h frame pixels apiece.
std::vector<unsigned char> greyStrip(int w, int h, std::array<int, 3> levels) {
    return corvane::test::makePng(w, 3 * h, [&](cairo_t* cr) {
        for (int i = 0; i < 3; ++i) {
            cairo_set_source_rgb(cr, levels[i] / 255.0, levels[i] / 255.0, levels[i] / 255.0);
            cairo_rectangle(cr, 0, i * h, w, h);
            cairo_fill(cr);
        }
    });
}

// Above 1x a bitmap draws from its twice-sized picture (frames 0, 255, 0 here against the 1x
// picture's 10, 200, 10): at 2x pixel for pixel, between 1x and 2x reduced, with no grey pulled
// in from the neighbouring frames at the edges. A 2x picture of the wrong size is not used.
TEST(CDrawContext, ScaledContextsDrawTheTwiceSizedPicture) {
    const auto small = greyStrip(4, 4, {10, 200, 10});
    const auto large = greyStrip(8, 8, {0, 255, 0});
    const auto wrong = greyStrip(6, 6, {0, 255, 0});
    corvane::resources::ScopedResourceOverride o;
    o.replace("PNG", "strip.png", small.data(), small.size());
    o.replace("PNG_2X", "strip.png", large.data(), large.size());
    o.replace("PNG", "odd.png", small.data(), small.size());
    o.replace("PNG_2X", "odd.png", wrong.data(), wrong.size());
    for (double scale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        CBitmap bitmap("strip.png");
        Canvas c(scale);
        bitmap.draw(c.context, CRect(10, 10, 14, 14), CPoint(0, 4));
        const int first = int(std::ceil(10 * scale)), last = int(std::floor(14 * scale)) - 1;
        for (int y = first; y <= last; ++y)
            for (int x = first; x <= last; ++x) {
                ASSERT_EQ(c.at(x, y).r, scale == 1 ? 200 : 255) << scale << " " << x << "," << y;
                ASSERT_EQ(c.at(x, y).a, 255);
            }
        const int outside = int(std::ceil(14 * scale));
        EXPECT_EQ(c.at(outside, outside).a, 0) << scale;
    }
    CBitmap odd("odd.png");
    Canvas c(2);
    odd.draw(c.context, CRect(10, 10, 14, 14), CPoint(0, 4));
    EXPECT_EQ(c.at(22, 22).r, 200);
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
