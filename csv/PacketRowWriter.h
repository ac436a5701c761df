#pragma once
#include <cstdint>

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

    PacketRowWriter(const RunOptions& options, CANDataMgr& fields, TextBuffer& output, TextBuffer& diagnostics);

    // Writes out the current data packet (finished or not). Clears no valid flag but Time's
    // setting; the assembler clears the table afterwards.
    void WritePacket();

    // Data rows written so far.
    std::int64_t RowsWritten() const { return rowsWritten_; }

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
