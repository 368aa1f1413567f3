#include "editor/corvane_layout.h"
#include "gui/cbitmap.h"
#include "resources/corvane_resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using corvane::resources::findResource;
using corvane::resources::ResourceData;
using corvane::resources::ScopedResourceOverride;

namespace {

bool isPng(const ResourceData& d) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return d && d.size > 8 && std::memcmp(d.bytes, kSignature, 8) == 0;
}

TEST(ResourceLookup, NamesMatchWithoutRegardToCase) {
    const ResourceData lower = findResource("PNG", "background.png");
    ASSERT_TRUE(isPng(lower));
    for (const char* name : {"BACKGROUND.PNG", "Background.Png", "bAcKgRoUnD.pNg"}) {
        const ResourceData other = findResource("PNG", name);
        EXPECT_EQ(other.bytes, lower.bytes) << name;
        EXPECT_EQ(other.size, lower.size) << name;
    }
    EXPECT_EQ(findResource("png", "background.png").bytes, lower.bytes);
}

TEST(ResourceLookup, NumericIdsFindSheetsAndTablesSeparately) {
    for (int id : {20000, 20001}) {
        EXPECT_TRUE(isPng(findResource("PNG", id))) << id;
        const ResourceData table = findResource("VOVIZUDU_MAP", id);
        ASSERT_TRUE(table) << id;
        EXPECT_EQ(table.size, 1540u);
        EXPECT_EQ(std::memcmp(table.bytes, "VOVIZUDU", 8), 0);
    }
    // An id is not a name: "20000" names nothing.
    EXPECT_FALSE(findResource("PNG", "20000"));
    EXPECT_FALSE(findResource("PNG", "20000.png"));
}

TEST(ResourceLookup, MissingResourcesAnswerEmpty) {
    EXPECT_FALSE(findResource("PNG", "nothing.png"));
    EXPECT_FALSE(findResource("PNG", "background"));
    EXPECT_FALSE(findResource("VOVIZUDU_MAP", "background.png"));
    EXPECT_FALSE(findResource("PNG", 19999));
    EXPECT_FALSE(findResource("PNG", -1));
    EXPECT_FALSE(findResource(nullptr, "background.png"));
    EXPECT_FALSE(findResource("PNG", static_cast<const char*>(nullptr)));
    const ResourceData none = findResource("BITMAP", 20000);
    EXPECT_EQ(none.bytes, nullptr);
    EXPECT_EQ(none.size, 0u);
}

TEST(ResourceOverride, HidesAndReplacesWhileAliveAndNests) {
    const unsigned char replacement[3] = {1, 2, 3};
    {
        ScopedResourceOverride outer;
        outer.hide("PNG", "ABOUT.png");
        outer.replace("VOVIZUDU_MAP", 20001, replacement, sizeof replacement);
        EXPECT_FALSE(findResource("PNG", "about.png"));
        EXPECT_EQ(findResource("VOVIZUDU_MAP", 20001).bytes, replacement);
        EXPECT_EQ(findResource("VOVIZUDU_MAP", 20001).size, 3u);
        EXPECT_TRUE(findResource("VOVIZUDU_MAP", 20000));
        {
            ScopedResourceOverride inner;
            inner.hideAll();
            EXPECT_FALSE(findResource("PNG", "background.png"));
            EXPECT_FALSE(findResource("VOVIZUDU_MAP", 20001));
        }
        EXPECT_TRUE(findResource("PNG", "background.png"));
        EXPECT_EQ(findResource("VOVIZUDU_MAP", 20001).bytes, replacement);
    }
    EXPECT_TRUE(isPng(findResource("PNG", "about.png")));
    EXPECT_EQ(findResource("VOVIZUDU_MAP", 20001).size, 1540u);
}

// Every bitmap of the window exists at the size and frame layout the views rely on.
class WindowBitmap : public ::testing::TestWithParam<corvane::layout::BitmapItem> {};

TEST_P(WindowBitmap, DecodesAtItsSize) {
    const corvane::layout::BitmapItem item = GetParam();
    VSTGUI::CBitmap bitmap(item.name);
    ASSERT_TRUE(bitmap.isLoaded()) << item.name;
    EXPECT_EQ(bitmap.getWidth(), item.width);
    EXPECT_EQ(bitmap.getHeight(), item.height);
    EXPECT_EQ(item.height % item.frames, 0);
}

INSTANTIATE_TEST_SUITE_P(All, WindowBitmap, ::testing::ValuesIn(corvane::layout::kBitmaps),
                         [](const auto& param_info) {
                             std::string n = param_info.param.name;
                             for (char& c : n)
                                 if (c == '.') c = '_';
                             return n;
                         });

TEST(WindowBitmap, GlyphSheetsAre256Square) {
    for (int id : {20000, 20001}) {
        VSTGUI::CBitmap sheet(id);
        EXPECT_EQ(sheet.getWidth(), 256);
        EXPECT_EQ(sheet.getHeight(), 256);
    }
}

// Also for a resource whose built-in bitmap was decoded before (and is kept for the process).
TEST(WindowBitmap, UnreadableOrMissingDataGivesAnEmptyBitmap) {
    auto before = std::make_unique<VSTGUI::CBitmap>("button.png");
    ASSERT_TRUE(before->isLoaded());
    const unsigned char junk[16] = {0x89, 'P', 'N', 'G', 0, 0, 0, 0};
    {
        ScopedResourceOverride o;
        o.replace("PNG", "junk.png", junk, sizeof junk);
        o.replace("PNG", "button.png", junk, sizeof junk);
        VSTGUI::CBitmap bad("junk.png");
        EXPECT_FALSE(bad.isLoaded());
        EXPECT_EQ(bad.getWidth(), 0);
        EXPECT_FALSE(VSTGUI::CBitmap("button.png").isLoaded());
        VSTGUI::CBitmap missing("missing.png");
        EXPECT_FALSE(missing.isLoaded());
        EXPECT_EQ(missing.getHeight(), 0);
    }
    // Bitmaps of one resource share its decoded image: each outlives the others.
    VSTGUI::CBitmap after("button.png");
    before.reset();
    EXPECT_EQ(after.getWidth(), 21);
    EXPECT_EQ(after.getHeight(), 48);
}

} // namespace
