#pragma once
#include <array>
#include <bit>
#include <cstdint>
#include <memory>

#include "decode/NumberFormat.h"

namespace drovane {

// The texts of a reading that is a fixed function of a raw 16-bit value (a speed, a wheel
// speed), kept by that raw value. Such readings change in nearly every cycle but keep coming
// back to values seen before, and finding the text again is much cheaper than forming it.
// Texts of up to eight bytes are kept, one word each (a text holds no zero byte, so the word
// tells its length); a longer one, such as the text of a speed a hair above zero, is formed
// every time. The words lie in pages of 256 raw values, each made when it first keeps a text:
// a log takes memory only for the stretches of values it visits, and a short one takes little.
class RawReadingTexts {
public:
    static constexpr std::uint32_t kMaxKept = 8;

    // The text kept for `raw`; empty when there is none.
    ShortText Find(std::uint16_t raw) const {
        const std::uint64_t* page = pages_[raw >> kPageBits].get();
        std::uint64_t word = page != nullptr ? page[raw & kPageMask] : 0;
        std::uint32_t length = 8 - static_cast<std::uint32_t>(std::countl_zero(word)) / 8;
        return ShortText::Of(word, 0, length);
    }
    // Keeps a text of at most kMaxKept bytes; a longer one is not kept.
    void Keep(std::uint16_t raw, const ShortText& text) {
        std::uint32_t length = text.Length();
        if (length == 0 || length > kMaxKept) return;
        std::unique_ptr<std::uint64_t[]>& page = pages_[raw >> kPageBits];
        if (!page) page = std::make_unique<std::uint64_t[]>(kPageSize);
        page[raw & kPageMask] = text.low & (~std::uint64_t{0} >> (64 - 8 * length));
    }

private:
    static constexpr int kPageBits = 8;
    static constexpr std::uint32_t kPageSize = 1u << kPageBits;
    static constexpr std::uint32_t kPageMask = kPageSize - 1;
    std::array<std::unique_ptr<std::uint64_t[]>, (1u << 16) / kPageSize> pages_;
};

// The tables of one run: the vehicle speed, and the four wheel speeds, which share one function
// of the raw value and one range. A kept text stands for a value that passed its column's range
// check, so a table serves only columns of the same range.
struct ReadingTexts {
    RawReadingTexts speed;
    RawReadingTexts wheels;
};

}  // namespace drovane
