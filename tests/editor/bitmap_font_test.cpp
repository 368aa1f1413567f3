#include "editor/corvane_layout.h"
#include "editor/cvovizuduresource.h"
#include "gui/vstgui.h"
#include "tests/editor/font_test_util.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace VSTGUI;
using corvane::resources::ScopedResourceOverride;
using corvane::test::glyph;
using corvane::test::makeGlyphTable;

namespace {

constexpr int kLarge = corvane::layout::kLargeFontId;
constexpr int kSmall = corvane::layout::kSmallFontId;

// An offscreen canvas to draw strings on.
struct Canvas {
    Canvas() {
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 40);
        cairo_t* cr = cairo_create(surface);
        context = new CDrawContext(cr, CRect(0, 0, 200, 40));
        cairo_destroy(cr);
    }
    ~Canvas() {
        context->forget();
        cairo_surface_destroy(surface);
    }
    CRect ink() {
        cairo_surface_flush(surface);
        return corvane::test::inkBox(surface, CRect(0, 0, 200, 40), 0);
    }
    cairo_surface_t* surface;
    CDrawContext* context;
};

TEST(BitmapFont, TheTwoFontsHaveTheirHeightsAndCharacterSet) {
    CVovizuduResource large(kLarge), small(kSmall);
    EXPECT_EQ(large.getHeight(), 15);
    EXPECT_EQ(small.getHeight(), 13);
    EXPECT_EQ(large.getRecordCount(), 95);
    EXPECT_EQ(small.getRecordCount(), 95);
    EXPECT_TRUE(large.getBitmap()->isLoaded());
    EXPECT_EQ(large.getAlpha(), 255);
    for (CVovizuduResource* font : {&large, &small}) {
        const VovizuduGlyph space = font->getGlyph(' ');
        EXPECT_EQ(space.code, ' ');
        EXPECT_EQ(space.width, 0);
        EXPECT_EQ(space.advance, 2);
        for (int c = 33; c <= 126; ++c) {
            if (c == 96) continue;
            const VovizuduGlyph g = font->getGlyph(c);
            EXPECT_EQ(g.code, c);
            EXPECT_GT(g.width, 0) << c;
            EXPECT_LE(g.x + g.width, 256);
            EXPECT_LE(g.y + g.height, 256);
        }
    }
}

TEST(BitmapFont, VersionTextIsTwentyNineWide) {
    CVovizuduResource font(kLarge);
    const int advances[] = {5, 6, 3, 6, 3, 6};
    const std::string text = "v1.0.1";
    for (size_t i = 0; i < text.size(); ++i) {
        EXPECT_EQ(font.getGlyph(text[i]).advance, advances[i]) << text[i];
        EXPECT_EQ(font.getGlyph(text[i]).xOffset, 0) << text[i];
    }
    EXPECT_EQ(font.getStringWidth(text), 29.0);
}

TEST(BitmapFont, TheJReachesOnePixelLeftOfThePen) {
    CVovizuduResource font(kLarge);
    const VovizuduGlyph j = font.getGlyph('j');
    EXPECT_EQ(j.xOffset, 1);
    EXPECT_EQ(j.advance, 3);
    EXPECT_EQ(font.getStringWidth("j"), 2.0);
    Canvas c;
    CPoint pen(10, 5);
    font.drawString(c.context, pen, "j", 0);
    EXPECT_EQ(pen.x, 13);
    EXPECT_EQ(pen.y, 5);
    const CRect ink = c.ink();
    EXPECT_EQ(ink.left, 9);
    EXPECT_GE(ink.top, 5);
    EXPECT_LE(ink.bottom, 20);
}

TEST(BitmapFont, ThePoundSignUsesTheLastRecord) {
    const auto table = corvane::resources::findResource("VOVIZUDU_MAP", kLarge);
    ASSERT_TRUE(table);
    const uint8_t* last = table.bytes + 20 + 16 * 94;
    CVovizuduResource font(kLarge);
    const VovizuduGlyph pound = font.getGlyph(163);
    EXPECT_EQ(pound.code, 163);
    EXPECT_EQ(pound.x, last[4] | (last[5] << 8));
    EXPECT_EQ(pound.y, last[6] | (last[7] << 8));
    EXPECT_GT(pound.width, 0);
    Canvas c;
    CPoint pen(10, 5);
    font.drawString(c.context, pen, "\xA3", 0);
    EXPECT_EQ(pen.x, 10 + pound.advance);
    EXPECT_FALSE(c.ink().isEmpty());
}

TEST(BitmapFont, TheGraveAccentDrawsAsTheSpace) {
    CVovizuduResource font(kSmall);
    const VovizuduGlyph grave = font.getGlyph('`');
    EXPECT_EQ(grave.code, ' ');
    EXPECT_EQ(grave.width, 0);
    Canvas c;
    CPoint pen(50, 5);
    font.drawString(c.context, pen, "`", 0);
    EXPECT_EQ(pen.x, 52);
    EXPECT_TRUE(c.ink().isEmpty());
    // From now on the byte has a record: still the space.
    EXPECT_EQ(font.getGlyph(96).code, ' ');
    EXPECT_EQ(font.getStringWidth("``"), 4.0);
}

TEST(BitmapFont, AlignmentMovesThePenByTheWidth) {
    CVovizuduResource font(kLarge);
    Canvas c;
    CPoint centred(100, 0);
    font.drawString(c.context, centred, "v1.0.1", 1);
    EXPECT_EQ(centred.x, 85.5 + 29);
    CPoint right(100, 0);
    font.drawString(c.context, right, "v1.0.1", 2);
    EXPECT_EQ(right.x, 100);
    CPoint odd(100, 0);
    font.drawString(c.context, odd, "v1.0.1", 7);
    EXPECT_EQ(odd.x, 129);
}

TEST(BitmapFont, CharIndexCountsWhatFits) {
    CVovizuduResource font(kLarge);
    const std::string text = "v1.0.1";
    EXPECT_EQ(font.getCharIndexAt(4.9, text), 0);
    EXPECT_EQ(font.getCharIndexAt(5.0, text), 1);
    EXPECT_EQ(font.getCharIndexAt(10.9, text), 1);
    EXPECT_EQ(font.getCharIndexAt(11.0, text), 2);
    EXPECT_EQ(font.getCharIndexAt(29.0, text), 6);
    EXPECT_EQ(font.getCharIndexAt(1000.0, text), 6);
    EXPECT_EQ(font.getCharIndexAt(-1.0, ""), 0);
}

TEST(BitmapFont, AMissingTableDrawsNothingAndMeasuresZero) {
    ScopedResourceOverride o;
    o.hide("VOVIZUDU_MAP", kLarge);
    CVovizuduResource font(kLarge);
    EXPECT_EQ(font.getRecordCount(), 0);
    EXPECT_EQ(font.getHeight(), 0);
    EXPECT_EQ(font.getStringWidth("v1.0.1"), 0.0);
    EXPECT_EQ(font.getCharIndexAt(0.0, "abc"), 3);
    EXPECT_EQ(font.getGlyph('a').advance, 0);
    Canvas c;
    CPoint pen(10, 5);
    font.drawString(c.context, pen, "v1.0.1", 1);
    EXPECT_EQ(pen.x, 10);
    EXPECT_TRUE(c.ink().isEmpty());
}

TEST(BitmapFont, AMissingSheetKeepsTheMetricsButDrawsNothing) {
    ScopedResourceOverride o;
    o.hide("PNG", kLarge);
    CVovizuduResource font(kLarge);
    EXPECT_FALSE(font.getBitmap()->isLoaded());
    EXPECT_EQ(font.getStringWidth("v1.0.1"), 29.0);
    Canvas c;
    CPoint pen(10, 5);
    font.drawString(c.context, pen, "v1.0.1", 0);
    EXPECT_EQ(pen.x, 39);
    EXPECT_TRUE(c.ink().isEmpty());
}

TEST(BitmapFont, ATableShorterThanItsCountIsReadOnlyAsFarAsItGoes) {
    // Three records present, 95 claimed.
    auto table = makeGlyphTable(
        {glyph(' ', 0, 0, 15, 0, 2), glyph('A', 1, 6, 15, 0, 7), glyph('B', 8, 6, 12, 0, 7)}, 95);
    ScopedResourceOverride o;
    o.replace("VOVIZUDU_MAP", kLarge, table.data(), table.size());
    CVovizuduResource font(kLarge);
    EXPECT_EQ(font.getRecordCount(), 3);
    EXPECT_EQ(font.getHeight(), 15);
    EXPECT_EQ(font.getStringWidth("AB"), 14.0);
    EXPECT_EQ(font.getGlyph('Z').code, ' ');

    // A header cut short has no records at all.
    ScopedResourceOverride cut;
    cut.replace("VOVIZUDU_MAP", kLarge, table.data(), 12);
    CVovizuduResource none(kLarge);
    EXPECT_EQ(none.getRecordCount(), 0);
    EXPECT_EQ(none.getStringWidth("AB"), 0.0);
}

TEST(BitmapFont, ALaterRecordForTheSameByteWinsAndHeightIsTheTallest) {
    auto table = makeGlyphTable(
        {glyph('x', 0, 3, 9, 0, 4), glyph('A', 1, 6, 11, 0, 7), glyph(0x141, 8, 6, 17, 0, 9)}, 3);
    ScopedResourceOverride o;
    o.replace("VOVIZUDU_MAP", kSmall, table.data(), table.size());
    CVovizuduResource font(kSmall);
    EXPECT_EQ(font.getGlyph('A').advance, 9);
    EXPECT_EQ(font.getHeight(), 17);
    // Without a space in the table, unknown characters take record 0, whatever it is.
    EXPECT_EQ(font.getGlyph('q').code, 'x');
}

TEST(BitmapFont, TablesBeyondAHundredAndTwentySevenRecordsStayIndexed) {
    std::vector<VovizuduGlyph> glyphs;
    for (int c = 0; c < 200; ++c)
        glyphs.push_back(glyph(uint16_t(c), 0, 1, 5, 0, uint16_t(c)));
    auto table = makeGlyphTable(glyphs, 200);
    ScopedResourceOverride o;
    o.replace("VOVIZUDU_MAP", kSmall, table.data(), table.size());
    CVovizuduResource font(kSmall);
    EXPECT_EQ(font.getGlyph(199).advance, 199);
    EXPECT_EQ(font.getGlyph(130).advance, 130);
}

TEST(BitmapFont, AlphaBelongsToTheFontAndScalesTheGlyphs) {
    CVovizuduResource font(kLarge);
    Canvas full, half;
    CPoint a(10, 5), b(10, 5);
    font.drawString(full.context, a, "H", 0);
    font.setAlpha(128);
    EXPECT_EQ(font.getBitmap()->getAlpha(), 128);
    font.drawString(half.context, b, "H", 0);
    int fullMax = 0, halfMax = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            fullMax = std::max(fullMax, corvane::test::pixelAt(full.surface, x, y).a);
            halfMax = std::max(halfMax, corvane::test::pixelAt(half.surface, x, y).a);
        }
    EXPECT_GT(fullMax, 200);
    EXPECT_NEAR(halfMax, fullMax * 128 / 255.0, 2);
}

} // namespace
