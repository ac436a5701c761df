#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "decode/NumberFormat.h"

namespace drovane {

// The texts of a reading that is a fixed function of a raw 16-bit value (a speed, a wheel
// speed), kept by that raw value. Such readings change in nearly every cycle but keep coming
// back to values seen before, and finding the text again is much cheaper than forming it.
// The room for all 65536 texts is reserved zeroed and untouched, so memory is taken only for the
// stretches of raw values a log visits.
class RawReadingTexts {
public:
    static constexpr std::size_t kSlots = std::size_t{1} << 16;

    RawReadingTexts() : slots_(static_cast<Slot*>(std::calloc(kSlots, sizeof(Slot)))) {
        if (!slots_) throw std::bad_alloc();
    }

    // The text kept for `raw`; empty when there is none yet.
    ShortText Find(std::uint16_t raw) const {
        const Slot& slot = slots_[raw];
        return {slot.low, slot.high};
    }
    void Keep(std::uint16_t raw, const ShortText& text) { slots_[raw] = {text.low, text.high}; }

private:
    // ShortText's two words; all zero is the empty text, as calloc leaves them.
    struct Slot {
        std::uint64_t low;
        std::uint64_t high;
    };
    struct Free {
        void operator()(Slot* slots) const { std::free(slots); }
    };
    std::unique_ptr<Slot[], Free> slots_;
};

// The tables of one run: the vehicle speed, and the four wheel speeds, which share one function
// of the raw value.
struct ReadingTexts {
    RawReadingTexts speed;
    RawReadingTexts wheels;
};

}  // namespace drovane
