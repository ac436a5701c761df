#pragma once
#include <cstdint>
#include <span>

#include "rawlog/KnownMessageTable.h"

namespace drovane::synth {

// One message that the logger accepts as genuine: its CAN identifier and the data length it
// carries. The record format is the converter's own table; only the decoding is kept apart.
using KnownMessage = KnownMessageTable::Entry;

// Identifiers that frame a cycle and the range whose order decides when a cycle restarts.
inline constexpr std::uint16_t kSyncId = KnownMessageTable::kSyncId;
inline constexpr std::uint16_t kCloseId = KnownMessageTable::kClosingId;
inline constexpr std::uint16_t kTrackedLow = KnownMessageTable::kTrackedLow;
inline constexpr std::uint16_t kTrackedHigh = KnownMessageTable::kTrackedHigh;

// The 62 messages, in ascending identifier order.
std::span<const KnownMessage> KnownMessages();

// Data length of a known identifier, or 0 when the identifier is not known.
std::uint8_t KnownLength(std::uint16_t id);

// True when the three header bytes name a known identifier with its own length.
bool IsKnownHeader(std::uint8_t idHigh, std::uint8_t idLow, std::uint8_t length);

inline bool IsTracked(std::uint16_t id) { return id >= kTrackedLow && id <= kTrackedHigh; }

}  // namespace drovane::synth
