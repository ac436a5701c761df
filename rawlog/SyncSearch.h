#pragma once
#include <cstdint>
#include <cstring>

namespace drovane {

// The three bytes that end the hunt: the header of the synchronisation record 0x020.
inline constexpr std::uint8_t kSyncHeader[3] = {0x00, 0x20, 0x03};

// The first position p in [begin, end - 2) where p[0..2] is the synchronisation header, or nullptr.
// Searches for the rarer middle byte with memchr and checks its neighbours.
inline const std::uint8_t* FindSyncHeader(const std::uint8_t* begin, const std::uint8_t* end) {
    if (end - begin < 3) return nullptr;
    // Most hunts start right after a packet's closing record, where the next cycle begins.
    if (begin[0] == kSyncHeader[0] && begin[1] == kSyncHeader[1] && begin[2] == kSyncHeader[2]) return begin;
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

}  // namespace drovane
