#pragma once
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "decode/NumberFormat.h"

namespace drovane {

// The "%1g" texts of the numbers one column formatted lately, found again by the number. Readings
// such as accelerations and wheel speeds wander among a few nearby values, so many numbers come
// back within a few rows, and taking their text back is cheaper than forming it again.
class RecentNumberTexts {
public:
    static constexpr std::size_t kSlots = 16;

    // The text of `number` as FormatGeneralShort gives it (empty when that gives none).
    ShortText Format(double number) {
        auto bits = std::bit_cast<std::uint64_t>(number);
        Slot& slot = slots_[(bits * 0x9E3779B97F4A7C15u) >> (64 - kSlotBits)];
        if (slot.bits == bits && !slot.text.Empty()) return slot.text;
        ShortText text = FormatGeneralShort(number);
        slot.bits = bits;
        slot.text = text;
        return text;
    }

private:
    static constexpr int kSlotBits = std::countr_zero(kSlots);
    static_assert(std::has_single_bit(kSlots));

    struct Slot {
        std::uint64_t bits = 0;
        ShortText text;  // empty: the slot holds no text yet
    };
    std::array<Slot, kSlots> slots_{};
};

}  // namespace drovane
