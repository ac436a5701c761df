#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

#include "rawlog/KnownMessageTable.h"

namespace drovane {

// The top bit of every byte of `word` that is below `limit` (a power of two up to 128), and
// perhaps of some bytes above such a byte (a borrow); never misses one.
inline std::uint64_t BytesBelow(std::uint64_t word, std::uint8_t limit) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kTops = 0x8080808080808080ull;
    std::uint64_t masked = word & (kOnes * static_cast<std::uint8_t>(0x100 - limit));  // zero exactly there
    return (masked - kOnes) & ~masked & kTops;
}

// The first position p in [begin, end - 2) where p[0..2] is a known header, or nullptr. Every
// known identifier is below 0x800 and every length below 16, so a known header's first byte is
// below 8 and its third below 16: eight positions at a time are passed over when no first byte
// and third byte qualify together, and only the rest are looked up.
inline const std::uint8_t* FindKnownHeader(const std::uint8_t* begin, const std::uint8_t* end) {
    if (end - begin < 3) return nullptr;
    const std::uint8_t* last = end - 3;  // the last window that is whole
    const std::uint8_t* at = begin;
    if constexpr (std::endian::native == std::endian::little) {
        while (last - at >= 8) {
            std::uint64_t firsts;
            std::uint64_t thirds;  // byte i is the third byte of the window at i
            std::memcpy(&firsts, at, sizeof firsts);
            std::memcpy(&thirds, at + 2, sizeof thirds);
            for (std::uint64_t candidates = BytesBelow(firsts, 8) & BytesBelow(thirds, 16); candidates != 0;
                 candidates &= candidates - 1) {
                const std::uint8_t* window = at + std::countr_zero(candidates) / 8;
                if (KnownMessageTable::Lookup(window) != UnknownMessageId) return window;
            }
            at += 8;
        }
    }
    for (; at <= last; ++at) {
        if (KnownMessageTable::Lookup(at) != UnknownMessageId) return at;
    }
    return nullptr;
}

}  // namespace drovane
