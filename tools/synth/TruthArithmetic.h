#pragma once
#include <cstdint>

#include "core/RunOptions.h"

// The converter's numeric rules, written out again on their own so that the expected values do
// not come from the code under test: the same double operations in the same order.
namespace drovane::synth::truth {

// Nearest multiple of |step|, halves away from zero; the half step is added before dividing.
double RoundToStep(double value, double step);

// The 12-bit reading of two bytes, high first: bit 11 set fills bits 12..15 with ones.
std::int32_t SignExtend12(std::uint8_t high, std::uint8_t low);

// Kilometres (or km/h) to miles (or mph) in US units.
double ConvertDistance(double value, UnitSystem units);

// Degrees Celsius to whole degrees in the unit system, rounded as above.
std::int32_t ConvertTemperature(double celsius, UnitSystem units);

// A real cut to a 32-bit integer toward zero; not-a-number and values outside the 32-bit range
// become the smallest 32-bit integer, so that they fail every column range but Time's.
std::int32_t TruncateForRange(double value);

}  // namespace drovane::synth::truth
