#include "convert/parallel/ParallelConversion.h"

#include <algorithm>
#include <thread>

#include "convert/Conversion.h"
#include "convert/parallel/ChunkConverter.h"
#include "core/MemoryStreams.h"
#include "csv/PacketRowWriter.h"
#include "rawlog/KnownMessageTable.h"

namespace drovane {
namespace {

// Chunks in flight beyond one a thread: converting runs on while a chunk waits at its end for the
// head and another for its turn to be written (with one, a core idled an eighth of the time). More
// run ahead of the head in vain and crowd the caches.
constexpr std::size_t kExtraJobs = 2;

// Chunks left to the head after chunks whose own conversion was in vain, at most: in a log that
// holds little to synchronise on (random bytes) the head converts nearly every chunk itself, and
// converting them apart as well only takes memory bandwidth from it.
constexpr std::size_t kMostChunksLeftToHead = 16;

bool SameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

}  // namespace

namespace {

std::string HeaderRowFor(const RunOptions& options) {
    StringOutputSink nowhere;
    TextBuffer unused(nowhere);
    return PacketRowWriter::HeaderRow(CANDataMgr(options, unused));
}

}  // namespace

ParallelConversion::ParallelConversion(const RunOptions& options, RandomAccessInput& input, std::uint64_t inputSize,
                                       TextBuffer& csv, TextBuffer& diagnostics, Settings settings)
    : options_(options),
      input_(input),
      plan_(ChunkPlan::For(inputSize, std::max(1u, settings.threads), settings.chunkSize)),
      threads_(std::max(1u, settings.threads)),
      writer_(csv, diagnostics, HeaderRowFor(options), PacketRowWriter::kRowRoom),
      economyProbe_(options),
      jobs_(plan_.Count()) {}

ParallelConversion::~ParallelConversion() = default;

void ParallelConversion::Run(ProgressObserver* observer) {
    writer_.SetObserver(observer);
    // A few chunks more than threads are in flight, so that converting runs ahead of the chunks
    // waiting at their end for the head, and of the one being written.
    std::size_t workers = JobsInFlight();
    std::vector<std::thread> pool;
    pool.reserve(workers);
    for (std::size_t i = 0; i < workers; ++i) pool.emplace_back([this] { Work(); });
    for (std::thread& thread : pool) thread.join();
}

void ParallelConversion::Work() {
    ChunkConverter converter(*this);
    while (ChunkJob* job = TakeJob()) {
        converter.Convert(*job);
        FinishJob(*job, converter);
    }
}

std::size_t ParallelConversion::JobsInFlight() const {
    return std::min<std::size_t>(plan_.Count(), threads_ + kExtraJobs);
}

bool ParallelConversion::StartsSoon(std::size_t chunk) const {
    // A chunk that handed over frees its worker once written, which waits for no one after it.
    return chunk == nextChunk_ && (inFlight_ < JobsInFlight() || handedOver_ > 0) && !finished_;
}

ChunkJob* ParallelConversion::TakeJob() {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return finished_ || nextChunk_ == plan_.Count() || inFlight_ < JobsInFlight(); });
    // A chunk the head is well into is no longer worth converting apart: the head would wait
    // for its conversion to come as far. One it has only just entered still is.
    std::size_t next = nextChunk_;
    while (nextChunk_ < plan_.Count() && headPosition_ > plan_.StartOf(nextChunk_) + plan_.ChunkSize() / 4)
        ++nextChunk_;
    // After conversions in vain, the next few chunks are left to the head.
    if (nextChunk_ > 0) nextChunk_ = std::min(plan_.Count(), nextChunk_ + std::min(inVain_, kMostChunksLeftToHead));
    if (nextChunk_ != next) changed_.notify_all();  // a head waiting for such a chunk converts it
    if (finished_ || nextChunk_ == plan_.Count()) return nullptr;
    auto job = std::make_unique<ChunkJob>();
    job->index = nextChunk_++;
    job->start = plan_.StartOf(job->index);
    if (job->index == 0) {
        // The first chunk's conversion starts where one conversion starts: it is exact.
        job->fate = ChunkJob::Fate::Accepted;
        job->turn = true;
    }
    ++inFlight_;
    jobs_[job->index] = std::move(job);
    changed_.notify_all();  // a head may wait for it
    return jobs_[nextChunk_ - 1].get();
}

bool ParallelConversion::AtMergePoint(ChunkJob& job, const MergePoint& point) {
    std::unique_lock<std::mutex> hold(lock_);
    if (job.fate != ChunkJob::Fate::Accepted) {
        if (job.mergePoints.size() < ChunkJob::kMaxMergePoints) {
            job.mergePoints.push_back(point);
            changed_.notify_all();
        }
        return false;
    }
    // The head: within its own chunk nothing is to be met.
    if (plan_.IsLast(job.index) || point.position < plan_.StartOf(job.index + 1)) return false;
    std::size_t target = plan_.ChunkStartingAt(point.position);
    // The chunks between can no longer be met: their merge points lie behind.
    AbandonBetween(job.index + 1, target);
    headPosition_ = std::max(headPosition_, point.position);
    for (;;) {
        if (finished_) return false;
        ChunkJob* candidate = jobs_[target].get();
        if (candidate == nullptr && StartsSoon(target)) {
            changed_.wait(hold);
            continue;
        }
        if (candidate == nullptr || candidate->abandoned) {
            // A chunk no worker will convert: the head need not ask again within it.
            if (candidate != nullptr || target < nextChunk_) job.headAloneUntil = plan_.End(target);
            return false;
        }
        const MergePoint* found = nullptr;
        const Decision decision = Meets(*candidate, point, found);
        if (decision == Decision::Yes) {
            Accept(*candidate, found->mark, found->position,
                   job.numberBase + static_cast<std::int64_t>(point.mark.packets) -
                       static_cast<std::int64_t>(found->mark.packets),
                   point.memory);
            job.handedTo = target;
            ++handedOver_;
            return true;
        }
        if (decision == Decision::No) return false;
        changed_.wait(hold);
    }
}

ParallelConversion::Decision ParallelConversion::Meets(const ChunkJob& candidate, const MergePoint& point,
                                                       const MergePoint*& found) {
    const auto same = std::find_if(candidate.mergePoints.begin(), candidate.mergePoints.end(),
                                   [&](const MergePoint& p) { return p.position == point.position; });
    if (same != candidate.mergePoints.end()) {
        found = &*same;
        return Decide(candidate, *same, point.memory);
    }
    // It has not come this far yet, and may still note the point.
    const bool stillComing = !candidate.reachedEnd && !candidate.waitingToWrite &&
                             candidate.mergePoints.size() < ChunkJob::kMaxMergePoints &&
                             (candidate.mergePoints.empty() || candidate.mergePoints.back().position < point.position);
    return stillComing ? Decision::Undecided : Decision::No;
}

ParallelConversion::EconomyProbe::EconomyProbe(const RunOptions& options)
    : diagnostics_(nowhere_, 0), fields_(options, diagnostics_), decoder_(options, fields_, diagnostics_) {}

bool ParallelConversion::EconomyProbe::Accepts(const DecoderMemory& memory) {
    static constexpr std::uint8_t kNoData[MessageDecoder::kMaxDataLength] = {};
    fields_.ClearValidFlags();
    decoder_.SetMemory(memory);
    decoder_.DecodeMessage(KnownMessageTable::kClosingId, KnownMessageTable::LengthOf(KnownMessageTable::kClosingId),
                           kNoData);
    return (fields_.ValidColumns() >> kColEconomy & 1) != 0;
}

ParallelConversion::Decision ParallelConversion::Decide(const ChunkJob& candidate, const MergePoint& point,
                                                        const DecoderMemory& memory) {
    if (candidate.inputTooShort) return Decision::No;
    bool allKnown = true;  // no economy after the point can still read a value unset there
    for (int which = 0; which < kRememberedCount; ++which) {
        if (!IsUnset(point.memory, which)) {
            if (!SameBits(Remembered(point.memory, which), Remembered(memory, which))) return Decision::No;
        } else {
            allKnown = allKnown && candidate.rememberedSet[which];
        }
    }
    if (!allKnown && !candidate.reachedEnd) return candidate.waitingToWrite ? Decision::No : Decision::Undecided;
    // An economy after the point that read a value the chunk had not set is right if it is in
    // range with the value remembered here too, and its packet was dropped: then its column was
    // valid either way, and it was written nowhere.
    for (const ChunkJob::UnsetEconomy& economy : candidate.unsetEconomies) {
        if (economy.exitIndex < point.exitIndex) continue;
        if (economy.rowWritten) return Decision::No;
        DecoderMemory remembered{IsUnset(economy.memory, 0) ? memory.lastSpeed : economy.memory.lastSpeed,
                                 IsUnset(economy.memory, 1) ? memory.lastFuelFlow : economy.memory.lastFuelFlow};
        if (!economyProbe_.Accepts(remembered)) return Decision::No;
    }
    return candidate.moreUnsetEconomies ? Decision::No : Decision::Yes;
}

void ParallelConversion::Accept(ChunkJob& job, const OutputMark& cut, std::uint64_t cutPosition,
                                std::int64_t numberBase, const DecoderMemory& memory) {
    job.fate = ChunkJob::Fate::Accepted;
    ++chunksTakenOver_;
    // Taken over only after the head converted more than a sixteenth of it is as good as in vain;
    // so is a chunk whose conversion wrote no row between the places it found its step after the
    // cut (random bytes): the head slides over such bytes about as fast as memory gives them.
    bool late = cutPosition - job.start > plan_.ChunkSize() / 16;
    bool rowless = (job.reachedEnd || job.mergePoints.size() == ChunkJob::kMaxMergePoints) &&
                   job.mergePoints.back().mark.csv == cut.csv;
    inVain_ = late || rowless ? inVain_ + 1 : inVain_ / 2;
    job.cut = cut;
    job.cutPosition = cutPosition;
    job.numberBase = numberBase;
    job.inherited = memory;
    changed_.notify_all();
}

void ParallelConversion::AtEconomy(ChunkJob& job, const DecoderMemory& memory, int exitIndex, bool rowWritten) {
    std::lock_guard<std::mutex> hold(lock_);
    bool unsetRead = false;
    for (int which = 0; which < kRememberedCount; ++which) {
        if (IsUnset(memory, which)) {
            unsetRead = true;
        } else {
            job.rememberedSet[which] = true;
        }
    }
    if (unsetRead) {
        if (job.unsetEconomies.size() < ChunkJob::kMaxUnsetEconomies) {
            job.unsetEconomies.push_back({exitIndex, rowWritten, memory});
        } else {
            job.moreUnsetEconomies = true;
        }
    }
    changed_.notify_all();
}

ParallelConversion::Resume ParallelConversion::AtBoundary(ChunkJob& job, std::size_t chunk) {
    std::unique_lock<std::mutex> hold(lock_);
    Resume resume;
    if (chunk == job.index) {
        if (job.fate != ChunkJob::Fate::Accepted) {
            // Its own chunk is done: the head decides whether it goes on.
            job.reachedEnd = true;
            changed_.notify_all();
            changed_.wait(hold, [&] { return job.fate != ChunkJob::Fate::Pending; });
            if (job.fate == ChunkJob::Fate::Abandoned) {
                resume.stop = true;
                return resume;
            }
        }
        // From here on it is the head: what it has not set itself it takes over.
        resume.inherit = true;
        resume.memory = job.inherited;
    }
    if (finished_ || job.abandoned) {
        resume.stop = true;
        return resume;
    }
    if (plan_.IsLast(chunk)) {
        resume.nextBoundary = kNoBoundary;
        return resume;
    }
    std::size_t next = chunk + 1;
    resume.nextBoundary = plan_.IsLast(next) ? kNoBoundary : plan_.End(next);
    headPosition_ = std::max(headPosition_, plan_.End(chunk));
    AbandonBetween(job.index + 1, next);
    return resume;
}

bool ParallelConversion::WaitForTurn(ChunkJob& job) {
    std::unique_lock<std::mutex> hold(lock_);
    job.waitingToWrite = true;
    changed_.notify_all();
    changed_.wait(hold, [&] { return job.turn || job.abandoned || finished_; });
    job.waitingToWrite = false;
    return job.turn && !finished_;
}

void ParallelConversion::FinishJob(ChunkJob& job, ChunkConverter& converter) {
    std::unique_lock<std::mutex> hold(lock_);
    job.ended = true;
    job.reachedEnd = true;
    job.inputTooShort = converter.InputTooShort();
    changed_.notify_all();
    changed_.wait(hold, [&] { return job.fate != ChunkJob::Fate::Pending || finished_; });
    bool accepted = job.fate == ChunkJob::Fate::Accepted && !job.abandoned;
    if (accepted) {
        changed_.wait(hold, [&] { return job.turn || finished_; });
        accepted = job.turn && !finished_;
    }
    if (accepted) {
        hold.unlock();
        bool written = converter.WriteOutput(job);
        hold.lock();
        if (!written) {
            StopAll();
        } else if (job.handedTo != ChunkJob::kNone) {
            jobs_[job.handedTo]->turn = true;
        } else {
            // The end of the input, a read error, or a chunk that ended early at the end of a
            // file that shrank: one conversion ends there too.
            readError_ = job.readError;
            inputTooShort_ = job.inputTooShort && job.index == 0;
            StopAll();
        }
    }
    if (job.handedTo != ChunkJob::kNone) --handedOver_;
    jobs_[job.index].reset();
    --inFlight_;
    changed_.notify_all();
}

void ParallelConversion::AbandonBetween(std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) {
        if (jobs_[k] != nullptr) Abandon(*jobs_[k]);
    }
}

void ParallelConversion::Abandon(ChunkJob& job) {
    if (job.fate != ChunkJob::Fate::Pending) return;
    job.fate = ChunkJob::Fate::Abandoned;
    job.abandoned = true;
    if (!finished_) ++inVain_;
    changed_.notify_all();
}

void ParallelConversion::StopAll() {
    finished_ = true;
    for (auto& job : jobs_) {
        if (job != nullptr && job->fate == ChunkJob::Fate::Pending) Abandon(*job);
    }
    changed_.notify_all();
}

ConversionText ConvertBytesInParallel(std::string_view log, const RunOptions& options, unsigned threads,
                                      std::uint64_t chunkSize, ChunkShare* share) {
    StringOutputSink csvSink;
    StringOutputSink diagnosticSink;
    {
        TextBuffer csv(csvSink);
        TextBuffer diagnostics(diagnosticSink);
        MemoryRandomAccessInput input(log);
        ParallelConversion conversion(options, input, log.size(), csv, diagnostics,
                                      {.threads = threads, .chunkSize = chunkSize});
        conversion.Run();
        csv.Flush();
        diagnostics.Flush();
        if (share != nullptr) *share = {conversion.Plan().Count(), conversion.ChunksTakenOver()};
    }
    return {csvSink.Text(), diagnosticSink.Text()};
}

}  // namespace drovane
