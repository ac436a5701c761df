#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace drovane::synth {

// Between cycles the converter finds the next cycle by sliding over the bytes until it sees the
// header 00 20 03 of message 0x020. Any other place where those three bytes line up, data bytes
// and record boundaries included, would be taken for a cycle start, so the synthesizer breaks them.
//
// Checks every three-byte window that starts in [from, to). A window that reads 00 20 03 and does
// not start a real synchronisation record (`isRealHeader`) is broken by changing one byte that
// `mayChange` allows, the last such byte of the window first: 03 becomes 02, 20 becomes 21, 00
// becomes 01. None of the new values can begin a new match. Returns the number of bytes changed.
std::size_t BreakStraySyncHeaders(std::span<std::uint8_t> bytes, std::size_t from, std::size_t to,
                                  const std::function<bool(std::size_t)>& isRealHeader,
                                  const std::function<bool(std::size_t)>& mayChange);

// True when bytes[position..position+2] read 00 20 03.
bool IsSyncPattern(std::span<const std::uint8_t> bytes, std::size_t position);

}  // namespace drovane::synth
