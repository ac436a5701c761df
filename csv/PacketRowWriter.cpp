#include "csv/PacketRowWriter.h"

#include <bit>
#include <cstring>

#include "core/Block16.h"

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
        // The values of a skipped packet were accepted all the same: later rows may hold them.
        if (options_.holdValues) [[unlikely]]
            heldColumns_ |= fields_.ValidMask();
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
    if (options_.holdValues) [[unlikely]]
        HoldValues();
    WriteDataRow();
    ++rowsWritten_;
}

// Every column keeps the text it was last given, accepted values only, so a column that has been
// given a value before is written as if it held that value in this packet too. The table's valid
// flags are cleared after every packet, so marking them here changes nothing that follows.
void PacketRowWriter::HoldValues() {
    heldColumns_ |= fields_.ValidMask();
    fields_.MarkValidColumns(heldColumns_);
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
    fields_.FormatPendingNumbers();
    std::uint64_t valid = fields_.ValidMask();
    if ((valid & fields_.LongTextMask()) != 0) {
        WriteRowWithLongTexts(valid);
        return;
    }
    // Every cell's comma and text lie in one block of its entry: copy the block whole and advance
    // past the comma alone when the column holds no value, so that no cell costs a branch.
    constexpr std::size_t kBlock = CANFieldEntry::kCellBlock;
    static_assert(kBlock == 16);
    constexpr std::size_t kRowRoom = CANDataMgr::kFieldCount * kBlock + 1;
    static_assert(kRowRoom <= TextBuffer::kMaxClaim);
    const auto& entries = fields_.Entries();
    char* out = output_.Claim(kRowRoom);
    // Time, first in the row, goes without its comma.
    CopyBlock16AfterFirst(out, entries[0].CommaAndText());
    out += entries[0].InlineLength() & (0 - (valid & 1));
#pragma GCC unroll 34
    for (int index = 1; index < CANDataMgr::kFieldCount; ++index) {
        const CANFieldEntry& entry = entries[index];
        CopyBlock16(out, entry.CommaAndText());
        std::size_t length = (valid >> index & 1) != 0 ? entry.InlineLength() : 0;
        out += length + 1;
    }
    *out++ = '\n';
    output_.Commit(out);
}

// The general row, for the rare packet with a cell text too long to lie inside its entry.
void PacketRowWriter::WriteRowWithLongTexts(std::uint64_t valid) {
    for (int index = 0; index < CANDataMgr::kFieldCount; ++index, valid >>= 1) {
        if (index != 0) output_.Put(',');
        if ((valid & 1) != 0) output_.Append(fields_.Entry(index).Value());
    }
    output_.Put('\n');
}

}  // namespace drovane
