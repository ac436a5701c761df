#pragma once
#include <cstddef>
#include <cstdint>

namespace drovane {

// One record of the raw log as it lies in the file: identifier high byte, identifier low byte,
// length byte, then always eight data bytes whatever the length byte says. Records are read in
// place, from the input's buffer.
struct RawRecord {
    static constexpr std::size_t kHeaderSize = 3;
    static constexpr std::size_t kDataSize = 8;
    static constexpr std::size_t kSize = kHeaderSize + kDataSize;

    // The identifier of the record or header at `bytes`, high byte first.
    static std::uint16_t IdentifierOf(const std::uint8_t* bytes) {
        return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    }
    static std::uint8_t LengthOf(const std::uint8_t* record) { return record[2]; }
    // Data bytes D0..D7.
    static const std::uint8_t* DataOf(const std::uint8_t* record) { return record + kHeaderSize; }
};

}  // namespace drovane
