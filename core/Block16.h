#pragma once
// Sixteen-byte blocks of text, stored and copied whole. A block stored in one go is forwarded by
// the processor to a load of the same sixteen bytes right after; a load that spans two smaller
// stores waits for both to reach the cache. Cell texts are formed as blocks and copied into rows
// as blocks for that reason.
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/LittleEndian.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace drovane {

// Stores the block whose bytes 0 .. 7 are `low` and 8 .. 15 are `high`, least significant first.
inline void StoreBlock16(char* out, std::uint64_t low, std::uint64_t high) {
#if defined(__SSE2__)
    if constexpr (std::endian::native == std::endian::little) {
        __m128i block = _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
        return;
    }
#endif
    StoreLittleEndian(out, low);
    StoreLittleEndian(out + 8, high);
}

inline void CopyBlock16(char* out, const char* in) { std::memcpy(out, in, 16); }

// Copies the block at `in` without its first byte: fifteen bytes, and a sixteenth of no meaning.
inline void CopyBlock16AfterFirst(char* out, const char* in) {
#if defined(__SSE2__)
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_srli_si128(block, 1));
#else
    std::uint64_t low = LoadLittleEndian(in);
    std::uint64_t high = LoadLittleEndian(in + 8);
    StoreLittleEndian(out, low >> 8 | high << 56);
    StoreLittleEndian(out + 8, high >> 8);
#endif
}

}  // namespace drovane
