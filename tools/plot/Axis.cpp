#include "tools/plot/Axis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace drovane::plot {

double NiceStep(double span, int targetTicks) {
    if (!(span > 0.0) || !std::isfinite(span)) return 1.0;
    double raw = span / static_cast<double>(std::max(targetTicks, 1));
    double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double normal = raw / magnitude;
    constexpr double kSlack = 1e-9;
    double factor = normal <= 1.0 + kSlack ? 1.0 : normal <= 2.0 + kSlack ? 2.0 : normal <= 5.0 + kSlack ? 5.0 : 10.0;
    return factor * magnitude;
}

AxisRange NiceRange(double lo, double hi, int maxIntervals) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        lo = 0.0;
        hi = 1.0;
    }
    if (lo > hi) std::swap(lo, hi);
    if (hi - lo < 1e-9 * std::max(1.0, std::fabs(hi))) {
        double pad = lo == 0.0 ? 1.0 : std::fabs(lo) * 0.1;
        lo = lo == 0.0 ? 0.0 : lo - pad;
        hi += pad;
    }
    maxIntervals = std::max(maxIntervals, 1);
    AxisRange range;
    range.step = NiceStep(hi - lo, maxIntervals);
    while (true) {
        range.lo = std::floor(lo / range.step + 1e-9) * range.step;
        range.hi = std::ceil(hi / range.step - 1e-9) * range.step;
        if (range.hi <= range.lo) range.hi = range.lo + range.step;
        // Widening to whole steps can add an interval at either end: then take the next step.
        if ((range.hi - range.lo) / range.step <= maxIntervals + 1e-9) return range;
        range.step = NiceStep(range.step * 1.5, 1);
    }
}

std::vector<double> TicksWithin(double lo, double hi, double step) {
    std::vector<double> ticks;
    if (!(step > 0.0) || !std::isfinite(lo) || !std::isfinite(hi) || hi < lo) return ticks;
    double first = std::ceil(lo / step - 1e-9);
    double last = std::floor(hi / step + 1e-9);
    constexpr double kMaxTicks = 1000.0;
    if (last - first > kMaxTicks) return ticks;
    for (double k = first; k <= last; k += 1.0) {
        double value = k * step;
        ticks.push_back(value == 0.0 ? 0.0 : value);  // no "-0"
    }
    return ticks;
}

std::string FormatTick(double value, double step) {
    int decimals = 0;
    if (step > 0.0 && step < 1.0) decimals = static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    char text[64];
    if (std::fabs(value) >= 1e9) {  // no reading of the car gets there; keep the label short
        std::snprintf(text, sizeof text, "%.3g", value);
        return text;
    }
    std::snprintf(text, sizeof text, "%.*f", std::clamp(decimals, 0, 9), value);
    std::string out(text);
    if (out.find_first_not_of("-0.") == std::string::npos) return decimals > 0 ? out.substr(out[0] == '-') : "0";
    return out;
}

std::string FormatGrouped(double value, int decimals) {
    char text[64];
    if (!(std::fabs(value) < 1e15)) {
        std::snprintf(text, sizeof text, "%.3g", value);
        return text;
    }
    std::snprintf(text, sizeof text, "%.*f", std::clamp(decimals, 0, 9), std::fabs(value));
    std::string digits(text);
    std::size_t point = digits.find('.');
    std::size_t wholeEnd = point == std::string::npos ? digits.size() : point;
    std::string out;
    for (std::size_t i = 0; i < wholeEnd; ++i) {
        if (i > 0 && (wholeEnd - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    out += digits.substr(wholeEnd);
    bool zero = out.find_first_not_of("0.,") == std::string::npos;
    return (value < 0.0 && !zero ? "-" : "") + out;
}

}  // namespace drovane::plot
