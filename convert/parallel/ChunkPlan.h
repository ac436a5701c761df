#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace drovane {

// How a regular file is cut into chunks for converting them side by side: chunk k covers
// [Begin(k), End(k)); the last one reaches to the end of the file, however far that proves to be.
class ChunkPlan {
public:
    // Big enough that what a chunk costs beside its bytes (setting up, handing over, reading and
    // converting on past its end) is small: 3 MiB chunks made two threads 1.73-1.79 times as fast
    // as one on the benchmark's drive, 2 MiB ones 1.51-1.55. Small enough that the chunks in
    // flight stay about 10 MiB.
    static constexpr std::uint64_t kLargestChunk = 3 << 20;
    // A file is cut into at least this many chunks a thread, so that the threads finish together.
    static constexpr std::uint64_t kChunksPerThread = 4;
    static constexpr std::uint64_t kSmallestChunk = 64 << 10;
    // A smaller file converts on one thread: it takes little longer than starting threads.
    static constexpr std::uint64_t kParallelFrom = 1 << 20;

    // The threads worth running when `asked` for on a machine of `cores` cores (0: not known).
    // More threads than cores only take turns on them, and the head, whose output every later
    // chunk waits for, then gets a smaller share of a core: -j 256 on two cores took seven times
    // as long as -j 1.
    static constexpr unsigned ThreadsWorthRunning(unsigned asked, unsigned cores) {
        return cores == 0 ? asked : std::min(asked, cores);
    }

    // The plan for a file of `inputSize` bytes on `threads` threads; `chunkSize`, when not 0,
    // sets the size instead (tests make every offset of a small log a chunk boundary with it).
    static ChunkPlan For(std::uint64_t inputSize, unsigned threads, std::uint64_t chunkSize = 0) {
        if (chunkSize == 0) {
            chunkSize =
                std::clamp<std::uint64_t>(inputSize / (threads * kChunksPerThread), kSmallestChunk, kLargestChunk);
        }
        return ChunkPlan(inputSize, chunkSize);
    }

    std::size_t Count() const { return count_; }
    std::uint64_t ChunkSize() const { return chunkSize_; }
    std::uint64_t Begin(std::size_t k) const { return k * chunkSize_; }
    // The end of the last chunk is the size the file had when planned.
    std::uint64_t End(std::size_t k) const { return k + 1 == count_ ? inputSize_ : (k + 1) * chunkSize_; }
    bool IsLast(std::size_t k) const { return k + 1 == count_; }

    // Where the conversion of chunk k starts, out of step: two bytes before the chunk, where a
    // conversion that slides over bytes through the boundary stands when it asks for the chunk's
    // bytes (the last two bytes of a buffer may begin a header that the next bytes complete).
    static constexpr std::uint64_t kLead = 2;
    std::uint64_t StartOf(std::size_t k) const { return Begin(k) - std::min(Begin(k), kLead); }

    // The last chunk whose conversion starts at or before `position`.
    std::size_t ChunkStartingAt(std::uint64_t position) const {
        std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>((position + kLead) / chunkSize_, count_ - 1));
        while (k > 0 && StartOf(k) > position) --k;
        return k;
    }

private:
    ChunkPlan(std::uint64_t inputSize, std::uint64_t chunkSize)
        : inputSize_(inputSize),
          chunkSize_(chunkSize),
          count_(static_cast<std::size_t>(std::max<std::uint64_t>(1, inputSize / chunkSize))) {}

    std::uint64_t inputSize_;
    std::uint64_t chunkSize_;
    std::size_t count_;  // the remainder joins the last chunk
};

}  // namespace drovane
