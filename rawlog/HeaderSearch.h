#pragma once
// The two searches that slide over damaged or foreign bytes: for the synchronisation header while
// hunting, and for any known header while regaining step. Each returns the first position p in
// [begin, end - 2) where p[0..2] is such a header, or nullptr.
#include <cstdint>
#include <cstring>

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
        auto* hit = static_cast<const std::uint8_t*>(std::memchr(from, kSyncHeader[1], static_cast<std::size_t>(last - from)));
        if (hit == nullptr) return nullptr;
        if (hit[-1] == kSyncHeader[0] && hit[1] == kSyncHeader[2]) return hit - 1;
        from = hit + 1;
    }
    return nullptr;
}

// Looks every window up in turn. Regaining step is rare: only a log damaged for 880 bytes in a
// row while in step needs it.
inline const std::uint8_t* FindKnownHeader(const std::uint8_t* begin, const std::uint8_t* end) {
    for (const std::uint8_t* at = begin; end - at >= 3; ++at) {
        if (KnownMessageTable::KindOfHeader(at).Known()) return at;
    }
    return nullptr;
}

}  // namespace drovane
