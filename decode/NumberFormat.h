#pragma once
#include <cstdint>

namespace drovane {

// Longest text FormatGeneral writes ("-2.22507e-308" and the like), with room to spare.
inline constexpr int kMaxGeneralLength = 24;

// Writes `value` exactly as printf("%1g") does (six significant digits, trailing zeros dropped,
// exponent form below 1e-4 and from 1e6 on) at `out` and returns the end of the text.
char* FormatGeneral(double value, char* out);

// Writes a whole number in decimal and returns the end of the text.
char* FormatWhole(std::int64_t value, char* out);

}  // namespace drovane
