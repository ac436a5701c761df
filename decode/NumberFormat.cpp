#include "decode/NumberFormat.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace drovane {
namespace {

// 10^k for k = -4 .. 5: the decimal exponents that "%g" writes without exponent form.
constexpr double kDecadeStart[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5};
constexpr int kLowestExponent = -4;
// 10^(5 - e): brings a value of decimal exponent e to six digits before the point.
constexpr double kScale[] = {1e9, 1e8, 1e7, 1e6, 1e5, 1e4, 1e3, 1e2, 1e1, 1e0};

// The product that scales a value to six digits carries an error far below this, so a fraction
// farther than this from one half rounds the same way as the exact value would.
constexpr double kTieMargin = 1e-6;

// "00" .. "99", two digits at a time.
constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

int DigitCount(std::uint32_t value) {
    return value < 10 ? 1 : value < 100 ? 2 : value < 1000 ? 3 : value < 10000 ? 4 : value < 100000 ? 5 : 6;
}

// Writes the `count` decimal digits of `value` (count at least its digit count) ending at `end`.
void WriteDigitsBackward(std::uint32_t value, int count, char* end) {
    while (count >= 2) {
        end -= 2;
        std::memcpy(end, &kDigitPairs[2 * (value % 100)], 2);
        value /= 100;
        count -= 2;
    }
    if (count == 1) *--end = static_cast<char>('0' + value);
}

// A whole number of at most six digits.
char* WriteSmallWhole(std::int32_t value, char* out) {
    auto magnitude = static_cast<std::uint32_t>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    int count = DigitCount(magnitude);
    WriteDigitsBackward(magnitude, count, out + count);
    return out + count;
}

// Writes six significant digits `digits` (100000 .. 999999) of a value with decimal exponent
// `exponent` (-4 .. 5) in "%g" style: fixed point, trailing zeros and a bare point dropped. Copies
// fixed blocks of eight bytes and advances by the lengths that count, so `out` needs 16 bytes.
char* WriteFixed(std::uint32_t digits, int exponent, char* out) {
    char text[16];
    std::memset(text, '0', sizeof text);
    std::memcpy(text, &kDigitPairs[2 * (digits / 10000)], 2);
    std::memcpy(text + 2, &kDigitPairs[2 * (digits / 100 % 100)], 2);
    std::memcpy(text + 4, &kDigitPairs[2 * (digits % 100)], 2);
    // Trailing zeros are dropped; counted without branches, as they vary from value to value.
    int significant = 6 - (digits % 10 == 0) - (digits % 100 == 0) - (digits % 1000 == 0) - (digits % 10000 == 0) -
                      (digits % 100000 == 0);
    if (exponent >= 0) {
        int whole = exponent + 1;
        std::memcpy(out, text, 8);
        out += whole;  // zeros of the whole part stay
        if (significant <= whole) return out;
        *out++ = '.';
        std::memcpy(out, text + whole, 8);
        return out + (significant - whole);
    }
    // 0.000ddd
    std::memcpy(out, "0.000", 5);
    out += 1 - exponent;  // "0." and -exponent - 1 zeros
    std::memcpy(out, text, 8);
    return out + significant;
}

// The fixed-point case of "%g" without the general conversion; nullptr when the value needs the
// exponent form or lies too close to a rounding tie to decide here.
char* FormatFixedQuickly(double value, char* out) {
    double magnitude = std::fabs(value);
    if (!(magnitude >= kDecadeStart[0] && magnitude < 999999.5)) return nullptr;
    int index = 0;  // counted without branches, as the decade varies from value to value
    for (int decade = 1; decade < 10; ++decade) index += magnitude >= kDecadeStart[decade];
    int exponent = index + kLowestExponent;
    double scaled = magnitude * kScale[index];
    auto whole = static_cast<std::uint32_t>(scaled);
    double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) <= kTieMargin) return nullptr;
    std::uint32_t digits = whole + (fraction > 0.5 ? 1 : 0);
    if (digits == 1000000) {
        // Rounding carried into the next decade.
        digits = 100000;
        ++exponent;
        if (exponent > 5) return nullptr;
    }
    if (digits < 100000) return nullptr;
    if (value < 0) *out++ = '-';
    return WriteFixed(digits, exponent, out);
}

}  // namespace

char* FormatWhole(std::int64_t value, char* out) {
    if (value >= 0 && value < 1000000) return WriteSmallWhole(static_cast<std::int32_t>(value), out);
    return std::to_chars(out, out + 21, value).ptr;
}

char* FormatGeneral(double value, char* out) {
    // Whole numbers below one million, most columns' values, print as integers; 0 keeps its sign
    // below, as "%g" writes "-0" for a negative zero.
    if (value > -999999.5 && value < 999999.5 && value != 0.0) {
        auto whole = static_cast<std::int32_t>(value);
        if (whole == value) return WriteSmallWhole(whole, out);
    }
    if (char* end = FormatFixedQuickly(value, out)) return end;
    if (value == 0.0) {
        if (std::signbit(value)) *out++ = '-';
        *out++ = '0';
        return out;
    }
    return std::to_chars(out, out + kMaxGeneralLength, value, std::chars_format::general, 6).ptr;
}

}  // namespace drovane
