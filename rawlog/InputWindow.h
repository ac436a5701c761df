#pragma once
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/ByteSource.h"
#include "core/ProgressObserver.h"

namespace drovane {

// A large buffer over the input that the assembler reads records from in place. It is refilled
// with big reads, so the assembler's reads of 3, 1 and 8 bytes cost no system call each. Bytes
// once consumed are gone; a partial record at the end of the buffer moves to its front.
class InputWindow {
public:
    static constexpr std::size_t kDefaultCapacity = 1 << 18;

    explicit InputWindow(ByteSource& source, std::size_t capacity = kDefaultCapacity);

    // True when at least `count` unread bytes are available, reading more from the source when
    // needed; false at the end of the input (or on a read error) with fewer left.
    bool Ensure(std::size_t count) { return static_cast<std::size_t>(end_ - position_) >= count || Refill(count); }

    const std::uint8_t* Position() const { return position_; }
    const std::uint8_t* End() const { return end_; }
    void Advance(std::size_t count) {
        assert(count <= static_cast<std::size_t>(end_ - position_));
        position_ += count;
    }
    void AdvanceTo(const std::uint8_t* position) {
        assert(position >= position_ && position <= end_);
        position_ = position;
    }

    // Told of every refill; nullptr for none.
    void SetObserver(ProgressObserver* observer) { observer_ = observer; }

    // Bytes consumed from the source so far (for progress reports).
    std::uint64_t Consumed() const { return consumedBefore_ + static_cast<std::uint64_t>(position_ - start_.get()); }

private:
    bool Refill(std::size_t count);

    ByteSource& source_;
    std::unique_ptr<std::uint8_t[]> start_;
    std::size_t capacity_;
    const std::uint8_t* position_;
    std::uint8_t* end_;
    std::uint64_t consumedBefore_ = 0;
    bool exhausted_ = false;
    ProgressObserver* observer_ = nullptr;
};

}  // namespace drovane
