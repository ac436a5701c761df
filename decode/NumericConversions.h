#pragma once
#include <cstdint>

#include "core/RunOptions.h"

namespace drovane {

// Truncates toward zero to a 32-bit integer. NaN and values whose integer part lies outside the
// 32-bit range give the smallest 32-bit integer, as the processor's own conversion does, so that
// no input has an undefined result.
inline std::int32_t TruncateToInt32(double value) {
    if (value > -2147483649.0 && value < 2147483648.0) return static_cast<std::int32_t>(value);
    return INT32_MIN;
}

// The count of |step| in the multiple of |step| nearest to `value`, halves away from zero: for a
// nonzero step, RoundToStep(value, step) is |step| times this count, to the bit.
inline std::int32_t RoundToStepCount(double value, double step) {
    double s = step < 0.0 ? step * -1.0 : step;
    if (value > 0.0) return TruncateToInt32((value + s * 0.5) / s);
    if (value < 0.0) return TruncateToInt32((value - s * 0.5) / s);
    return 0;
}

// Rounds to the nearest multiple of |step|, halves away from zero; a step of 0 gives 0.
inline double RoundToStep(double value, double step) {
    // Zero and not-a-number give zero, whatever the step.
    if (step == 0.0 || !(value > 0.0 || value < 0.0)) return 0.0;
    return (step < 0.0 ? step * -1.0 : step) * RoundToStepCount(value, step);
}

// The same rounding for an integer, computed in reals.
std::int32_t RoundIntToStep(std::int32_t value, double step);

// Reads two bytes (high first) as a 12-bit two's-complement number. When bit 11 is clear the top
// four bits are kept as they are, so they can enlarge the value or make it negative.
inline std::int16_t SignExtend12(std::uint8_t high, std::uint8_t low) {
    auto word = static_cast<std::uint16_t>(high << 8 | low);
    if ((word & 0x0800) != 0) word |= 0xF000;
    return static_cast<std::int16_t>(word);
}

// Kilometres (or km/h) to miles (or mph) in the US unit system, else unchanged.
inline double ConvertDistance(double value, UnitSystem units) {
    return units == UnitSystem::US ? value * 0.621371 : value;
}

// Degrees Celsius to whole degrees: Fahrenheit in the US unit system, Celsius otherwise.
inline std::int32_t ConvertTemperature(double value, UnitSystem units) {
    // The offset is the decimal constant 17.7778, not 160/9: US readings sit a hair above the
    // exact Fahrenheit value, which decides some roundings.
    double t = units == UnitSystem::US ? (value + 17.7778) * 1.8 : value;
    return TruncateToInt32(RoundToStep(t, 1.0));
}

}  // namespace drovane
