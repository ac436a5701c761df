#include <gtest/gtest.h>

#include "tools/plot/Axis.h"

namespace drovane::plot {
namespace {

TEST(NiceStep, IsOneTwoOrFiveTimesAPowerOfTen) {
    EXPECT_DOUBLE_EQ(NiceStep(100, 5), 20);
    EXPECT_DOUBLE_EQ(NiceStep(7, 5), 2);
    EXPECT_DOUBLE_EQ(NiceStep(0.37, 5), 0.1);
    EXPECT_DOUBLE_EQ(NiceStep(1, 5), 0.2);
    EXPECT_DOUBLE_EQ(NiceStep(6000, 10), 1000);
    EXPECT_DOUBLE_EQ(NiceStep(6000, 5), 2000);
    EXPECT_DOUBLE_EQ(NiceStep(24, 5), 5);
    EXPECT_DOUBLE_EQ(NiceStep(1'000'000, 10), 100'000);
    EXPECT_DOUBLE_EQ(NiceStep(0, 5), 1);
}

TEST(NiceRange, WidensToWholeSteps) {
    AxisRange speed = NiceRange(0, 118.4, 5);
    EXPECT_DOUBLE_EQ(speed.lo, 0);
    EXPECT_DOUBLE_EQ(speed.step, 50);
    EXPECT_DOUBLE_EQ(speed.hi, 150);
    AxisRange current = NiceRange(-63, 41, 5);
    EXPECT_DOUBLE_EQ(current.step, 50);
    EXPECT_DOUBLE_EQ(current.lo, -100);
    EXPECT_DOUBLE_EQ(current.hi, 50);
    AxisRange soc = NiceRange(52, 61, 5);
    EXPECT_DOUBLE_EQ(soc.step, 2);
    EXPECT_DOUBLE_EQ(soc.lo, 52);
    EXPECT_DOUBLE_EQ(soc.hi, 62);
}

TEST(NiceRange, TakesTheFinestStepWithinTheIntervalLimit) {
    // A brief reverse at -3 km/h costs one interval of 20, not one of 50.
    AxisRange speed = NiceRange(-3, 120, 7);
    EXPECT_DOUBLE_EQ(speed.step, 20);
    EXPECT_DOUBLE_EQ(speed.lo, -20);
    EXPECT_DOUBLE_EQ(speed.hi, 120);
    // Steps of 2 would need 0..12, six intervals: too many for five, so steps of 5.
    AxisRange widened = NiceRange(0.5, 10.5, 5);
    EXPECT_DOUBLE_EQ(widened.step, 5);
    EXPECT_DOUBLE_EQ(widened.lo, 0);
    EXPECT_DOUBLE_EQ(widened.hi, 15);
}

TEST(NiceRange, HandlesFlatAndEmptyRanges) {
    AxisRange zero = NiceRange(0, 0, 5);
    EXPECT_DOUBLE_EQ(zero.lo, 0);
    EXPECT_GT(zero.hi, 0);
    AxisRange flat = NiceRange(60, 60, 5);
    EXPECT_LE(flat.lo, 60);
    EXPECT_GT(flat.hi, 60);
    AxisRange inverted = NiceRange(10, 0, 5);
    EXPECT_DOUBLE_EQ(inverted.lo, 0);
    EXPECT_DOUBLE_EQ(inverted.hi, 10);
}

TEST(TicksWithin, ListsTheMultiplesOfTheStepInTheRange) {
    EXPECT_EQ(TicksWithin(1, 6000, 1000), (std::vector<double>{1000, 2000, 3000, 4000, 5000, 6000}));
    EXPECT_EQ(TicksWithin(-100, 50, 50), (std::vector<double>{-100, -50, 0, 50}));
    std::vector<double> tenths = TicksWithin(0, 0.3, 0.1);
    ASSERT_EQ(tenths.size(), 4u);
    EXPECT_NEAR(tenths[3], 0.3, 1e-12);
    EXPECT_TRUE(TicksWithin(0, 1, 0).empty());
}

TEST(FormatTick, UsesAsManyDecimalsAsTheStep) {
    EXPECT_EQ(FormatTick(20, 10), "20");
    EXPECT_EQ(FormatTick(1500, 500), "1500");
    EXPECT_EQ(FormatTick(0.5, 0.5), "0.5");
    EXPECT_EQ(FormatTick(0.30000000000000004, 0.1), "0.3");
    EXPECT_EQ(FormatTick(0.25, 0.05), "0.25");
    EXPECT_EQ(FormatTick(-0.0, 1), "0");
    EXPECT_EQ(FormatTick(-1e-17, 0.1), "0.0");
    EXPECT_EQ(FormatTick(-50, 50), "-50");
}

TEST(FormatGrouped, GroupsThousands) {
    EXPECT_EQ(FormatGrouped(1234567, 0), "1,234,567");
    EXPECT_EQ(FormatGrouped(999, 0), "999");
    EXPECT_EQ(FormatGrouped(-1234.56, 1), "-1,234.6");
    EXPECT_EQ(FormatGrouped(999.96, 1), "1,000.0");
    EXPECT_EQ(FormatGrouped(-0.01, 1), "0.0");
    EXPECT_EQ(FormatGrouped(0, 0), "0");
}

}  // namespace
}  // namespace drovane::plot
