#pragma once
// The two searches that slide over damaged or foreign bytes: for the synchronisation header while
// hunting, and for any known header while regaining step. Each returns the first position p in
// [begin, end - 2) where p[0..2] is such a header, or nullptr.
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/LittleEndian.h"
#include "rawlog/KnownMessageTable.h"

namespace drovane {

// The three bytes that end the hunt: the header of the synchronisation record.
inline constexpr std::uint8_t kSyncHeader[3] = {KnownMessageTable::kSyncId >> 8, KnownMessageTable::kSyncId & 0xFF,
                                                KnownMessageTable::LengthOf(KnownMessageTable::kSyncId)};

// Searches for the rarer middle byte with memchr and checks its neighbours.
inline const std::uint8_t* FindSyncHeader(const std::uint8_t* begin, const std::uint8_t* end) {
    if (end - begin < 3) return nullptr;
    const std::uint8_t* from = begin + 1;
    const std::uint8_t* last = end - 1;  // the middle byte of the last whole window lies before it
    while (from < last) {
        auto* hit =
            static_cast<const std::uint8_t*>(std::memchr(from, kSyncHeader[1], static_cast<std::size_t>(last - from)));
        if (hit == nullptr) return nullptr;
        if (hit[-1] == kSyncHeader[0] && hit[1] == kSyncHeader[2]) return hit - 1;
        from = hit + 1;
    }
    return nullptr;
}

// The top bit of every byte of `word` that is below `limit` (a power of two up to 128), and
// perhaps of some bytes above such a byte (a borrow); never misses one.
inline std::uint64_t BytesBelow(std::uint64_t word, std::uint8_t limit) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kTops = 0x8080808080808080ull;
    std::uint64_t masked = word & (kOnes * static_cast<std::uint8_t>(0x100 - limit));  // zero exactly there
    return (masked - kOnes) & ~masked & kTops;
}

// The top bit of exactly those bytes of `word` that are not zero (no carry crosses a byte).
inline std::uint64_t BytesNotZero(std::uint64_t word) {
    constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;
    constexpr std::uint64_t kTops = 0x8080808080808080ull;
    return (((word & kLows) + kLows) | word) & kTops;
}

// Every known identifier is below 0x800 and every length is 1 to 8, so a known header's first
// byte is below 8 and its third is not zero and below 16: eight positions at a time are passed
// over when no first byte and third byte qualify together, and only the rest are looked up. So a
// stretch of zero bytes (a preallocated log, a card image) is passed over as fast as random
// bytes. In random bytes, once a chance synchronisation header has put the framer in step, the
// rest of the input is regained byte by byte.
inline const std::uint8_t* FindKnownHeader(const std::uint8_t* begin, const std::uint8_t* end) {
    static_assert(KnownMessageTable::kIdentifierSpace <= 8 << 8);
    const std::uint8_t* at = begin;
    for (; end - at >= 8 + 2; at += 8) {
        std::uint64_t firsts = LoadLittleEndian(at);      // byte i: the first byte of the window at i
        std::uint64_t thirds = LoadLittleEndian(at + 2);  // byte i: its third byte
        for (std::uint64_t candidates = BytesBelow(firsts, 8) & BytesBelow(thirds, 16) & BytesNotZero(thirds);
             candidates != 0; candidates &= candidates - 1) {
            const std::uint8_t* window = at + std::countr_zero(candidates) / 8;
            if (KnownMessageTable::KindOfHeader(window).Known()) return window;
        }
    }
    for (; end - at >= 3; ++at) {
        if (KnownMessageTable::KindOfHeader(at).Known()) return at;
    }
    return nullptr;
}

}  // namespace drovane
