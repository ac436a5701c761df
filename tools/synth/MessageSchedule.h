#pragma once
#include <cstdint>
#include <vector>

namespace drovane::synth {

// Which messages the logger records in one cycle, and in which order.
struct CycleMessages {
    // From the synchronisation message 0x020 to the closing message 0x56D: the tracked identifiers
    // in rising order, then the others, with 0x56D last.
    std::vector<std::uint16_t> inCycle;
    // Broadcast after 0x56D and before the next 0x020.
    std::vector<std::uint16_t> afterClose;
};

// Fills `messages` for cycle number `cycle` (counted from 0). Each identifier has its own period,
// from every cycle (speeds, pedals, battery current) to every fifty (slow status messages).
void ScheduleCycle(std::int64_t cycle, CycleMessages& messages);

}  // namespace drovane::synth
