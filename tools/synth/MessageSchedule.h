#pragma once
#include <cstdint>
#include <vector>

#include "RandomSource.h"

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

// The same messages as a bus that keeps no regular order: each message comes in a cycle with the
// chance of its period (every cycle, one in two, ... one in fifty) rather than at fixed phases, and
// the messages between 0x020 and 0x56D come out of order, neighbours trading places at random.
// Cycle 0 still carries every message of the regular schedule. 0x020 stays first, so the cycle
// still restarts only with the next 0x020.
void ScheduleIrregularCycle(std::int64_t cycle, RandomSource& random, CycleMessages& messages);

}  // namespace drovane::synth
