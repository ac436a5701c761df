#include "decode/NumberFormat.h"

#include <array>
#include <charconv>
#include <cmath>

#include "decode/ShortTexts.h"

namespace drovane {
namespace {

using namespace short_texts;

// 10^k for k = -4 .. 5: the decimal exponents that "%g" writes without exponent form.
constexpr double kDecadeStart[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5};
constexpr int kLowestExponent = -4;
// 10^(5 - e): brings a value of decimal exponent e to six digits before the point.
constexpr double kScale[] = {1e9, 1e8, 1e7, 1e6, 1e5, 1e4, 1e3, 1e2, 1e1, 1e0};

// The product that scales a value to six digits carries an error far below this, so a fraction
// farther than this from one half rounds the same way as the exact value would.
constexpr double kTieMargin = 1e-6;

// The decade of every binary exponent from 2^-14 to 2^19, as far as the exponent tells it: a
// value of binary exponent b has decimal exponent kDecadeOfBinade[b + 14] or the one above.
constexpr int kLowestBinade = -14;
constexpr auto kDecadeOfBinade = [] {
    std::array<std::int8_t, 34> decades{};
    for (int b = kLowestBinade; b < kLowestBinade + 34; ++b) {
        // floor(b * log10(2)) with log10(2) ~ 1233 / 4096, exact over this range.
        int product = b * 1233;
        decades[b - kLowestBinade] =
            static_cast<std::int8_t>(product >= 0 ? product / 4096 : -((-product + 4095) / 4096));
    }
    return decades;
}();

// Six significant digits of a value with decimal exponent `exponent` (-4 .. 5) in "%g" style:
// fixed point, trailing zeros and a bare point dropped, formed in registers.
ShortText FixedText(std::uint32_t digits, int exponent) {
    SixDigits six = MakeSixDigits(digits);
    int significant = 6 - six.trailingZeros;
    if (exponent >= 0) {
        // The whole part, then the point and the rest of the digits; the point is kept only when
        // a fraction follows. Six digits and the point fit in one word.
        int whole = exponent + 1;
        int fraction = significant - whole;
        std::uint64_t head = six.word & LowBytes(whole);
        std::uint64_t tail = '.' | (six.word >> (8 * whole)) << 8;
        return ShortText::Of(head | tail << (8 * whole), 0,
                             static_cast<std::uint32_t>(whole + (fraction > 0 ? fraction + 1 : 0)));
    }
    // "0." and -exponent - 1 zeros before the digits.
    int prefix = 1 - exponent;
    constexpr std::uint64_t kZeroPoint = std::uint64_t{'0'} | '.' << 8 | 0x303030ull << 16;  // "0.000"
    return ShortText::Of((kZeroPoint & LowBytes(prefix)) | six.word << (8 * prefix), six.word >> (64 - 8 * prefix),
                         static_cast<std::uint32_t>(prefix + significant));
}

}  // namespace

ShortText FormatGeneralShort(double value) {
    ShortText text;
    double magnitude = std::fabs(value);
    if (magnitude >= kDecadeStart[0] && magnitude < 999999.5) {
        int binade = static_cast<int>(std::bit_cast<std::uint64_t>(magnitude) >> 52) - 1023;
        int index = kDecadeOfBinade[binade - kLowestBinade] - kLowestExponent;
        if (index < 9) index += magnitude >= kDecadeStart[index + 1];
        int exponent = index + kLowestExponent;
        // Whole numbers come out exact: scaled to six digits they stay whole.
        double scaled = magnitude * kScale[index];
        auto whole = static_cast<std::uint32_t>(scaled);
        double fraction = scaled - whole;
        if (std::fabs(fraction - 0.5) <= kTieMargin) return {};
        std::uint32_t digits = whole + (fraction > 0.5 ? 1 : 0);
        if (digits == 1000000) {
            // Rounding carried into the next decade.
            digits = 100000;
            ++exponent;
            if (exponent > 5) return {};
        }
        if (digits < 100000) return {};
        text = FixedText(digits, exponent);
    } else if (value == 0.0) {
        text = ShortText::Of('0', 0, 1);
    } else {
        return {};
    }
    // "%g" writes "-0" for a negative zero.
    return std::signbit(value) ? PrependMinus(text) : text;
}

char* FormatGeneral(double value, char* out) {
    ShortText text = FormatGeneralShort(value);
    if (!text.Empty()) {
        StoreShortText(text, out);
        return out + text.Length();
    }
    return std::to_chars(out, out + kMaxGeneralLength, value, std::chars_format::general, 6).ptr;
}

ShortText FormatWholeShort(std::int64_t value) {
    if (value < 0 || value >= 1000000000000) return {};
    if (value < 1000000) {
        auto small = static_cast<std::uint32_t>(value);
        int count = DigitCount(small);
        return ShortText::Of(SmallWholeWord(small, count), 0, static_cast<std::uint32_t>(count));
    }
    // The millions, then six digits with their leading zeros.
    auto millions = static_cast<std::uint32_t>(value / 1000000);
    auto rest = static_cast<std::uint32_t>(value % 1000000);
    int count = DigitCount(millions);
    std::uint64_t last = MakeSixDigits(rest).word;
    return ShortText::Of(SmallWholeWord(millions, count) | last << (8 * count), last >> (64 - 8 * count),
                         static_cast<std::uint32_t>(count + 6));
}

char* FormatWhole(std::int64_t value, char* out) {
    ShortText text = FormatWholeShort(value);
    if (!text.Empty()) {
        StoreShortText(text, out);
        return out + text.Length();
    }
    return std::to_chars(out, out + 21, value).ptr;
}

}  // namespace drovane
