#include "MessageSchedule.h"

#include <algorithm>
#include <array>

namespace drovane::synth {
namespace {

enum class Placement : std::uint8_t { InCycle, AfterClose };

struct Slot {
    std::uint16_t id;
    std::uint8_t period;  // in cycles
    std::uint8_t phase;
    Placement placement;
};

// Cycle 0 carries every decoded message, so the first row of a drive is complete.
constexpr std::array<Slot, 65> kSlots{{
    {0x020, 1, 0, Placement::InCycle},
    {0x022, 1, 0, Placement::InCycle},
    {0x023, 1, 0, Placement::InCycle},
    {0x025, 1, 0, Placement::InCycle},
    {0x030, 1, 0, Placement::InCycle},
    {0x038, 2, 0, Placement::InCycle},
    {0x039, 5, 0, Placement::InCycle},
    {0x03A, 2, 1, Placement::InCycle},
    {0x03B, 1, 0, Placement::InCycle},
    {0x03E, 5, 2, Placement::InCycle},
    {0x060, 10, 3, Placement::InCycle},
    {0x087, 10, 4, Placement::InCycle},
    {0x0B0, 5, 1, Placement::InCycle},
    {0x0B1, 1, 0, Placement::InCycle},
    {0x0B3, 1, 0, Placement::InCycle},
    {0x0B4, 1, 0, Placement::InCycle},
    {0x0C9, 2, 1, Placement::InCycle},
    {0x120, 1, 0, Placement::InCycle},
    {0x230, 5, 3, Placement::InCycle},
    {0x244, 1, 0, Placement::InCycle},
    {0x262, 10, 6, Placement::InCycle},
    {0x348, 5, 4, Placement::InCycle},
    {0x34F, 10, 7, Placement::InCycle},
    {0x3C8, 1, 0, Placement::InCycle},
    {0x3C9, 2, 1, Placement::InCycle},
    {0x3CA, 2, 0, Placement::InCycle},
    {0x3CB, 5, 0, Placement::InCycle},
    {0x3CD, 5, 2, Placement::InCycle},
    {0x3CF, 5, 3, Placement::InCycle},
    {0x423, 10, 5, Placement::InCycle},
    {0x4C1, 10, 1, Placement::InCycle},
    {0x4C3, 10, 2, Placement::InCycle},
    {0x4C6, 10, 3, Placement::InCycle},
    {0x4C7, 10, 4, Placement::InCycle},
    {0x4C8, 10, 6, Placement::InCycle},
    {0x4CE, 10, 7, Placement::InCycle},
    {0x4D0, 10, 8, Placement::InCycle},
    {0x4D1, 10, 9, Placement::InCycle},
    {0x520, 2, 0, Placement::InCycle},
    {0x521, 10, 1, Placement::InCycle},
    {0x526, 2, 0, Placement::InCycle},
    {0x527, 10, 3, Placement::InCycle},
    {0x528, 10, 4, Placement::InCycle},
    {0x529, 5, 0, Placement::InCycle},
    {0x52C, 10, 0, Placement::InCycle},
    {0x540, 5, 0, Placement::InCycle},
    {0x553, 10, 6, Placement::InCycle},
    {0x554, 10, 7, Placement::InCycle},
    {0x57F, 10, 0, Placement::InCycle},
    {0x5A4, 10, 0, Placement::InCycle},
    {0x5C8, 10, 0, Placement::InCycle},
    {0x56D, 1, 0, Placement::InCycle},
    // Between cycles: heard by the logger but never part of a cycle.
    {0x002, 2, 1, Placement::AfterClose},
    {0x57F, 20, 5, Placement::AfterClose},
    {0x591, 20, 2, Placement::AfterClose},
    {0x5A4, 20, 15, Placement::AfterClose},
    {0x5B2, 20, 7, Placement::AfterClose},
    {0x5B6, 10, 4, Placement::AfterClose},
    {0x5CC, 20, 12, Placement::AfterClose},
    {0x5D4, 20, 17, Placement::AfterClose},
    {0x5EC, 50, 9, Placement::AfterClose},
    {0x5ED, 50, 34, Placement::AfterClose},
    {0x5F8, 20, 3, Placement::AfterClose},
    {0x602, 50, 21, Placement::AfterClose},
    {0x3CF, 10, 8, Placement::AfterClose},
}};

}  // namespace

void ScheduleCycle(std::int64_t cycle, CycleMessages& messages) {
    messages.inCycle.clear();
    messages.afterClose.clear();
    for (const Slot& slot : kSlots) {
        if (cycle % slot.period != slot.phase) continue;
        (slot.placement == Placement::InCycle ? messages.inCycle : messages.afterClose).push_back(slot.id);
    }
}

void ScheduleIrregularCycle(std::int64_t cycle, RandomSource& random, CycleMessages& messages) {
    if (cycle == 0) {
        ScheduleCycle(cycle, messages);
    } else {
        messages.inCycle.clear();
        messages.afterClose.clear();
        for (const Slot& slot : kSlots) {
            if (slot.period > 1 && random.Between(1, slot.period) != 1) continue;
            (slot.placement == Placement::InCycle ? messages.inCycle : messages.afterClose).push_back(slot.id);
        }
    }
    // Neighbours trade places at random, so each message comes a few places early or late.
    auto& ids = messages.inCycle;
    for (std::size_t i = 1; i + 2 < ids.size(); ++i) {
        if (random.Chance(0.5)) std::swap(ids[i], ids[i + 1]);
    }
}

}  // namespace drovane::synth
