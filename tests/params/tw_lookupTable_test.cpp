#include "params/tw_lookupTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(LookupTableExponential, SpansItsRangeWithAGuardPoint) {
    tw_lookupTable table;
    table.fill(tw_lookupTable::kShapeExponential, 20.0f, 20000.0f);
    ASSERT_EQ(table.getCount(), 1024);
    EXPECT_FLOAT_EQ(table.getPoint(0), 20.0f);
    EXPECT_FLOAT_EQ(table.getPoint(1023), 20000.0f);
    EXPECT_EQ(table.getPoint(1024), table.getPoint(1023));
    EXPECT_FLOAT_EQ(table.lookup(0.0f), 20.0f);
    EXPECT_FLOAT_EQ(table.lookup(1.0f), 20000.0f);
    // Each step multiplies by the same ratio.
    const double ratio = table.getPoint(1) / static_cast<double>(table.getPoint(0));
    EXPECT_NEAR(table.getPoint(513) / static_cast<double>(table.getPoint(512)), ratio, 1e-6);
}

TEST(LookupTableExponential, InterpolatesCloseToTheCurve) {
    tw_lookupTable table;
    table.fill(tw_lookupTable::kShapeExponential, 0.01f, 100.0f);
    for (float p : {0.1f, 0.25f, 0.5f, 0.77f, 0.999f}) {
        const double exact = 0.01 * std::pow(10000.0, p);
        EXPECT_NEAR(table.lookup(p) / exact, 1.0, 2e-5) << "p = " << p;
    }
}

TEST(LookupTableDecibel, BottomPointIsSilence) {
    tw_lookupTable table;
    table.fill(tw_lookupTable::kShapeDecibel, -40.0f, 6.0f);
    EXPECT_EQ(table.getPoint(0), 0.0f);
    EXPECT_EQ(table.lookup(0.0f), 0.0f);
    EXPECT_NEAR(table.getPoint(1), std::pow(10.0, (-40.0 + 46.0 / 1023.0) / 20.0), 1e-7);
    EXPECT_NEAR(table.lookup(1.0f), std::pow(10.0, 6.0 / 20.0), 1e-5);
    // 0 dB sits at 40 / 46 of the range.
    EXPECT_NEAR(table.lookup(40.0f / 46.0f), 1.0, 1e-4);
}

TEST(LookupTable, RemembersTheLastResult) {
    tw_lookupTable table;
    table.fill(tw_lookupTable::kShapeExponential, 1.0f, 2.0f);
    EXPECT_EQ(table.getLastValue(), 1.0f);
    const float v = table.lookup(0.3f);
    EXPECT_EQ(table.getLastValue(), v);
}

TEST(LookupTable, PositionsOutsideTheRangeReadTheEnds) {
    tw_lookupTable table;
    table.fill(tw_lookupTable::kShapeExponential, 20.0f, 20000.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_FLOAT_EQ(table.lookup(nan), 20.0f);
    EXPECT_FLOAT_EQ(table.lookup(-inf), 20.0f);
    EXPECT_FLOAT_EQ(table.lookup(-0.5f), 20.0f);
    EXPECT_FLOAT_EQ(table.lookup(7.0f), 20000.0f);
    EXPECT_FLOAT_EQ(table.lookup(inf), 20000.0f);
    EXPECT_EQ(table.getPoint(-1), 0.0f);
    EXPECT_EQ(table.getPoint(5000), 0.0f);
}

TEST(LookupTable, ImpossibleRangesAndShapesStaySilent) {
    tw_lookupTable unknown;
    unknown.fill(123, 1.0f, 10.0f);
    EXPECT_EQ(unknown.lookup(0.5f), 0.0f);
    tw_lookupTable negative;
    negative.fill(tw_lookupTable::kShapeExponential, -1.0f, 10.0f);
    for (float p : {0.0f, 0.5f, 1.0f})
        EXPECT_TRUE(std::isfinite(negative.lookup(p)));
}

} // namespace
