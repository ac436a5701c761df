#pragma once
#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>

#include "core/ByteSource.h"
#include "core/OutputSink.h"
#include "core/RandomAccessInput.h"

namespace drovane {

// A byte source over a block of memory; optionally fails with an error after `failAfter` bytes,
// so that read errors can be exercised without a broken disc.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::string_view bytes, std::size_t failAfter = std::string_view::npos,
                              std::size_t maxChunk = std::string_view::npos)
        : bytes_(bytes), failAfter_(failAfter), maxChunk_(maxChunk) {}

    std::size_t Read(unsigned char* destination, std::size_t size) override {
        std::size_t limit = std::min(bytes_.size(), failAfter_);
        std::size_t count = std::min({size, limit - std::min(limit, position_), maxChunk_});
        std::copy_n(bytes_.data() + position_, count, destination);
        position_ += count;
        if (count < size && position_ == failAfter_ && failAfter_ < bytes_.size()) {
            failed_ = true;
        }
        return count;
    }
    bool Failed() const override { return failed_; }
    int ErrorNumber() const override { return failed_ ? EIO : 0; }

private:
    std::string_view bytes_;
    std::size_t failAfter_;
    std::size_t maxChunk_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

// The same bytes read at any offset; a read that reaches `failAt` fails there with EIO.
class MemoryRandomAccessInput final : public RandomAccessInput {
public:
    explicit MemoryRandomAccessInput(std::string_view bytes, std::size_t failAt = std::string_view::npos)
        : bytes_(bytes), failAt_(failAt) {}

    std::size_t ReadAt(std::uint64_t offset, unsigned char* destination, std::size_t size, int& errorNumber) override {
        std::size_t limit = std::min(bytes_.size(), failAt_);
        std::size_t from = std::min<std::uint64_t>(offset, limit);
        std::size_t count = std::min(size, limit - from);
        std::copy_n(bytes_.data() + from, count, destination);
        if (count < size && limit == failAt_ && failAt_ < bytes_.size()) errorNumber = EIO;
        return count;
    }

private:
    std::string_view bytes_;
    std::size_t failAt_;
};

// A sink that collects everything written into a string; can be told to refuse writes.
class StringOutputSink final : public OutputSink {
public:
    explicit StringOutputSink(bool refuse = false) : refuse_(refuse) {}

    bool Write(const char* data, std::size_t size) override {
        if (refuse_) return false;
        text_.append(data, size);
        return true;
    }
    int ErrorNumber() const override { return refuse_ ? ENOSPC : 0; }

    const std::string& Text() const { return text_; }

private:
    std::string text_;
    bool refuse_;
};

}  // namespace drovane
