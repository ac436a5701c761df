#include "decode/MessageDecoder.h"

#include "decode/MessageRules.h"

namespace drovane {

MessageDecoder::MessageDecoder(const RunOptions& options, CANDataMgr& fields, TextBuffer& diagnostics)
    : diagnostics_(diagnostics), hexDump_(options.HexDump()), context_{nullptr, fields, memory_, options.units} {
    for (std::uint16_t id = 0; id < rules_.size(); ++id) {
        if (const MessageRule* rule = FindMessageRule(id)) rules_[id] = rule->decode;
    }
}

void MessageDecoder::HexDump(std::uint16_t id, std::uint8_t length, const std::uint8_t* data) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // The length comes from the known-message table, so it never exceeds the eight data bytes;
    // the cap keeps the dump inside the record whatever a caller passes.
    std::size_t count = length < RawRecord::kDataSize ? length : RawRecord::kDataSize;
    char* out = diagnostics_.Claim(6 + 3 * RawRecord::kDataSize);
    *out++ = kHex[id >> 12 & 0xF];
    *out++ = kHex[id >> 8 & 0xF];
    *out++ = kHex[id >> 4 & 0xF];
    *out++ = kHex[id & 0xF];
    *out++ = ':';
    for (std::size_t i = 0; i < count; ++i) {
        *out++ = ' ';
        *out++ = kHex[data[i] >> 4];
        *out++ = kHex[data[i] & 0xF];
    }
    *out++ = '\n';
    diagnostics_.Commit(out);
}

}  // namespace drovane
