#include "decode/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace drovane {
namespace {

constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0};

// A value that is the double nearest to k / 10^decimals, with k of at most six digits, is what
// "%g" prints as that short decimal: its distance from k / 10^decimals is far below half a unit of
// the sixth digit. Most decoded values are of this kind (tenths, hundredths, halves).
char* FormatShortDecimal(std::int64_t scaled, int decimals, char* out) {
    if (scaled < 0) {
        *out++ = '-';
        scaled = -scaled;
    }
    char digits[8] = {};
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + scaled % 10);
        scaled /= 10;
    } while (scaled != 0);
    // Trailing zeros of the fraction are dropped, as "%g" does.
    int skip = 0;
    while (skip < decimals && digits[skip] == '0') ++skip;
    int fraction = decimals - skip;
    for (int i = count - 1; i >= decimals; --i) *out++ = digits[i];
    if (count <= decimals) *out++ = '0';
    if (fraction > 0) {
        *out++ = '.';
        for (int i = decimals - 1; i >= skip; --i) *out++ = i < count ? digits[i] : '0';
    }
    return out;
}

}  // namespace

char* FormatWhole(std::int64_t value, char* out) {
    return std::to_chars(out, out + 21, value).ptr;
}

char* FormatGeneral(double value, char* out) {
    double magnitude = std::fabs(value);
    // Short decimals below one million, above the exponent form's 1e-4: the common case.
    if (magnitude < 999999.5 && magnitude >= 1e-2) {
        for (int decimals = 0; decimals <= 2; ++decimals) {
            double scaled = value * kPowersOfTen[decimals];
            if (std::fabs(scaled) >= 999999.5) break;
            double nearest = std::nearbyint(scaled);
            if (static_cast<double>(static_cast<std::int64_t>(nearest)) / kPowersOfTen[decimals] == value) {
                return FormatShortDecimal(static_cast<std::int64_t>(nearest), decimals, out);
            }
        }
    } else if (value == 0.0) {
        if (std::signbit(value)) *out++ = '-';
        *out++ = '0';
        return out;
    }
    return std::to_chars(out, out + kMaxGeneralLength, value, std::chars_format::general, 6).ptr;
}

}  // namespace drovane
