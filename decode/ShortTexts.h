#pragma once
// Short texts formed from integers in registers, shared by the number formatters; the decimal
// formatter is here so that the field table's store can take it inline.
#include <array>
#include <cassert>
#include <cstdint>

#include "decode/NumberFormat.h"

namespace drovane {
namespace short_texts {

// "00" .. "99" as two-byte words, the first digit in the low byte.
inline constexpr auto kDigitPairs = [] {
    std::array<std::uint16_t, 100> pairs{};
    for (int i = 0; i < 100; ++i) pairs[i] = static_cast<std::uint16_t>(('0' + i / 10) | ('0' + i % 10) << 8);
    return pairs;
}();

// 1 for a pair "x0" other than "00": the trailing zeros a nonzero pair of digits ends with.
inline constexpr auto kPairTrailingZero = [] {
    std::array<std::uint8_t, 100> zeros{};
    for (int i = 10; i < 100; i += 10) zeros[i] = 1;
    return zeros;
}();

// The low `count` bytes of a word (count 0 .. 7).
constexpr std::uint64_t LowBytes(int count) { return (std::uint64_t{1} << (8 * count)) - 1; }

// The six digits of `value` (below one million, leading zeros included) in bytes 0 .. 5 of a
// word, and how many of the last digits are zeros (for a value of 100000 or more).
struct SixDigits {
    std::uint64_t word;
    int trailingZeros;
};
inline SixDigits MakeSixDigits(std::uint32_t value) {
    std::uint32_t high = value / 10000;
    std::uint32_t rest = value - high * 10000;
    std::uint32_t middle = rest / 100;
    std::uint32_t low = rest - middle * 100;
    std::uint64_t word =
        kDigitPairs[high] | std::uint64_t{kDigitPairs[middle]} << 16 | std::uint64_t{kDigitPairs[low]} << 32;
    int zeros = low != 0      ? kPairTrailingZero[low]
                : middle != 0 ? 2 + kPairTrailingZero[middle]
                              : 4 + kPairTrailingZero[high];
    return {word, zeros};
}

// How many digits a number below one million has.
inline int DigitCount(std::uint32_t value) {
    return 1 + (value >= 10) + (value >= 100) + (value >= 1000) + (value >= 10000) + (value >= 100000);
}

// A whole number below one million without its leading zeros, in the low bytes of a word.
inline std::uint64_t SmallWholeWord(std::uint32_t value, int count) {
    return MakeSixDigits(value).word >> (8 * (6 - count));
}

// The texts of 0 .. 999, the digits in the low three bytes and the length in the fourth: most
// readings have a whole part below a thousand, and one load gives its text.
inline constexpr std::uint32_t kSmallCount = 1000;
inline constexpr auto kSmallWholes = [] {
    std::array<std::uint32_t, kSmallCount> texts{};
    for (std::uint32_t value = 0; value < kSmallCount; ++value) {
        std::uint32_t length = value >= 100 ? 3 : value >= 10 ? 2 : 1;
        std::uint32_t text = 0;
        for (std::uint32_t rest = value, at = length; at-- > 0; rest /= 10) text |= ('0' + rest % 10) << (8 * at);
        texts[value] = text | length << 24;
    }
    return texts;
}();

// A whole number below one million as the low bytes of a word, and its length.
struct WholeText {
    std::uint64_t word;
    int length;
};
inline WholeText MakeWholeText(std::uint32_t value) {
    if (value < kSmallCount) {
        std::uint32_t text = kSmallWholes[value];
        return {text & 0xFFFFFF, static_cast<int>(text >> 24)};
    }
    int count = DigitCount(value);
    return {SmallWholeWord(value, count), count};
}

// The text of a decimal from the text of its whole part (`count` bytes in the low bytes of
// `text`), its fraction in units of 10^-decimals (decimals 0 .. 2) and its sign: the point and
// one or two fraction digits (a trailing zero dropped) when the fraction is not zero, then the
// minus sign. Signs and fractions vary from row to row, so they are applied by masks rather than
// branches, which would be mispredicted. At most five whole digits with a fraction, six without:
// the text fits one word, and the minus sign pushes at most one byte into the second.
inline ShortText FinishDecimal(std::uint64_t text, int count, std::uint32_t fraction, int decimals, bool negative) {
    int length = count;
    if (decimals > 0) {
        std::uint64_t digits = decimals == 1 ? '0' + fraction : kDigitPairs[fraction];
        int fractionLength = decimals == 2 && fraction % 10 != 0 ? 2 : 1;
        std::uint64_t keep = 0 - std::uint64_t{fraction != 0};
        text |= (('.' | digits << 8) << (8 * count)) & keep;
        length += static_cast<int>((1 + fractionLength) & keep);
    }
    std::uint64_t minus = negative;
    int shift = static_cast<int>(8 * minus);
    std::uint64_t low = text << shift | ('-' & (0 - minus));
    std::uint64_t high = (text >> 56) & (0 - minus);
    return ShortText::Of(low, high, static_cast<std::uint32_t>(length + static_cast<int>(minus)));
}

// Puts a minus sign before a short text of at most 14 bytes.
inline ShortText PrependMinus(ShortText text) {
    return ShortText::Of(text.low << 8 | '-', text.high << 8 | text.low >> 56, text.Length() + 1);
}

}  // namespace short_texts

// The "%1g" text of a number that is `scaled` / 10^decimals (decimals 0 .. 2) as near as a
// double holds it, formed from the integer: the decimal with trailing zeros and a bare point
// dropped, which is what "%1g" writes for every such number of at most six digits. An empty text
// for `scaled` of a million or more in magnitude.
inline ShortText FormatDecimalShort(std::int32_t scaled, int decimals) {
    assert(decimals >= 0 && decimals <= 2);
    using namespace short_texts;
    auto magnitude = static_cast<std::uint32_t>(scaled);
    if (scaled < 0) magnitude = 0u - magnitude;
    if (magnitude >= 1000000) return {};
    // Tenths and hundredths are split off by selection rather than by branches, since the columns
    // of a row take turns.
    std::uint32_t tens = magnitude / 10;
    std::uint32_t hundreds = magnitude / 100;
    std::uint32_t whole = decimals == 1 ? tens : decimals == 2 ? hundreds : magnitude;
    std::uint32_t fraction = magnitude - whole * (decimals == 1 ? 10u : decimals == 2 ? 100u : 1u);
    auto [text, count] = MakeWholeText(whole);
    return short_texts::FinishDecimal(text, count, fraction, decimals, scaled < 0);
}

}  // namespace drovane
