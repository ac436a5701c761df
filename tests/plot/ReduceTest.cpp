#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "tools/plot/Reduce.h"

namespace drovane::plot {
namespace {

const double kMissing = std::numeric_limits<double>::quiet_NaN();

std::vector<double> Packets(std::size_t count) {
    std::vector<double> x(count);
    for (std::size_t i = 0; i < count; ++i) x[i] = static_cast<double>(i + 1);
    return x;
}

TEST(PixelColumns, CutsTheAxisIntoEqualColumns) {
    PixelColumns columns(0.0, 100.0, 10);
    EXPECT_EQ(columns.Of(0.0), 0u);
    EXPECT_EQ(columns.Of(9.99), 0u);
    EXPECT_EQ(columns.Of(10.0), 1u);
    EXPECT_EQ(columns.Of(100.0), 9u);
    EXPECT_EQ(columns.Of(-5.0), 0u);
    EXPECT_EQ(columns.Of(500.0), 9u);
    EXPECT_DOUBLE_EQ(columns.Width(), 10.0);
}

TEST(ReduceMinMax, KeepsEveryPointWhenThereAreFewerRowsThanColumns) {
    std::vector<double> x = {1, 2, 5, 9};
    std::vector<double> y = {3, -1, 4, 1.5};
    auto lines = ReduceMinMax(x, y, PixelColumns(1, 9, 1000), 4);
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[0][i].x, x[i]);
        EXPECT_EQ(lines[0][i].y, y[i]);
    }
}

TEST(ReduceMinMax, AMillionRowsKeepTheirPeaksInAFewThousandPoints) {
    constexpr std::size_t kRows = 1'000'000;
    constexpr std::size_t kColumns = 1032;
    std::vector<double> x = Packets(kRows);
    std::vector<double> y(kRows);
    for (std::size_t i = 0; i < kRows; ++i) y[i] = 50.0 + 20.0 * std::sin(static_cast<double>(i) / 5000.0);
    y[123'457] = 180.0;  // one packet's spike
    y[876'543] = -40.0;  // and one dip
    auto lines = ReduceMinMax(x, y, PixelColumns(1, kRows, kColumns), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LE(PointCount(lines), 2 * kColumns);
    EXPECT_GE(PointCount(lines), kColumns);
    auto [low, high] =
        std::minmax_element(lines[0].begin(), lines[0].end(), [](const Point& a, const Point& b) { return a.y < b.y; });
    EXPECT_EQ(high->y, 180.0);
    EXPECT_EQ(high->x, 123'458.0);
    EXPECT_EQ(low->y, -40.0);
    EXPECT_EQ(low->x, 876'544.0);
    // Points stay in packet order.
    EXPECT_TRUE(
        std::is_sorted(lines[0].begin(), lines[0].end(), [](const Point& a, const Point& b) { return a.x < b.x; }));
}

TEST(ReduceMinMax, EachColumnKeepsItsLowestAndHighestInTheirOrder) {
    PixelColumns columns(0, 20, 2);  // packets 0..9.99 and 10..20
    std::vector<double> x = {0, 1, 2, 3, 10, 11, 12};
    std::vector<double> y = {5, 9, 1, 6, 7, 2, 8};
    auto lines = ReduceMinMax(x, y, columns, 1);
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 4u);
    // First column: the high (9 at x=1) came before the low (1 at x=2).
    EXPECT_EQ(lines[0][0].y, 9);
    EXPECT_EQ(lines[0][1].y, 1);
    // Second column: the low (2 at x=11) before the high (8 at x=12).
    EXPECT_EQ(lines[0][2].y, 2);
    EXPECT_EQ(lines[0][3].y, 8);
}

TEST(ReduceMinMax, ALongStretchOfMissingValuesBreaksTheLine) {
    std::vector<double> x = Packets(6);
    std::vector<double> y = {1, 2, kMissing, kMissing, 5, 6};
    auto lines = ReduceMinMax(x, y, PixelColumns(1, 6, 100), 2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 2u);
    EXPECT_EQ(lines[1].size(), 2u);
    EXPECT_EQ(lines[1][0].y, 5);
    // Packets 2 and 5 are three apart: with a gap of three allowed the line goes on.
    EXPECT_EQ(ReduceMinMax(x, y, PixelColumns(1, 6, 100), 3).size(), 1u);
}

TEST(ReduceMinMax, ASeriesSampledEveryFifthPacketIsOneLine) {
    std::vector<double> x = Packets(5000);
    std::vector<double> y(5000, kMissing);
    for (std::size_t i = 0; i < y.size(); i += 5) y[i] = static_cast<double>(i % 17);
    EXPECT_DOUBLE_EQ(TypicalSpacing(x, y), 5.0);
    EXPECT_EQ(ReduceMinMax(x, y, PixelColumns(1, 5000, 1000), 4 * TypicalSpacing(x, y)).size(), 1u);
    for (std::size_t i = 2000; i < 2100; ++i) y[i] = kMissing;  // an outage of 100 packets
    EXPECT_EQ(ReduceMinMax(x, y, PixelColumns(1, 5000, 1000), 4 * TypicalSpacing(x, y)).size(), 2u);
}

TEST(ReduceMinMax, AGapNarrowerThanAPixelDoesNotBreakTheLine) {
    std::vector<double> x = Packets(1000);
    std::vector<double> y(1000, 3.0);
    for (std::size_t i = 500; i < 550; ++i) y[i] = kMissing;  // 51 packets, a column is 99.9
    EXPECT_EQ(ReduceMinMax(x, y, PixelColumns(1, 1000, 10), 1).size(), 1u);
    for (std::size_t i = 700; i < 850; ++i) y[i] = kMissing;  // wider than a column: a break
    EXPECT_EQ(ReduceMinMax(x, y, PixelColumns(1, 1000, 10), 1).size(), 2u);
}

TEST(TypicalSpacing, IsTheMedianDistanceBetweenValues) {
    EXPECT_DOUBLE_EQ(TypicalSpacing({1, 2, 3, 4, 10}, {1, kMissing, 1, 1, 1}), 2.0);
    EXPECT_DOUBLE_EQ(TypicalSpacing({1, 2}, {1, kMissing}), 1.0);
    EXPECT_DOUBLE_EQ(TypicalSpacing({}, {}), 1.0);
}

TEST(ReduceMinMax, NothingToDrawGivesNoLine) {
    std::vector<double> x = Packets(3);
    EXPECT_TRUE(ReduceMinMax(x, {kMissing, kMissing, kMissing}, PixelColumns(1, 3, 10), 1).empty());
    EXPECT_TRUE(ReduceMinMax({}, {}, PixelColumns(0, 1, 10), 1).empty());
}

TEST(ReduceMinMax, AlternatingGapsStayWithinTheBound) {
    constexpr std::size_t kRows = 200'000;
    std::vector<double> x = Packets(kRows);
    std::vector<double> y(kRows);
    for (std::size_t i = 0; i < kRows; ++i) y[i] = i % 2 ? kMissing : static_cast<double>(i % 7);
    auto lines = ReduceMinMax(x, y, PixelColumns(1, kRows, 500), 1);
    EXPECT_LE(PointCount(lines), 1000u);
    EXPECT_LE(lines.size(), 500u);
}

TEST(MarkedSpans, MarksRunsOfRowsWidenedByHalfAPacket) {
    std::vector<double> x = {1, 2, 3, 4, 10, 11, 20};
    std::vector<std::uint8_t> marked = {0, 1, 1, 0, 1, 1, 1};
    auto spans = MarkedSpans(x, marked, PixelColumns(1, 20, 1000));
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_DOUBLE_EQ(spans[0].x0, 1.5);
    EXPECT_DOUBLE_EQ(spans[0].x1, 3.5);
    // 11 and 20 are neighbouring rows: the run goes on over the skipped packets.
    EXPECT_DOUBLE_EQ(spans[1].x0, 9.5);
    EXPECT_DOUBLE_EQ(spans[1].x1, 20.5);
}

TEST(MarkedSpans, JoinsRunsCloserThanAPixel) {
    constexpr std::size_t kRows = 100'000;
    std::vector<double> x = Packets(kRows);
    std::vector<std::uint8_t> marked(kRows);
    for (std::size_t i = 0; i < kRows; ++i) marked[i] = (i / 3) % 2;  // runs of three
    auto spans = MarkedSpans(x, marked, PixelColumns(1, kRows, 1000));
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_DOUBLE_EQ(spans[0].x0, 3.5);
    // Nothing marked, no span.
    EXPECT_TRUE(MarkedSpans(x, std::vector<std::uint8_t>(kRows, 0), PixelColumns(1, kRows, 1000)).empty());
}

}  // namespace
}  // namespace drovane::plot
