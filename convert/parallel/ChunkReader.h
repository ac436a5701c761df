#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "core/ByteSource.h"
#include "core/RandomAccessInput.h"

namespace drovane {

// The bytes a chunk's conversion reads: from where it starts hunting up to a boundary, where it
// asks `atBoundary` how to go on (the end of its chunk, and once it is the head the end of every
// chunk after). `atBoundary` gets the boundary's offset and gives the next boundary, kEnd to read
// on to the end of the file, or kStop to end the input here.
class ChunkReader final : public ByteSource {
public:
    static constexpr std::uint64_t kEnd = ~std::uint64_t{0};
    static constexpr std::uint64_t kStop = kEnd - 1;
    using BoundaryHandler = std::function<std::uint64_t(std::uint64_t boundary)>;

    ChunkReader(RandomAccessInput& input, std::uint64_t start, std::uint64_t firstBoundary, BoundaryHandler atBoundary)
        : input_(input), position_(start), boundary_(firstBoundary), atBoundary_(std::move(atBoundary)) {}

    std::size_t Read(unsigned char* destination, std::size_t size) override {
        if (position_ == boundary_) {
            boundary_ = atBoundary_(position_);
            if (boundary_ == kStop) return 0;
            if (piece_ == 0) piece_ = kFirstPieceBeyond;
        }
        if (boundary_ != kEnd && boundary_ - position_ < size) size = static_cast<std::size_t>(boundary_ - position_);
        if (piece_ != 0 && piece_ < size) {
            size = piece_;
            piece_ *= 2;
        }
        std::size_t count = input_.ReadAt(position_, destination, size, errorNumber_);
        position_ += count;
        return count;
    }
    bool Failed() const override { return errorNumber_ != 0; }
    int ErrorNumber() const override { return errorNumber_; }

    // The offset of the next byte to read.
    std::uint64_t Position() const { return position_; }

private:
    RandomAccessInput& input_;
    std::uint64_t position_;
    std::uint64_t boundary_;
    BoundaryHandler atBoundary_;
    int errorNumber_ = 0;
    // Past its own chunk a conversion mostly meets the next chunk's within a cycle or two: it reads
    // on in pieces, each twice the last, rather than a whole buffer that the next chunk's
    // conversion reads as well. 0 within its own chunk.
    static constexpr std::size_t kFirstPieceBeyond = 4096;
    std::size_t piece_ = 0;
};

}  // namespace drovane
