#pragma once
#include <cstdint>

#include "DriveState.h"
#include "SynthRecord.h"

namespace drovane::synth {

// Builds the record that the car sends for identifier `id` (a known identifier) in the given
// state: the decoded signals in the scale and byte layout that the converter reads, the other
// messages with plausible status bytes, rolling counters and checksums. `cycle` drives counters
// and the sensors' own small noise, so the same state and cycle always give the same bytes.
SynthRecord EncodeRecord(std::uint16_t id, const DriveState& state, std::int64_t cycle);

// Raw codes of the word-valued signals.
std::uint8_t GearCode(Gear gear);
std::uint8_t EvIndicatorCode(EvIndicator indicator);
std::uint8_t LightSwitchCode(LightSwitch lights);

}  // namespace drovane::synth
