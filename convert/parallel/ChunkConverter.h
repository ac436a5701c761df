#pragma once
#include <cstdint>
#include <vector>

#include "convert/parallel/ChunkJob.h"
#include "convert/parallel/ChunkOutput.h"
#include "convert/parallel/OrderedWriter.h"
#include "core/OutputSink.h"
#include "core/ProgressObserver.h"
#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "decode/FieldTable.h"
#include "decode/MessageDecoder.h"
#include "rawlog/InputWindow.h"
#include "rawlog/PacketFramer.h"

namespace drovane {

class ParallelConversion;
class ChunkConverter;

// The rows of a chunk's packets, kept for the OrderedWriter: each row after its length and without
// its Time cell (the packet's number in the file is known only when the chunks before are written), the
// packets counted from 1, and a PacketMark where a row alone does not place a packet.
class ChunkRowWriter {
public:
    ChunkRowWriter(CANDataMgr& fields, TextBuffer& csv, TextBuffer& diagnostics, ChunkConverter& converter);

    void WritePacket();
    void Reset();

    std::uint64_t Packets() const { return packets_; }
    std::uint64_t PacketsComplete() const { return packetsComplete_; }
    bool LastPacketSkipped() const { return lastSkipped_; }
    const std::vector<PacketMark>& Marks() const { return marks_; }

private:
    CANDataMgr& fields_;
    TextBuffer& csv_;
    TextBuffer& diagnostics_;
    ChunkConverter& converter_;
    std::uint64_t packets_ = 0;
    std::uint64_t packetsComplete_ = 0;
    std::uint64_t diagnosticsMarked_ = 0;
    bool lastSkipped_ = false;
    std::vector<PacketMark> marks_;
};

// Frames a chunk as the one conversion does (PacketFramer) and tells the coordinator where it
// finds its step again and what it remembers at each economy.
class ChunkAssembler : public PacketFramer<ChunkAssembler> {
public:
    ChunkAssembler(const RunOptions& options, CANDataMgr& fields, MessageDecoder& decoder, ChunkRowWriter& writer,
                   TextBuffer& diagnostics, ChunkConverter& converter)
        : PacketFramer(options, diagnostics),
          fields_(fields),
          decoder_(decoder),
          writer_(writer),
          converter_(converter) {}

    // The framer tells where it finds its step again: the merge points.
    static constexpr bool kWantsSteps = true;

private:
    friend PacketFramer<ChunkAssembler>;

    void Record(std::uint16_t id, const std::uint8_t* record) {
        decoder_.DecodeInCycle(id, RawRecord::LengthOf(record), RawRecord::DataOf(record));
    }
    void Settle() { decoder_.Settle(); }
    void ClosePacket();
    bool Stopped() const;
    bool Resynchronised(std::uint64_t consumed);

    CANDataMgr& fields_;
    MessageDecoder& decoder_;
    ChunkRowWriter& writer_;
    ChunkConverter& converter_;
};

// Converts one chunk after the other on one worker thread. The tables live as long as the
// thread: their caches (the decoder's record of repeated messages, the kept texts) hold nothing
// that a conversion started afresh would not form again.
class ChunkConverter final : private ProgressObserver {
public:
    explicit ChunkConverter(ParallelConversion& coordinator);

    // Converts `job`'s chunk from where it starts hunting until it ends (see ParallelConversion).
    void Convert(ChunkJob& job);
    // Writes the output not yet written, in the job's turn; false when the CSV failed.
    bool WriteOutput(ChunkJob& job);
    bool InputTooShort() const { return inputTooShort_; }

private:
    friend class ChunkAssembler;
    friend class ChunkRowWriter;

    // Receives the diagnostics when their buffer is full, which happens only in an unusual
    // chunk: waits for the chunk's turn and writes its output so far. It never refuses text,
    // so that the buffer serves the next chunk too: a chunk whose output cannot be written
    // stops instead.
    class OverflowSink final : public OutputSink {
    public:
        explicit OverflowSink(ChunkConverter& converter) : converter_(converter) {}
        bool Write(const char* data, std::size_t size) override {
            converter_.Drain({data, size});
            return true;
        }
        int ErrorNumber() const override { return 0; }

    private:
        ChunkConverter& converter_;
    };

    // ProgressObserver: a refill of the input buffer, which one conversion reports as progress.
    void OnInputProgress(std::uint64_t consumed) override;

    OutputMark Mark() const;
    // Writes the chunk's output so far in its turn: the complete packets and every diagnostic.
    // `diagnostics` is the diagnostics buffer's text when it is the one overflowing.
    void Drain(std::string_view overflowingDiagnostics = {});
    bool Write(std::string_view diagnostics, OutputMark to);
    void MakeRoomForRow(std::size_t size);
    bool Resynchronised(std::uint64_t position);
    void PacketClosed(bool finished);
    std::uint64_t AtBoundary();

    ParallelConversion& coordinator_;
    RunOptions options_;
    std::size_t rowsInTurn_;  // the rows it keeps once it is its turn to write them
    OverflowSink csvSink_;
    OverflowSink diagnosticsSink_;
    TextBuffer csv_;
    TextBuffer diagnostics_;
    CANDataMgr fields_;
    MessageDecoder decoder_;
    ChunkRowWriter writer_;
    ChunkAssembler assembler_;

    ChunkJob* job_ = nullptr;
    std::size_t boundaryChunk_ = 0;  // the chunk whose end the next boundary is
    std::uint64_t csvStart_ = 0;     // stream offsets of what the buffers hold
    std::uint64_t diagnosticsStart_ = 0;
    int points_ = -1;                   // merge points met so far, less one
    std::uint64_t nextChunkStart_ = 0;  // where the next chunk's conversion starts
    bool watchingMemory_ = false;       // some remembered value is unset
    bool writing_ = false;              // output written before: progress_ holds
    bool stopped_ = false;              // the output cannot be written: the chunk was abandoned, or
                                        // the CSV failed
    OrderedWriter::Progress progress_;
    std::vector<ProgressMark> progressMarks_;
    bool inputTooShort_ = false;
};

}  // namespace drovane
