#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace drovane {

// One record of the raw log as it lies in the file: identifier high byte, identifier low byte,
// length byte, then always eight data bytes whatever the length byte says.
struct RawRecord {
    static constexpr std::size_t kHeaderSize = 3;
    static constexpr std::size_t kDataSize = 8;
    static constexpr std::size_t kSize = kHeaderSize + kDataSize;

    std::array<std::uint8_t, kSize> bytes{};

    std::uint16_t Identifier() const { return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]); }
    std::uint8_t Length() const { return bytes[2]; }
    // Data byte D0..D7.
    std::uint8_t D(std::size_t index) const { return bytes[kHeaderSize + index]; }
    const std::uint8_t* Data() const { return bytes.data() + kHeaderSize; }
};

static_assert(sizeof(RawRecord) == RawRecord::kSize);

}  // namespace drovane
