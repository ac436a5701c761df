#include "decode/MessageDecoder.h"

#include "decode/MessageRules.h"

namespace drovane {

MessageDecoder::MessageDecoder(const RunOptions& options, CANDataMgr& fields, TextBuffer& diagnostics)
    : options_(options), fields_(fields), diagnostics_(diagnostics) {}

void MessageDecoder::DecodeMessage(std::uint16_t id, const std::uint8_t* record) {
    const std::uint8_t* data = record + RawRecord::kHeaderSize;
    if (options_.HexDump()) HexDump(id, record[2], data);
    const MessageRule* rule = FindMessageRule(id);
    if (rule == nullptr) return;
    Context context{data, fields_, memory_, options_.units};
    rule->decode(context);
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
