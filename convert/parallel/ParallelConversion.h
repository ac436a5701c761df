#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "convert/parallel/ChunkJob.h"
#include "convert/parallel/ChunkPlan.h"
#include "convert/parallel/OrderedWriter.h"
#include "core/MemoryStreams.h"
#include "core/ProgressObserver.h"
#include "core/RandomAccessInput.h"
#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "decode/FieldTable.h"
#include "decode/MessageDecoder.h"

namespace drovane {

class ChunkConverter;

// Converts a regular file on several threads with exactly the output of one conversion.
//
// The file is cut into chunks (ChunkPlan). Worker threads convert them speculatively, each
// starting out of step just before its chunk with fresh tables and no remembered speed or fuel
// flow, and keep their output. The first chunk's conversion is exact: it is the head. When the
// head reaches the end of its chunk it converts on into the next one until it finds its step
// where the next chunk's conversion found it too, in the same state (a MergePoint): there it
// stops, and the next chunk's conversion is accepted from that point on and becomes the head in
// turn. Where the two never meet, the head converts the chunk
// itself, and the chunk's own conversion is abandoned. So every byte of output comes from a
// conversion that was exact where it was written.
//
// Outputs are written in the order of the file by the OrderedWriter, one accepted chunk after the
// other, numbering the packets across chunks. At most a few chunks are in flight, whatever the
// size of the file.
class ParallelConversion {
public:
    struct Settings {
        unsigned threads = 2;
        std::uint64_t chunkSize = 0;  // 0: from the file's size and the threads (ChunkPlan::For)
    };

    // Converts `inputSize` bytes of `input` (and on to its end, should it have grown) for the
    // options given, which ask for no trace (-v, -d, -D) and no held values (--hold): those
    // need the one conversion. The rows go to `csv`, the diagnostics to `diagnostics`.
    ParallelConversion(const RunOptions& options, RandomAccessInput& input, std::uint64_t inputSize, TextBuffer& csv,
                       TextBuffer& diagnostics, Settings settings);
    ~ParallelConversion();
    ParallelConversion(const ParallelConversion&) = delete;
    ParallelConversion& operator=(const ParallelConversion&) = delete;

    // `observer`, when given, hears how far in the input the written output has come.
    void Run(ProgressObserver* observer = nullptr);

    std::int64_t RowsWritten() const { return writer_.RowsWritten(); }
    // A read failed; the output stops where one conversion would have stopped.
    int ReadErrorNumber() const { return readError_; }
    // The input held not even one record header; the conversion has said so.
    bool InputTooShort() const { return inputTooShort_; }
    // Chunks whose own conversion was taken over; the head converted the others itself.
    std::size_t ChunksTakenOver() const { return chunksTakenOver_; }

    // What the chunks' conversions tell the coordinator, each on its own thread.

    // The conversion of `job` found its step again at `point`. True when it is the head and has
    // handed over to the next chunk's conversion there: it converts no further.
    bool AtMergePoint(ChunkJob& job, const MergePoint& point);
    // The conversion of `job` formed an economy after its merge point number `exitIndex` with
    // `memory`, and wrote the packet's row or not.
    void AtEconomy(ChunkJob& job, const DecoderMemory& memory, int exitIndex, bool rowWritten);

    // The conversion of `job` has read up to the end of chunk `chunk` and asks for more.
    struct Resume {
        bool stop = false;               // the conversion ends here
        std::uint64_t nextBoundary = 0;  // read on up to here (kNoBoundary: to the end)
        bool inherit = false;            // it goes on as the head: remembered values for those
        DecoderMemory memory;            //   it has not set
    };
    static constexpr std::uint64_t kNoBoundary = ~std::uint64_t{0};
    Resume AtBoundary(ChunkJob& job, std::size_t chunk);

    // The output of `job` is full: waits for its turn to write it. False when the chunk was
    // abandoned meanwhile or the run stopped.
    bool WaitForTurn(ChunkJob& job);
    OrderedWriter& Writer() { return writer_; }

    const ChunkPlan& Plan() const { return plan_; }
    const RunOptions& Options() const { return options_; }
    RandomAccessInput& Input() { return input_; }

private:
    enum class Decision { Yes, No, Undecided };

    // The chunks converted at once, one a worker thread.
    std::size_t JobsInFlight() const;
    // The conversion of `chunk` is the next to start, and a worker is free to start it: the head
    // waits for it rather than convert the chunk itself (under the lock).
    bool StartsSoon(std::size_t chunk) const;
    void Work();
    ChunkJob* TakeJob();
    void FinishJob(ChunkJob& job, ChunkConverter& converter);
    Decision Decide(const ChunkJob& candidate, const MergePoint& point, const DecoderMemory& memory);
    // Whether the head at `point` meets `candidate`'s conversion there: Yes or No once the
    // candidate noted the same point (`found` then points at it), Undecided while it may still
    // come that far; under the lock.
    Decision Meets(const ChunkJob& candidate, const MergePoint& point, const MergePoint*& found);

    // Forms an economy with the decoder's own rule, to tell whether its column takes it.
    class EconomyProbe {
    public:
        explicit EconomyProbe(const RunOptions& options);
        bool Accepts(const DecoderMemory& memory);

    private:
        StringOutputSink nowhere_;
        TextBuffer diagnostics_;
        CANDataMgr fields_;
        MessageDecoder decoder_;
    };
    void Accept(ChunkJob& job, const OutputMark& cut, std::uint64_t cutPosition, std::int64_t numberBase,
                const DecoderMemory& memory);
    void AbandonBetween(std::size_t first, std::size_t last);  // under the lock
    void Abandon(ChunkJob& job);                               // under the lock
    void StopAll();                                            // under the lock

    const RunOptions options_;
    RandomAccessInput& input_;
    const ChunkPlan plan_;
    const unsigned threads_;
    OrderedWriter writer_;
    EconomyProbe economyProbe_;  // used under the lock

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<ChunkJob>> jobs_;  // by chunk; empty before it starts and once retired
    std::size_t nextChunk_ = 0;
    std::size_t inFlight_ = 0;
    std::size_t handedOver_ = 0;      // chunks in flight that handed over to the next and are to be written
    std::uint64_t headPosition_ = 0;  // how far the head has come beyond its own chunk
    bool finished_ = false;
    int readError_ = 0;
    bool inputTooShort_ = false;
    std::size_t chunksTakenOver_ = 0;
    // Chunks converted apart in vain lately: one more for each, halved by one that was not.
    std::size_t inVain_ = 0;
};

// How many chunks a log was cut into, and how many of them were taken over from their own
// conversion.
struct ChunkShare {
    std::size_t chunks = 0;
    std::size_t takenOver = 0;
};

// Converts a raw log held in memory as ParallelConversion does; for tests and tools. `chunkSize`
// 0 cuts the log as the converter does, any other size cuts it in chunks of that many bytes.
// `share`, when given, is told how the chunks went.
struct ConversionText;
ConversionText ConvertBytesInParallel(std::string_view log, const RunOptions& options, unsigned threads,
                                      std::uint64_t chunkSize = 0, ChunkShare* share = nullptr);

}  // namespace drovane
