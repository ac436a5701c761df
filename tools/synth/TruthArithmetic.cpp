#include "TruthArithmetic.h"

#include <cmath>
#include <limits>

namespace drovane::synth::truth {

double RoundToStep(double value, double step) {
    if (step == 0.0) return 0.0;
    const double s = step < 0.0 ? step * -1.0 : step;
    double q = 0.0;
    if (value > 0.0) {
        q = (value + s * 0.5) / s;
    } else if (value < 0.0) {
        q = (value - s * 0.5) / s;
    } else {
        return 0.0;
    }
    const auto n = static_cast<std::int32_t>(q);
    return s * n;
}

std::int32_t SignExtend12(std::uint8_t high, std::uint8_t low) {
    std::uint16_t word = static_cast<std::uint16_t>(high * 256 + low);
    if ((word & 0x0800) != 0) word = static_cast<std::uint16_t>(word | 0xF000);
    return static_cast<std::int16_t>(word);
}

double ConvertDistance(double value, UnitSystem units) {
    return units == UnitSystem::US ? value * 0.621371 : value;
}

std::int32_t ConvertTemperature(double celsius, UnitSystem units) {
    const double t = units == UnitSystem::US ? (celsius + 17.7778) * 1.8 : celsius;
    return static_cast<std::int32_t>(RoundToStep(t, 1.0));
}

std::int32_t TruncateForRange(double value) {
    constexpr double kLow = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    constexpr double kHigh = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    const double whole = std::trunc(value);
    if (std::isnan(value) || whole < kLow || whole > kHigh) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(whole);
}

}  // namespace drovane::synth::truth
