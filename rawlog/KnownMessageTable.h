#pragma once
#include <array>
#include <cstdint>

namespace drovane {

inline constexpr std::uint16_t UnknownMessageId = 0xFFFF;

// The CAN messages accepted as genuine: each identifier with the one length its records carry.
class KnownMessageTable {
public:
    struct Entry {
        std::uint16_t identifier;
        std::uint8_t length;
    };
    static constexpr std::size_t kEntryCount = 62;
    // Every identifier of the table fits in 11 bits.
    static constexpr std::size_t kIdentifierSpace = 0x800;

    static const std::array<Entry, kEntryCount>& Entries();

    // The identifier of a known header (identifier high, identifier low, length), else
    // UnknownMessageId. Constant time: it runs once per byte while hunting.
    static std::uint16_t Lookup(std::uint8_t high, std::uint8_t low, std::uint8_t length) {
        unsigned identifier = static_cast<unsigned>(high) << 8 | low;
        if (identifier >= kIdentifierSpace) return UnknownMessageId;
        return kLengthById[identifier] == length && length != 0 ? static_cast<std::uint16_t>(identifier)
                                                                 : UnknownMessageId;
    }
    static std::uint16_t Lookup(const std::uint8_t* header) { return Lookup(header[0], header[1], header[2]); }

    // The table's length for an identifier, 0 when it is not in the table.
    static std::uint8_t LengthOf(std::uint16_t identifier) {
        return identifier < kIdentifierSpace ? kLengthById[identifier] : 0;
    }

private:
    static const std::array<std::uint8_t, kIdentifierSpace> kLengthById;
};

}  // namespace drovane
