#include "csv/PacketRowWriter.h"

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
    // Cells are short: stored words and "%1g" numbers. Claim room for the whole row at once and
    // fall back to appending cell by cell for a row of unusually long texts.
    const auto& entries = fields_.Entries();
    std::size_t needed = CANDataMgr::kFieldCount;
    for (const auto& entry : entries) {
        if (entry.valid) needed += entry.Value().size();
    }
    if (needed > TextBuffer::kMaxClaim) {
        for (int index = 0; index < CANDataMgr::kFieldCount; ++index) {
            if (index != 0) output_.Put(',');
            if (entries[index].valid) output_.Append(entries[index].Value());
        }
        output_.Put('\n');
        return;
    }
    char* out = output_.Claim(needed);
    for (int index = 0; index < CANDataMgr::kFieldCount; ++index) {
        if (index != 0) *out++ = ',';
        if (entries[index].valid) {
            std::string_view text = entries[index].Value();
            std::memcpy(out, text.data(), text.size());
            out += text.size();
        }
    }
    *out++ = '\n';
    output_.Commit(out);
}

}  // namespace drovane
