#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "decode/FieldTable.h"

namespace drovane {

// Numbers the data packets and writes the CSV: the header row once, then one row per packet that
// holds enough decoded values.
class PacketRowWriter {
public:
    // A packet with fewer valid columns than this besides Time is dropped with a warning.
    static constexpr int kMinimumValidColumns = 8;
    // The room a row claims in the buffer: each cell's comma and block of text, and the line end.
    static constexpr std::size_t kRowRoom = kColumnCount * (CANFieldEntry::kTextBlock + 1) + 1;
    static_assert(kRowRoom <= TextBuffer::kMaxClaim);

    PacketRowWriter(const RunOptions& options, CANDataMgr& fields, TextBuffer& output, TextBuffer& diagnostics);

    // Writes out the current data packet (finished or not). Clears no valid flag but Time's
    // setting; the assembler clears the table afterwards.
    void WritePacket();

    // Data rows written so far.
    std::int64_t RowsWritten() const { return rowsWritten_; }

    // What a packet's row is made of, for the conversion of a chunk of a log too, which writes
    // its rows without the Time cell (convert/parallel/ChunkConverter.h).

    // The heading row, with its line end.
    static std::string HeaderRow(const CANDataMgr& fields);
    // Whether a packet with `valid` columns besides Time is dropped, and the warning then.
    static bool SkipsPacket(int valid) { return valid < kMinimumValidColumns && kColumnCount - 1 - valid > valid; }
    static void WarnSkipped(TextBuffer& diagnostics, int valid);
    // The cells after Time of the row of the `valid` columns, each after its comma, and the line
    // end, written at `out`, which has room for kRowRoom bytes; returns the end. Every cell's
    // text lies at the start of a block of its entry: the comma goes first, then the block is
    // copied whole, and the row advances past the text alone, which is empty when the column
    // holds no value. No cell costs a branch. For a row without a text too long for a block.
    [[gnu::always_inline]] static char* WriteCellsAfterTime(const CANDataMgr& fields, std::uint64_t valid, char* out) {
        constexpr std::size_t kBlock = CANFieldEntry::kTextBlock;
        static_assert(kBlock == 16);
#pragma GCC unroll 34
        for (int column = 1; column < kColumnCount; ++column) {
            const CANFieldEntry& entry = fields.Entry(column);
            *out = ',';
            std::memcpy(out + 1, entry.TextBlock(), kBlock);
            out += 1 + (entry.Length() & (0 - (valid >> column & 1)));
        }
        *out++ = '\n';
        return out;
    }
    // The same for any row, cell by cell, and the number of bytes it takes.
    static char* WriteAnyCellsAfterTime(const CANDataMgr& fields, std::uint64_t valid, char* out);
    static std::size_t AnyCellsAfterTimeLength(const CANDataMgr& fields, std::uint64_t valid);

private:
    void HoldValues();
    void WriteHeaderRow();
    void WriteDataRow();
    void WriteRowWithLongTexts(std::uint64_t valid);

    const RunOptions& options_;
    CANDataMgr& fields_;
    TextBuffer& output_;
    TextBuffer& diagnostics_;
    bool headerWritten_ = false;
    std::int64_t packetCounter_ = 0;
    std::int64_t rowsWritten_ = 0;
    std::uint64_t heldColumns_ = 0;  // with "--hold": the columns given a value so far
};

}  // namespace drovane
