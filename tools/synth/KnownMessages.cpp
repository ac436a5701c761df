#include "KnownMessages.h"

#include <array>

namespace drovane::synth {
namespace {

constexpr std::array<KnownMessage, 62> kTable{{
    {0x002, 4}, {0x020, 3}, {0x022, 8}, {0x023, 7}, {0x025, 8}, {0x030, 8}, {0x038, 7}, {0x039, 4},
    {0x03A, 7}, {0x03B, 5}, {0x03E, 3}, {0x060, 7}, {0x087, 8}, {0x0B0, 3}, {0x0B1, 6}, {0x0B3, 6},
    {0x0B4, 8}, {0x0C9, 5}, {0x120, 8}, {0x230, 7}, {0x244, 8}, {0x262, 4}, {0x348, 6}, {0x34F, 5},
    {0x3C8, 5}, {0x3C9, 8}, {0x3CA, 5}, {0x3CB, 7}, {0x3CD, 5}, {0x3CF, 5}, {0x423, 1}, {0x4C1, 8},
    {0x4C3, 8}, {0x4C6, 8}, {0x4C7, 8}, {0x4C8, 8}, {0x4CE, 8}, {0x4D0, 8}, {0x4D1, 8}, {0x520, 3},
    {0x521, 2}, {0x526, 3}, {0x527, 3}, {0x528, 4}, {0x529, 7}, {0x52C, 2}, {0x540, 4}, {0x553, 7},
    {0x554, 7}, {0x56D, 4}, {0x57F, 7}, {0x591, 4}, {0x5A4, 2}, {0x5B2, 4}, {0x5B6, 3}, {0x5C8, 3},
    {0x5CC, 3}, {0x5D4, 2}, {0x5EC, 7}, {0x5ED, 6}, {0x5F8, 2}, {0x602, 2},
}};

// Lengths indexed by identifier, 0 for identifiers that are not known: one load per lookup.
constexpr std::array<std::uint8_t, 0x603> kLengthById = [] {
    std::array<std::uint8_t, 0x603> lengths{};
    for (const KnownMessage& entry : kTable) lengths[entry.id] = entry.length;
    return lengths;
}();

}  // namespace

std::span<const KnownMessage> KnownMessages() { return kTable; }

std::uint8_t KnownLength(std::uint16_t id) { return id < kLengthById.size() ? kLengthById[id] : 0; }

bool IsKnownHeader(std::uint8_t idHigh, std::uint8_t idLow, std::uint8_t length) {
    const auto id = static_cast<std::uint16_t>(idHigh * 256 + idLow);
    const std::uint8_t expected = KnownLength(id);
    return expected != 0 && expected == length;
}

}  // namespace drovane::synth
