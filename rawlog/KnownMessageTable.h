#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace drovane {

inline constexpr std::uint16_t UnknownMessageId = 0xFFFF;

// What framing needs to know of a message: the length its records carry and its role. Two bytes,
// which one load fetches.
struct MessageKind {
    static constexpr std::uint8_t kTracked = 1;  // its order tells when a cycle restarted without its closing record
    static constexpr std::uint8_t kClosing = 2;  // its record closes a data packet

    std::uint8_t length = 0;  // 0: not a known message
    std::uint8_t roles = 0;

    constexpr bool Known() const { return length != 0; }
    bool Tracked() const { return (roles & kTracked) != 0; }
    bool Closing() const { return (roles & kClosing) != 0; }
};

// The CAN messages accepted as genuine: each identifier with the one length its records carry,
// and the identifiers with a role in framing.
class KnownMessageTable {
public:
    struct Entry {
        std::uint16_t identifier;
        std::uint8_t length;
    };
    static constexpr std::size_t kEntryCount = 62;

    // The first message of a cycle: its header ends the hunt.
    static constexpr std::uint16_t kSyncId = 0x020;
    // The last message of a cycle: its record closes the data packet.
    static constexpr std::uint16_t kClosingId = 0x56D;
    // The tracked range: identifiers whose order tells where a cycle starts.
    static constexpr std::uint16_t kTrackedLow = 0x020;
    static constexpr std::uint16_t kTrackedHigh = 0x3CD;
    // Every identifier of the table fits in 11 bits.
    static constexpr std::size_t kIdentifierSpace = 0x800;

    // The known messages, in ascending order of identifier.
    static constexpr const std::array<Entry, kEntryCount>& Entries() { return kEntries; }

    // The kind of the message whose header holds `id` and `length`; no length when the header
    // is not known.
    static MessageKind KindOf(std::uint16_t id, std::uint8_t length) {
        MessageKind kind = kKinds[id];
        return kind.length == length ? kind : MessageKind{};
    }
    // The same for the header (identifier high, identifier low, length) at `header`.
    static MessageKind KindOfHeader(const std::uint8_t* header) {
        return KindOf(static_cast<std::uint16_t>(header[0] << 8 | header[1]), header[2]);
    }

    // The identifier of a known header, else UnknownMessageId. Constant time: it runs once per
    // byte while regaining step.
    static std::uint16_t Lookup(const std::uint8_t* header) {
        return KindOfHeader(header).Known() ? static_cast<std::uint16_t>(header[0] << 8 | header[1]) : UnknownMessageId;
    }
    static std::uint16_t Lookup(std::uint8_t high, std::uint8_t low, std::uint8_t length) {
        const std::uint8_t header[] = {high, low, length};
        return Lookup(header);
    }

    // The table's length for an identifier, 0 when it is not in the table.
    static constexpr std::uint8_t LengthOf(std::uint16_t identifier) { return kKinds[identifier].length; }

private:
    static constexpr std::array<Entry, kEntryCount> kEntries{{
        {0x002, 4}, {0x020, 3}, {0x022, 8}, {0x023, 7}, {0x025, 8}, {0x030, 8}, {0x038, 7}, {0x039, 4}, {0x03A, 7},
        {0x03B, 5}, {0x03E, 3}, {0x060, 7}, {0x087, 8}, {0x0B0, 3}, {0x0B1, 6}, {0x0B3, 6}, {0x0B4, 8}, {0x0C9, 5},
        {0x120, 8}, {0x230, 7}, {0x244, 8}, {0x262, 4}, {0x348, 6}, {0x34F, 5}, {0x3C8, 5}, {0x3C9, 8}, {0x3CA, 5},
        {0x3CB, 7}, {0x3CD, 5}, {0x3CF, 5}, {0x423, 1}, {0x4C1, 8}, {0x4C3, 8}, {0x4C6, 8}, {0x4C7, 8}, {0x4C8, 8},
        {0x4CE, 8}, {0x4D0, 8}, {0x4D1, 8}, {0x520, 3}, {0x521, 2}, {0x526, 3}, {0x527, 3}, {0x528, 4}, {0x529, 7},
        {0x52C, 2}, {0x540, 4}, {0x553, 7}, {0x554, 7}, {0x56D, 4}, {0x57F, 7}, {0x591, 4}, {0x5A4, 2}, {0x5B2, 4},
        {0x5B6, 3}, {0x5C8, 3}, {0x5CC, 3}, {0x5D4, 2}, {0x5EC, 7}, {0x5ED, 6}, {0x5F8, 2}, {0x602, 2},
    }};

    // The kind of every identifier, so that a header's kind is one load.
    static constexpr std::array<MessageKind, 0x10000> kKinds = [] {
        std::array<MessageKind, 0x10000> kinds{};
        for (const Entry& entry : kEntries) {
            bool tracked = entry.identifier >= kTrackedLow && entry.identifier <= kTrackedHigh;
            bool closing = entry.identifier == kClosingId;
            kinds[entry.identifier] = {entry.length, static_cast<std::uint8_t>((tracked ? MessageKind::kTracked : 0) |
                                                                               (closing ? MessageKind::kClosing : 0))};
        }
        return kinds;
    }();
};

// Facts of the table that the code relies on.
static_assert(
    [] {
        const auto& entries = KnownMessageTable::Entries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].identifier >= KnownMessageTable::kIdentifierSpace || entries[i].length < 1 ||
                entries[i].length > 8)
                return false;
            if (i > 0 && entries[i - 1].identifier >= entries[i].identifier) return false;
        }
        return true;
    }(),
    "identifiers rise, fit in 11 bits and carry 1 to 8 data bytes");
static_assert(KnownMessageTable::LengthOf(KnownMessageTable::kSyncId) != 0 &&
              KnownMessageTable::LengthOf(KnownMessageTable::kClosingId) != 0);

}  // namespace drovane
