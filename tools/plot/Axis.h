#pragma once
#include <string>
#include <vector>

// Axis scales with "nice" tick steps: 1, 2 or 5 times a power of ten.
namespace drovane::plot {

// The smallest step of the form {1, 2, 5} x 10^k that cuts `span` into at most `targetTicks`
// intervals (at least one).
double NiceStep(double span, int targetTicks);

struct AxisRange {
    double lo = 0.0;
    double hi = 1.0;
    double step = 0.2;
};

// [lo, hi] widened to whole multiples of the finest nice step that needs at most `maxIntervals`
// intervals. An empty or inverted range is widened around its value first.
AxisRange NiceRange(double lo, double hi, int maxIntervals);

// The multiples of `step` that lie in [lo, hi].
std::vector<double> TicksWithin(double lo, double hi, double step);

// A tick label with as many decimals as the step needs ("0.5", "20", "1500").
std::string FormatTick(double value, double step);

// A number with `decimals` decimals and its thousands grouped with commas ("12,345.6").
std::string FormatGrouped(double value, int decimals);

}  // namespace drovane::plot
