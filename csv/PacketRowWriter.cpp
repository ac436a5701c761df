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
    if (SkipsPacket(valid)) {
        // The values of a skipped packet were accepted all the same: later rows may hold them.
        if (options_.holdValues) [[unlikely]]
            heldColumns_ |= fields_.ValidColumns();
        WarnSkipped(diagnostics_, valid);
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

void PacketRowWriter::WarnSkipped(TextBuffer& diagnostics, int valid) {
    diagnostics.Append("*** WARNING: skipping data packet, ");
    diagnostics.AppendInteger(kColumnCount - 1 - valid);
    diagnostics.Append(" fields invalid, ");
    diagnostics.AppendInteger(valid);
    diagnostics.Append(" fields valid\n");
}

std::string PacketRowWriter::HeaderRow(const CANDataMgr& fields) {
    std::string row;
    for (int column = 0; column < kColumnCount; ++column) {
        if (column != 0) row += ',';
        row += '"';
        row += fields.Entry(column).name;
        row += '"';
    }
    row += '\n';
    return row;
}

void PacketRowWriter::WriteHeaderRow() { output_.Append(HeaderRow(fields_)); }

void PacketRowWriter::WriteDataRow() {
    std::uint64_t valid = fields_.ValidColumns();
    if ((valid & fields_.LongTextColumns()) != 0) {
        WriteRowWithLongTexts(valid);
        return;
    }
    const CANDataMgr& fields = fields_;  // held apart from the row, which the compiler must assume may alias it
    char* out = output_.Claim(kRowRoom);
    // Time, first in the row, goes without a comma.
    const CANFieldEntry& time = fields.Entry(kColTime);
    std::memcpy(out, time.TextBlock(), CANFieldEntry::kTextBlock);
    out += time.Length() & (0 - (valid & 1));
    output_.Commit(WriteCellsAfterTime(fields, valid, out));
}

// The general row, for the rare packet with a cell text too long to lie inside its entry.
void PacketRowWriter::WriteRowWithLongTexts(std::uint64_t valid) {
    for (int column = 0; column < kColumnCount; ++column, valid >>= 1) {
        if (column != 0) output_.Put(',');
        if ((valid & 1) != 0) output_.Append(fields_.Entry(column).Value());
    }
    output_.Put('\n');
}

char* PacketRowWriter::WriteAnyCellsAfterTime(const CANDataMgr& fields, std::uint64_t valid, char* out) {
    for (int column = 1; column < kColumnCount; ++column) {
        *out++ = ',';
        if ((valid >> column & 1) == 0) continue;
        std::string_view text = fields.Entry(column).Value();
        std::memcpy(out, text.data(), text.size());
        out += text.size();
    }
    *out++ = '\n';
    return out;
}

std::size_t PacketRowWriter::AnyCellsAfterTimeLength(const CANDataMgr& fields, std::uint64_t valid) {
    std::size_t length = kColumnCount;  // the commas and the line end
    for (int column = 1; column < kColumnCount; ++column) {
        if ((valid >> column & 1) != 0) length += fields.Entry(column).Value().size();
    }
    return length;
}

}  // namespace drovane
