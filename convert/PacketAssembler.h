#pragma once
#include <cstdint>

#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "csv/PacketRowWriter.h"
#include "decode/FieldTable.h"
#include "decode/MessageDecoder.h"
#include "rawlog/PacketFramer.h"
#include "rawlog/RawRecord.h"

namespace drovane {

// The conversion's main loop, Run: a framer whose records go to the decoder and whose packets go
// to the row writer, after which the field table starts the next packet empty. Run returns at
// the end of the input, on a read error, or once the output has failed (nothing more could be
// written).
class PacketAssembler : public PacketFramer<PacketAssembler> {
public:
    PacketAssembler(const RunOptions& options, CANDataMgr& fields, MessageDecoder& decoder, PacketRowWriter& writer,
                    TextBuffer& output, TextBuffer& diagnostics)
        : PacketFramer(options, diagnostics), fields_(fields), decoder_(decoder), writer_(writer), output_(output) {}

private:
    friend PacketFramer<PacketAssembler>;

    // What the framer tells the assembler.
    void Record(std::uint16_t id, const std::uint8_t* record) {
        decoder_.DecodeInCycle(id, RawRecord::LengthOf(record), RawRecord::DataOf(record));
    }
    void Settle() { decoder_.Settle(); }
    void ClosePacket() {
        writer_.WritePacket();
        fields_.ClearValidFlags();
    }
    bool Stopped() const { return output_.Failed(); }

    CANDataMgr& fields_;
    MessageDecoder& decoder_;
    PacketRowWriter& writer_;
    const TextBuffer& output_;
};

}  // namespace drovane
