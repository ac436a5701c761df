#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

namespace drovane {

// Whether a word lies in memory least significant byte first, so that it can be copied as it is.
// A portable build (DROVANE_PORTABLE) takes the byte-by-byte path on any machine, so that the path
// a big-endian machine takes is compiled and tested too.
#if defined(DROVANE_PORTABLE)
inline constexpr bool kWordsLieLittleEndian = false;
#else
inline constexpr bool kWordsLieLittleEndian = std::endian::native == std::endian::little;
#endif

// Words kept in memory with the least significant byte first, whatever the machine's order: short
// texts are formed and copied a word at a time in this order.
inline void StoreLittleEndian(char* out, std::uint64_t word) {
    if constexpr (kWordsLieLittleEndian) {
        std::memcpy(out, &word, sizeof word);
    } else {
        for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(word >> (8 * i));
    }
}

inline std::uint64_t LoadLittleEndian(const void* in) {
    std::uint64_t word = 0;
    if constexpr (kWordsLieLittleEndian) {
        std::memcpy(&word, in, sizeof word);
    } else {
        const auto* bytes = static_cast<const unsigned char*>(in);
        for (int i = 7; i >= 0; --i) word = word << 8 | bytes[i];
    }
    return word;
}

}  // namespace drovane
