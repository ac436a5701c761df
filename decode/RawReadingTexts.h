#pragma once
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "decode/NumberFormat.h"

namespace drovane {

// The texts of a reading that is a fixed function of a raw 16-bit value (a speed, a wheel
// speed), kept by that raw value. Such readings change in nearly every cycle but keep coming
// back to values seen before, and finding the text again is much cheaper than forming it.
// Texts of up to eight bytes are kept, one word each (a text holds no zero byte, so the word
// tells its length); a longer one, such as the text of a speed a hair above zero, is formed
// every time. The room for all 65536 words is reserved zeroed and untouched, so memory is taken
// only for the stretches of raw values a log visits.
class RawReadingTexts {
public:
    static constexpr std::size_t kSlots = std::size_t{1} << 16;
    static constexpr std::uint32_t kMaxKept = 8;

    RawReadingTexts() : slots_(static_cast<std::uint64_t*>(std::calloc(kSlots, sizeof(std::uint64_t)))) {
        if (!slots_) throw std::bad_alloc();
    }

    // The text kept for `raw`; empty when there is none.
    ShortText Find(std::uint16_t raw) const {
        std::uint64_t word = slots_[raw];
        auto length = static_cast<std::uint32_t>(8 - std::countl_zero(word) / 8);
        return ShortText::Of(word, 0, length);
    }
    // Keeps a text of at most kMaxKept bytes; a longer one is not kept.
    void Keep(std::uint16_t raw, const ShortText& text) {
        if (text.Length() <= kMaxKept) slots_[raw] = text.low & LowBytes(text.Length());
    }

private:
    static std::uint64_t LowBytes(std::uint32_t count) {
        return count >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * count)) - 1;
    }
    struct Free {
        void operator()(std::uint64_t* slots) const { std::free(slots); }
    };
    std::unique_ptr<std::uint64_t[], Free> slots_;
};

// The tables of one run: the vehicle speed, and the four wheel speeds, which share one function
// of the raw value.
struct ReadingTexts {
    RawReadingTexts speed;
    RawReadingTexts wheels;
};

}  // namespace drovane
