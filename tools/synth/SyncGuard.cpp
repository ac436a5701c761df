#include "SyncGuard.h"

#include <algorithm>
#include <cstring>

namespace drovane::synth {

bool IsSyncPattern(std::span<const std::uint8_t> bytes, std::size_t position) {
    return position + 3 <= bytes.size() && bytes[position] == 0x00 && bytes[position + 1] == 0x20 &&
           bytes[position + 2] == 0x03;
}

std::size_t BreakStraySyncHeaders(std::span<std::uint8_t> bytes, std::size_t from, std::size_t to,
                                  const std::function<bool(std::size_t)>& isRealHeader,
                                  const std::function<bool(std::size_t)>& mayChange) {
    std::size_t changed = 0;
    to = std::min(to, bytes.size() >= 2 ? bytes.size() - 2 : 0);
    std::size_t position = from;
    while (position < to) {
        // Jump to the next zero byte: patterns are rare, zero bytes less so.
        const void* zero = std::memchr(bytes.data() + position, 0x00, to - position);
        if (zero == nullptr) break;
        position = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes.data());
        if (IsSyncPattern(bytes, position) && !isRealHeader(position)) {
            for (std::size_t offset = 3; offset-- > 0;) {
                if (!mayChange(position + offset)) continue;
                static constexpr std::uint8_t kReplacement[3] = {0x01, 0x21, 0x02};
                bytes[position + offset] = kReplacement[offset];
                ++changed;
                break;
            }
        }
        ++position;
    }
    return changed;
}

}  // namespace drovane::synth
