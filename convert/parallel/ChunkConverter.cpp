#include "convert/parallel/ChunkConverter.h"

#include <algorithm>
#include <cstring>

#include "convert/parallel/ChunkReader.h"
#include "convert/parallel/ParallelConversion.h"
#include "csv/PacketRowWriter.h"

namespace drovane {
namespace {

// A chunk's rows and diagnostics wait in memory for its turn; these are the most they take
// before the chunk waits for its turn to write them (a drive's rows take about four fifths of its
// size, which leaves room for a largest chunk's).
constexpr std::size_t kRowsRoom = 3 << 20;
constexpr std::size_t kDiagnosticsRoom = 1 << 20;
// The rows a chunk keeps once it is its turn to write them: a quarter MiB, or a quarter of a
// smaller chunk.
constexpr std::size_t kMostRowsInTurn = 256 << 10;

}  // namespace

ChunkRowWriter::ChunkRowWriter(CANDataMgr& fields, TextBuffer& csv, TextBuffer& diagnostics, ChunkConverter& converter)
    : fields_(fields), csv_(csv), diagnostics_(diagnostics), converter_(converter) {}

void ChunkRowWriter::Reset() {
    packets_ = 0;
    packetsComplete_ = 0;
    diagnosticsMarked_ = 0;
    marks_.clear();
}

void ChunkRowWriter::WritePacket() {
    ++packets_;
    std::uint64_t diagnostics = converter_.Mark().diagnostics;
    PacketMark mark{.packet = packets_, .diagnosticsBefore = diagnostics, .diagnosticsAfter = diagnostics};
    int valid = fields_.ValidBesidesTime();
    if (PacketRowWriter::SkipsPacket(valid)) {
        PacketRowWriter::WarnSkipped(diagnostics_, valid);
        mark.skipped = true;
        mark.diagnosticsAfter = converter_.Mark().diagnostics;
    } else {
        std::uint64_t columns = fields_.ValidColumns();
        mark.longRow = (columns & fields_.LongTextColumns()) != 0;
        std::size_t room = kRowLengthSize + (mark.longRow ? PacketRowWriter::AnyCellsAfterTimeLength(fields_, columns)
                                                          : PacketRowWriter::kRowRoom);
        converter_.MakeRoomForRow(room);
        char* out = csv_.Claim(room);
        char* row = out + kRowLengthSize;
        char* end = mark.longRow ? PacketRowWriter::WriteAnyCellsAfterTime(fields_, columns, row)
                                 : PacketRowWriter::WriteCellsAfterTime(fields_, columns, row);
        auto length = static_cast<RowLength>(end - row);
        std::memcpy(out, &length, kRowLengthSize);
        csv_.Commit(end);
    }
    lastSkipped_ = mark.skipped;
    if (mark.skipped || mark.longRow || diagnostics != diagnosticsMarked_) marks_.push_back(mark);
    diagnosticsMarked_ = mark.diagnosticsAfter;
    packetsComplete_ = packets_;
}

void ChunkAssembler::ClosePacket() {
    writer_.WritePacket();
    fields_.ClearValidFlags();
    // The closing record sends the framer hunting: that packet's economy has just been formed.
    converter_.PacketClosed(Hunting());
}

bool ChunkAssembler::Stopped() const {
    return converter_.stopped_ || converter_.job_->abandoned.load(std::memory_order_relaxed);
}

bool ChunkAssembler::Resynchronised(std::uint64_t consumed) {
    return converter_.Resynchronised(converter_.job_->start + consumed);
}

ChunkConverter::ChunkConverter(ParallelConversion& coordinator)
    : coordinator_(coordinator),
      options_(coordinator.Options()),
      rowsInTurn_(
          static_cast<std::size_t>(std::min<std::uint64_t>(kMostRowsInTurn, coordinator.Plan().ChunkSize() / 4))),
      csvSink_(*this),
      diagnosticsSink_(*this),
      csv_(csvSink_, kRowsRoom),
      diagnostics_(diagnosticsSink_, kDiagnosticsRoom),
      fields_(options_, diagnostics_),
      decoder_(options_, fields_, diagnostics_),
      writer_(fields_, csv_, diagnostics_, *this),
      assembler_(options_, fields_, decoder_, writer_, diagnostics_, *this) {}

void ChunkConverter::Convert(ChunkJob& job) {
    job_ = &job;
    boundaryChunk_ = job.index;
    csv_.Discard();
    diagnostics_.Discard();
    csvStart_ = 0;
    diagnosticsStart_ = 0;
    points_ = -1;
    writing_ = false;
    stopped_ = false;
    inputTooShort_ = false;
    writer_.Reset();
    progressMarks_.clear();
    // The packet a chunk before left in the table is not this chunk's.
    fields_.ClearValidFlags();
    // The first chunk starts where one conversion starts; the others know nothing remembered.
    bool first = job.index == 0;
    decoder_.SetMemory(first ? DecoderMemory{} : kUnsetMemory);
    watchingMemory_ = !first;

    const ChunkPlan& plan = coordinator_.Plan();
    nextChunkStart_ = plan.IsLast(job.index) ? ChunkReader::kEnd : plan.StartOf(job.index + 1);
    std::uint64_t firstBoundary = plan.IsLast(job.index) ? ChunkReader::kEnd : plan.End(job.index);
    ChunkReader reader(coordinator_.Input(), job.start, firstBoundary, [this](std::uint64_t) { return AtBoundary(); });
    InputWindow window(reader);
    window.SetObserver(this);
    // The first chunk starts where the log does; every other one in the middle of the log.
    assembler_.Run(window, !first);
    inputTooShort_ = assembler_.InputTooShort();
    job.readError = reader.ErrorNumber();
}

void ChunkConverter::OnInputProgress(std::uint64_t consumed) {
    progressMarks_.push_back({job_->start + consumed, writer_.Packets()});
}

OutputMark ChunkConverter::Mark() const {
    return {csvStart_ + csv_.Buffered().size(), diagnosticsStart_ + diagnostics_.Buffered().size(), writer_.Packets(),
            writer_.Marks().size()};
}

bool ChunkConverter::Resynchronised(std::uint64_t position) {
    ++points_;
    // Within its own chunk a conversion only offers merge points, and the first one only them;
    // beyond it, it is the head and looks for the next chunk's.
    if (position < nextChunkStart_ && (job_->index == 0 || points_ >= static_cast<int>(ChunkJob::kMaxMergePoints))) {
        return false;
    }
    if (position < job_->headAloneUntil) return false;
    MergePoint point{.position = position, .memory = decoder_.Memory(), .mark = Mark(), .exitIndex = points_};
    return coordinator_.AtMergePoint(*job_, point);
}

void ChunkConverter::PacketClosed(bool finished) {
    if (!finished || !watchingMemory_) return;
    const DecoderMemory& memory = decoder_.Memory();
    coordinator_.AtEconomy(*job_, memory, points_, !writer_.LastPacketSkipped());
    watchingMemory_ = IsUnset(memory, 0) || IsUnset(memory, 1);
}

std::uint64_t ChunkConverter::AtBoundary() {
    ParallelConversion::Resume resume = coordinator_.AtBoundary(*job_, boundaryChunk_);
    if (resume.inherit) {
        // The boundary may fall within a cycle: its records so far take effect first, as they
        // would have when they came.
        decoder_.Settle();
        DecoderMemory memory = decoder_.Memory();
        if (IsUnset(memory, 0)) memory.lastSpeed = resume.memory.lastSpeed;
        if (IsUnset(memory, 1)) memory.lastFuelFlow = resume.memory.lastFuelFlow;
        decoder_.SetMemory(memory);
        watchingMemory_ = false;
    }
    if (resume.stop) return ChunkReader::kStop;
    ++boundaryChunk_;
    return resume.nextBoundary == ParallelConversion::kNoBoundary ? ChunkReader::kEnd : resume.nextBoundary;
}

void ChunkConverter::MakeRoomForRow(std::size_t size) {
    std::size_t buffered = csv_.Buffered().size();
    // A chunk whose turn it is writes its rows as it goes: a head that converts on over chunks
    // whose own conversion it could not meet keeps little in memory.
    if (kRowsRoom - buffered < size || (buffered > rowsInTurn_ && job_->turn.load(std::memory_order_relaxed))) Drain();
}

void ChunkConverter::Drain(std::string_view overflowingDiagnostics) {
    if (!stopped_ && !coordinator_.WaitForTurn(*job_)) stopped_ = true;
    std::string_view diagnostics =
        overflowingDiagnostics.data() != nullptr ? overflowingDiagnostics : diagnostics_.Buffered();
    OutputMark to{.csv = 0,
                  .diagnostics = diagnosticsStart_ + diagnostics.size(),
                  .packets = writer_.PacketsComplete(),
                  .marks = 0};
    if (!stopped_ && !Write(diagnostics, to)) stopped_ = true;
    csvStart_ += csv_.Buffered().size();
    diagnosticsStart_ += diagnostics.size();
    csv_.Discard();
    if (overflowingDiagnostics.data() == nullptr) diagnostics_.Discard();
}

bool ChunkConverter::WriteOutput(ChunkJob& job) {
    job_ = &job;
    return !stopped_ && Write(diagnostics_.Buffered(), Mark());
}

bool ChunkConverter::Write(std::string_view diagnostics, OutputMark to) {
    if (!writing_) {
        progress_.written = job_->cut;
        progress_.numberBase = job_->numberBase;
        // The conversion before reported the progress up to where this one took over.
        progress_.progressMarks = 0;
        while (progress_.progressMarks < progressMarks_.size() &&
               progressMarks_[progress_.progressMarks].position < job_->cutPosition) {
            ++progress_.progressMarks;
        }
        writing_ = true;
    }
    OrderedWriter::Pending pending{.csv = csv_.Buffered(),
                                   .csvStart = csvStart_,
                                   .diagnostics = diagnostics,
                                   .diagnosticsStart = diagnosticsStart_,
                                   .marks = &writer_.Marks(),
                                   .progress = &progressMarks_};
    return coordinator_.Writer().Write(pending, to, progress_);
}

}  // namespace drovane
