#include "csv/PacketRowWriter.h"

#include <cstring>

namespace drovane {

PacketRowWriter::PacketRowWriter(const RunOptions& options, CANDataMgr& fields, TextBuffer& output,
                                 TextBuffer& diagnostics)
    : options_(options), fields_(fields), output_(output), diagnostics_(diagnostics) {}

void PacketRowWriter::WritePacket() {
    ++packetCounter_;
    fields_.SetFieldValue(Reading::Whole(packetCounter_), kColTime);
    if (!headerWritten_) {
        WriteHeaderRow();
        headerWritten_ = true;
    }
    int valid = fields_.ValidBesidesTime();
    int invalid = kColumnCount - 1 - valid;
    if (valid < kMinimumValidColumns && invalid > valid) {
        // The values of a skipped packet were accepted all the same: later rows may hold them.
        if (options_.holdValues) [[unlikely]]
            heldColumns_ |= fields_.ValidColumns();
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
    heldColumns_ |= fields_.ValidColumns();
    fields_.MarkValid(heldColumns_);
}

void PacketRowWriter::WriteHeaderRow() {
    for (int column = 0; column < kColumnCount; ++column) {
        if (column != 0) output_.Put(',');
        output_.Put('"');
        output_.Append(fields_.Entry(column).name);
        output_.Put('"');
    }
    output_.Put('\n');
}

void PacketRowWriter::WriteDataRow() {
    std::uint64_t valid = fields_.ValidColumns();
    if ((valid & fields_.LongTextColumns()) != 0) {
        WriteRowWithLongTexts(valid);
        return;
    }
    // Every cell's text lies at the start of a block of its entry: the comma goes first, then the
    // block is copied whole, and the row advances past the text alone, which is empty when the
    // column holds no value. No cell costs a branch.
    constexpr std::size_t kBlock = CANFieldEntry::kTextBlock;
    static_assert(kBlock == 16);
    constexpr std::size_t kRowRoom = kColumnCount * (kBlock + 1) + 1;
    static_assert(kRowRoom <= TextBuffer::kMaxClaim);
    const CANDataMgr& fields = fields_;  // held apart from the row, which the compiler must assume may alias it
    char* out = output_.Claim(kRowRoom);
    // Time, first in the row, goes without a comma.
    const CANFieldEntry& time = fields.Entry(kColTime);
    std::memcpy(out, time.TextBlock(), kBlock);
    out += time.Length() & (0 - (valid & 1));
#pragma GCC unroll 34
    for (int column = 1; column < kColumnCount; ++column) {
        const CANFieldEntry& entry = fields.Entry(column);
        *out = ',';
        std::memcpy(out + 1, entry.TextBlock(), kBlock);
        out += 1 + (entry.Length() & (0 - (valid >> column & 1)));
    }
    *out++ = '\n';
    output_.Commit(out);
}

// The general row, for the rare packet with a cell text too long to lie inside its entry.
void PacketRowWriter::WriteRowWithLongTexts(std::uint64_t valid) {
    for (int column = 0; column < kColumnCount; ++column, valid >>= 1) {
        if (column != 0) output_.Put(',');
        if ((valid & 1) != 0) output_.Append(fields_.Entry(column).Value());
    }
    output_.Put('\n');
}

}  // namespace drovane
