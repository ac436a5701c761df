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

}  // namespace drovane
