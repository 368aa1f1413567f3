#include "dsp/twdsp_saturator_inv_atan.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Saturator, DriveOneBringsUnityOutAtTheMakeUpLevel) {
    twdsp_saturator_inv_atan s;
    s.set_drive(1.0f);
    EXPECT_NEAR(s.process(1.0f), 0.899998f, 1e-6f);
    EXPECT_EQ(s.process(0.0f), 0.0f);
}

TEST(Saturator, IsOddSymmetricForEveryDrive) {
    twdsp_saturator_inv_atan s;
    for (float drive : {0.0001f, 0.001f, 0.5f, 1.0f, 3.0f, 7.0001f}) {
        s.set_drive(drive);
        for (float x = 0.0f; x < 2.0f; x += 0.01f)
            ASSERT_EQ(s.process(-x), -s.process(x));
    }
}

TEST(Saturator, SmallDrivesAreNearlyLinear) {
    twdsp_saturator_inv_atan s;
    EXPECT_NEAR(s.process(0.5f), 0.5f, 1e-3f);
    EXPECT_NEAR(s.process(-0.25f), -0.25f, 1e-3f);
}

TEST(Saturator, HighDriveFoldsOverPastThePeak) {
    twdsp_saturator_inv_atan s;
    s.set_drive(7.0f);
    EXPECT_GT(s.process(0.27f), s.process(0.6f));
    EXPECT_LT(s.process(0.2f), s.process(0.27f));
}

TEST(Saturator, ZeroOrNaNDriveStaysFinite) {
    twdsp_saturator_inv_atan s;
    for (float d : {0.0f, -1.0f, std::nanf(""), INFINITY}) {
        s.set_drive(d);
        EXPECT_TRUE(std::isfinite(s.process(0.0f)));
        EXPECT_TRUE(std::isfinite(s.process(0.7f)));
    }
}

} // namespace
