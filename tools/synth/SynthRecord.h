#pragma once
#include <array>
#include <cstdint>

#include "rawlog/RawRecord.h"

namespace drovane::synth {

// One logged CAN message as the logger stores it: identifier (high byte first), length, and
// always eight data bytes, of which only the first `length` belong to the message.
struct SynthRecord {
    static constexpr int kSize = static_cast<int>(RawRecord::kSize);
    static constexpr int kHeaderSize = static_cast<int>(RawRecord::kHeaderSize);

    std::array<std::uint8_t, kSize> bytes{};

    std::uint16_t Id() const { return static_cast<std::uint16_t>(bytes[0] * 256 + bytes[1]); }
    std::uint8_t Length() const { return bytes[2]; }
    std::uint8_t Data(int index) const { return bytes[kHeaderSize + index]; }
    std::uint8_t& Data(int index) { return bytes[kHeaderSize + index]; }
};

}  // namespace drovane::synth
