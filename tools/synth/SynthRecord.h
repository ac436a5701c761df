#pragma once
#include <array>
#include <cstdint>

namespace drovane::synth {

// One logged CAN message as the logger stores it: identifier (high byte first), length, and
// always eight data bytes, of which only the first `length` belong to the message.
struct SynthRecord {
    static constexpr int kSize = 11;
    static constexpr int kHeaderSize = 3;

    std::array<std::uint8_t, kSize> bytes{};

    std::uint16_t Id() const { return static_cast<std::uint16_t>(bytes[0] * 256 + bytes[1]); }
    std::uint8_t Length() const { return bytes[2]; }
    std::uint8_t Data(int index) const { return bytes[kHeaderSize + index]; }
    std::uint8_t& Data(int index) { return bytes[kHeaderSize + index]; }
};

}  // namespace drovane::synth
