#include "gui/x11_desktop_scale.h"

#include <gtest/gtest.h>

using VSTGUI::x11::desktopScaleFrom;

namespace {

TEST(DesktopScale, XftDpiGivesTheScaleToTheNearestQuarter) {
    EXPECT_EQ(desktopScaleFrom(nullptr, "Xft.dpi:\t96\n"), 1.0);
    EXPECT_EQ(desktopScaleFrom(nullptr, "Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n"),
              1.5);
    EXPECT_EQ(desktopScaleFrom(nullptr, "Xft.dpi: 192"), 2.0);
    EXPECT_EQ(desktopScaleFrom(nullptr, "Xft.dpi:\t120\n"), 1.25);
    EXPECT_EQ(desktopScaleFrom(nullptr, "Xft.dpi:\t110\n"), 1.25);
    // Kept from 1 to 3.
    EXPECT_EQ(desktopScaleFrom(nullptr, "Xft.dpi:\t72\n"), 1.0);
    EXPECT_EQ(desktopScaleFrom(nullptr, "Xft.dpi:\t960\n"), 3.0);
}

TEST(DesktopScale, AWholeGdkScaleWins) {
    EXPECT_EQ(desktopScaleFrom("2", "Xft.dpi:\t96\n"), 2.0);
    EXPECT_EQ(desktopScaleFrom("1", "Xft.dpi:\t192\n"), 1.0);
    // Not a whole factor of 1 or more: the resources decide.
    EXPECT_EQ(desktopScaleFrom("1.5", "Xft.dpi:\t192\n"), 2.0);
    EXPECT_EQ(desktopScaleFrom("0", "Xft.dpi:\t144\n"), 1.5);
    EXPECT_EQ(desktopScaleFrom("two", nullptr), 1.0);
}

TEST(DesktopScale, NothingUsableMeansOneX) {
    EXPECT_EQ(desktopScaleFrom(nullptr, nullptr), 1.0);
    EXPECT_EQ(desktopScaleFrom("", ""), 1.0);
    for (const char* bad :
         {"Xft.dpi:\n", "Xft.dpi:\tnan\n", "Xft.dpi:\t-96\n", "Xft.dpi:\t96x\n", "Xft.dpi:\tinf\n",
          "Xft.dpix:\t192\n", "XXft.dpi:\t192\n", "Xft.dpi:\t1e400\n"})
        EXPECT_EQ(desktopScaleFrom(nullptr, bad), 1.0) << bad;
}

} // namespace
