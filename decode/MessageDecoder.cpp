#include "decode/MessageDecoder.h"

#include <array>
#include <cstring>


namespace drovane {

MessageDecoder::MessageDecoder(const RunOptions& options, CANDataMgr& fields, TextBuffer& diagnostics)
    : diagnostics_(diagnostics),
      hexDump_(options.HexDump()),
      traced_(options.FieldTrace()),
      untraced_(!hexDump_ && !traced_),
      context_{fields, memory_, texts_, options.units} {
    for (int rule = 1; rule < kRuleCount; ++rule) {
        const MessageRuleShape& shape = kRuleShapes[rule];
        lastRecords_[rule].dataBits = shape.dataBits;
        lastRecords_[rule].repeatable = shape.dataBits != 0 && !shape.rarelyRepeats ? shape.columns : 0;
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

void MessageDecoder::DecodeTraced(std::uint16_t id, std::uint8_t length, const std::uint8_t* data) {
    if (hexDump_) HexDump(id, length, data);
    std::uint8_t rule = RuleOfIdentifier(id);
    if (rule == kNoRule) return;
    if (traced_) {
        ApplyRule<true>(rule, data, context_);
    } else {
        DecodeUntraced(rule, data);
    }
}

void MessageDecoder::HexDump(std::uint16_t id, std::uint8_t length, const std::uint8_t* data) {
    // The length comes from the known-message table, so it never exceeds the eight data bytes;
    // the cap keeps the dump inside the record whatever a caller passes.
    std::size_t count = length < kMaxDataLength ? length : kMaxDataLength;
    char* out = diagnostics_.Claim(8 + 3 * kMaxDataLength);
    std::memcpy(out, &kSpacedHex[id >> 8][1], 2);
    std::memcpy(out + 2, &kSpacedHex[id & 0xFF][1], 2);
    out[4] = ':';
    out += 5;
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(out, kSpacedHex[data[i]].data(), 4);
        out += 3;
    }
    *out++ = '\n';
    diagnostics_.Commit(out);
}

}  // namespace drovane
