#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Reducing a long series to what a picture of a given width can show: per pixel column only the
// lowest and the highest value, so that peaks survive however many rows fall into one column.
namespace drovane::plot {

struct Point {
    double x = 0.0;
    double y = 0.0;
};
using Polyline = std::vector<Point>;

// The packet axis [x0, x1] cut into `count` equal pixel columns.
class PixelColumns {
public:
    PixelColumns(double x0, double x1, std::size_t count);
    std::size_t Count() const { return count_; }
    double Width() const { return (x1_ - x0_) / static_cast<double>(count_); }
    // The column of x; values outside [x0, x1] go to the first or last column.
    std::size_t Of(double x) const;

private:
    double x0_;
    double x1_;
    std::size_t count_;
};

// Reduces the points (x[i], y[i]), in row order, to at most two per pixel column: the lowest and
// the highest, in the order in which they came. A NaN y is a missing value. The line goes on over
// missing values and breaks only where two neighbouring values lie more than `maxGap` apart in x
// and more than a column's width, so that the break shows. With x never decreasing the result
// holds at most 2 * columns.Count() points.
std::vector<Polyline> ReduceMinMax(const std::vector<double>& x, const std::vector<double>& y,
                                   const PixelColumns& columns, double maxGap);

// The usual distance in x between neighbouring values that are not NaN: the median, 1 when there
// are fewer than two values. A series that comes every fifth packet has 5.
double TypicalSpacing(const std::vector<double>& x, const std::vector<double>& y);

std::size_t PointCount(const std::vector<Polyline>& lines);

// A stretch of the packet axis.
struct Span {
    double x0 = 0.0;
    double x1 = 0.0;
};

// The stretches of consecutive rows whose mark is set, each widened by half a packet on either
// side, and joined where less than a pixel column lies between two of them.
std::vector<Span> MarkedSpans(const std::vector<double>& x, const std::vector<std::uint8_t>& marked,
                              const PixelColumns& columns);

}  // namespace drovane::plot
