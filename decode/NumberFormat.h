#pragma once
#include <cassert>
#include <cstdint>

#include "core/LittleEndian.h"

namespace drovane {

// Longest text FormatGeneral writes ("-2.22507e-308" and the like), with room to spare.
inline constexpr int kMaxGeneralLength = 24;

// A text of at most 15 bytes held in two words, with its length in the last byte: byte i of the
// text is byte i of `low` (i < 8) or of `high`, counted from the least significant. Two words
// travel in registers, so a text is formed without going through memory and stored whole.
struct ShortText {
    static constexpr std::uint32_t kMaxLength = 15;
    std::uint64_t low = 0;
    std::uint64_t high = 0;  // bytes 8 .. 14 of the text, then the length

    static ShortText Of(std::uint64_t low, std::uint64_t high, std::uint32_t length) {
        assert(length <= kMaxLength);
        return {low, (high & ~(std::uint64_t{0xFF} << 56)) | std::uint64_t{length} << 56};
    }
    std::uint32_t Length() const { return static_cast<std::uint32_t>(high >> 56); }
    bool Empty() const { return Length() == 0; }
};

// Writes the 16 bytes of a short text at `out`; its first Length() bytes are the text.
inline void StoreShortText(const ShortText& text, char* out) {
    StoreLittleEndian(out, text.low);
    StoreLittleEndian(out + 8, text.high);
}

// The "%1g" text of `value` when it is a fixed-point one that needs no look at a rounding tie
// (zero, whole numbers and all values from 1e-4 below one million but a few); an empty text
// otherwise, and then FormatGeneral gives it.
ShortText FormatGeneralShort(double value);

// Writes `value` exactly as printf("%1g") does (six significant digits, trailing zeros dropped,
// exponent form below 1e-4 and from 1e6 on) at `out`, which has room for kMaxGeneralLength
// bytes, and returns the end of the text.
char* FormatGeneral(double value, char* out);

// A whole number from 0 below 10^12 as a short text; an empty text for any other.
ShortText FormatWholeShort(std::int64_t value);

// Writes a whole number in decimal and returns the end of the text.
char* FormatWhole(std::int64_t value, char* out);

}  // namespace drovane
