#include "decode/MessageDecoder.h"

#include <array>
#include <cassert>
#include <cstring>

namespace drovane {

MessageDecoder::MessageDecoder(const RunOptions& options, CANDataMgr& fields, TextBuffer& diagnostics)
    : diagnostics_(diagnostics), untraced_(!options.HexDump()), context_{fields, memory_, texts_, options.units} {
    for (int rule = 1; rule < kRuleCount; ++rule) {
        const MessageRuleShape& shape = kRuleShapes[rule];
        lastMessages_[rule].dataBits = shape.dataBits;
        lastMessages_[rule].repeatable = shape.dataBits != 0 ? shape.columns : 0;
    }
}

namespace {

// " XX" for every byte value, padded to four characters so that each is copied as one block.
constexpr auto kSpacedHex = [] {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::array<std::array<char, 4>, 256> table{};
    for (int byte = 0; byte < 256; ++byte) table[byte] = {' ', kHex[byte >> 4], kHex[byte & 0xF], ' '};
    return table;
}();

}  // namespace

void MessageDecoder::HexDump(std::uint16_t id, std::uint8_t length, const std::uint8_t* data) {
    assert(length <= kMaxDataLength);
    char* out = diagnostics_.Claim(8 + 3 * kMaxDataLength);
    std::memcpy(out, &kSpacedHex[id >> 8][1], 2);
    std::memcpy(out + 2, &kSpacedHex[id & 0xFF][1], 2);
    out[4] = ':';
    out += 5;
    for (std::size_t i = 0; i < length; ++i) {
        std::memcpy(out, kSpacedHex[data[i]].data(), 4);
        out += 3;
    }
    *out++ = '\n';
    diagnostics_.Commit(out);
}

}  // namespace drovane
