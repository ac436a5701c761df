#include "csv/PacketRowWriter.h"

#include <bit>
#include <cstring>

namespace drovane {

PacketRowWriter::PacketRowWriter(const RunOptions& options, CANDataMgr& fields, TextBuffer& output,
                                 TextBuffer& diagnostics)
    : options_(options), fields_(fields), output_(output), diagnostics_(diagnostics) {}

void PacketRowWriter::WritePacket() {
    ++packetCounter_;
    fields_.SetPacketNumber(packetCounter_);
    if (!fields_.headerWritten) {
        WriteHeaderRow();
        fields_.headerWritten = true;
    }
    int valid = fields_.ValidBesidesTime();
    int invalid = CANDataMgr::kFieldCount - 1 - valid;
    if (valid < kMinimumValidFields && invalid > valid) {
        diagnostics_.Append("*** WARNING: skipping data packet, ");
        diagnostics_.AppendInteger(invalid);
        diagnostics_.Append(" fields invalid, ");
        diagnostics_.AppendInteger(valid);
        diagnostics_.Append(" fields valid\n");
        return;
    }
    if (options_.verbose) {
        diagnostics_.Append("--- valid packet ");
        diagnostics_.AppendInteger(packetCounter_);
        diagnostics_.Append(" -------------------------\n");
    }
    WriteDataRow();
    ++rowsWritten_;
}

void PacketRowWriter::WriteHeaderRow() {
    for (int index = 0; index < CANDataMgr::kFieldCount; ++index) {
        if (index != 0) output_.Put(',');
        output_.Put('"');
        output_.Append(fields_.Entry(index).name);
        output_.Put('"');
    }
    output_.Put('\n');
}

void PacketRowWriter::WriteDataRow() {
    // Every cell but an unusually long stored text lies inside its entry: copy a fixed block per
    // cell (cheaper than a copy of exact length) and advance by the text's length.
    constexpr std::size_t kRowRoom = CANDataMgr::kFieldCount * (CANFieldEntry::kInlineText + 1);
    static_assert(kRowRoom <= TextBuffer::kMaxClaim);
    const auto& entries = fields_.Entries();
    std::uint64_t valid = fields_.ValidMask();
    char* out = output_.Claim(kRowRoom);
    for (int index = 0; index < CANDataMgr::kFieldCount; ++index, valid >>= 1) {
        if (index != 0) *out++ = ',';
        if ((valid & 1) == 0) continue;
        const CANFieldEntry& entry = entries[index];
        std::string_view text = entry.Value();
        if (!entry.IsInline()) {
            output_.Commit(out);
            output_.Append(text);
            out = output_.Claim(kRowRoom);
            continue;
        }
        std::memcpy(out, entry.InlineText(), CANFieldEntry::kInlineText);
        out += text.size();
    }
    *out++ = '\n';
    output_.Commit(out);
}

}  // namespace drovane
