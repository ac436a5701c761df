#pragma once
// Plain twins of the converter's fast pieces: what each one must answer, done the obvious way.
#include <cstdint>

#include "rawlog/KnownMessageTable.h"

namespace drovane::test {

// The header lookup as a scan of the table's entries, first to last.
inline std::uint16_t ScanKnownMessages(std::uint8_t high, std::uint8_t low, std::uint8_t length) {
    unsigned id = high * 256u + low;
    for (const auto& entry : KnownMessageTable::Entries()) {
        if (entry.identifier == id && entry.length == length) return entry.identifier;
    }
    return UnknownMessageId;
}

// The hunt one byte at a time: the first window in [begin, end) whose header is 0x020.
inline const std::uint8_t* SlideToSyncHeader(const std::uint8_t* begin, const std::uint8_t* end) {
    for (const std::uint8_t* at = begin; end - at >= 3; ++at) {
        if (ScanKnownMessages(at[0], at[1], at[2]) == 0x020) return at;
    }
    return nullptr;
}

}  // namespace drovane::test
