#pragma once
#include <string>
#include <string_view>

#include "core/ByteSource.h"
#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "csv/PacketRowWriter.h"
#include "decode/FieldTable.h"
#include "decode/MessageDecoder.h"
#include "rawlog/InputWindow.h"
#include "convert/PacketAssembler.h"

namespace drovane {

// Everything one run of the converter owns: its options, the field table, the decoder's memory
// and the packet counter. The driver creates one; tests create as many as they like.
class Conversion {
public:
    // Builds the field table (whose headings follow the unit system) right away, as the driver
    // must before it asks for the input name.
    Conversion(const RunOptions& options, TextBuffer& output, TextBuffer& diagnostics);

    // Converts the whole input. Read and write failures are left in the source and the buffers
    // for the caller to report. `observer`, when given, hears how far the input has been read.
    void Run(ByteSource& input, std::size_t bufferSize = InputWindow::kDefaultCapacity,
             ProgressObserver* observer = nullptr);

    // The row writer, which counts the rows written so far.
    const PacketRowWriter& Writer() const { return writer_; }
    // The input held not even one record header; the conversion has said so.
    bool InputTooShort() const { return assembler_.InputTooShort(); }

private:
    RunOptions options_;
    CANDataMgr fields_;
    MessageDecoder decoder_;
    PacketRowWriter writer_;
    PacketAssembler assembler_;
};

// What an in-memory conversion produced.
struct ConversionText {
    std::string csv;
    std::string diagnostics;
};

// Converts a raw log held in memory; for tests and tools.
ConversionText ConvertBytes(std::string_view log, const RunOptions& options);

}  // namespace drovane
