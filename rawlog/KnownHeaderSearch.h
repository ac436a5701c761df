#pragma once
#include <cstdint>
#include <cstring>

#include "rawlog/KnownMessageTable.h"

namespace drovane {

// The first position p in [begin, end - 2) where p[0..2] is a known header, or nullptr. Every
// known identifier is below 0x800, so its high byte is below 8: eight positions at a time are
// passed over when none of their first bytes is, and only the rest are looked up.
inline const std::uint8_t* FindKnownHeader(const std::uint8_t* begin, const std::uint8_t* end) {
    constexpr std::uint64_t kHighBits = 0xF8F8F8F8F8F8F8F8ull;
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kTops = 0x8080808080808080ull;
    if (end - begin < 3) return nullptr;
    const std::uint8_t* last = end - 3;  // the last window that is whole
    const std::uint8_t* at = begin;
    while (last - at >= 8) {
        std::uint64_t word;
        std::memcpy(&word, at, sizeof word);
        std::uint64_t masked = word & kHighBits;  // zero exactly in the bytes below 8
        if (((masked - kOnes) & ~masked & kTops) == 0) {
            at += 8;
            continue;
        }
        for (int i = 0; i < 8; ++i, ++at) {
            if (*at < 8 && KnownMessageTable::Lookup(at) != UnknownMessageId) return at;
        }
    }
    for (; at <= last; ++at) {
        if (KnownMessageTable::Lookup(at) != UnknownMessageId) return at;
    }
    return nullptr;
}

}  // namespace drovane
