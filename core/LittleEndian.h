#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

namespace drovane {

// Words kept in memory with the least significant byte first, whatever the machine's order: short
// texts are formed and copied a word at a time in this order.
inline void StoreLittleEndian(char* out, std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &word, sizeof word);
    } else {
        for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(word >> (8 * i));
    }
}

inline std::uint64_t LoadLittleEndian(const void* in) {
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&word, in, sizeof word);
    } else {
        const auto* bytes = static_cast<const unsigned char*>(in);
        for (int i = 7; i >= 0; --i) word = word << 8 | bytes[i];
    }
    return word;
}

}  // namespace drovane
