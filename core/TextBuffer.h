#pragma once
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/OutputSink.h"

namespace drovane {

// Collects text and hands it to a sink in large blocks. After the sink has refused a block, further
// text is dropped and the failure is kept for the driver to report.
class TextBuffer {
public:
    static constexpr std::size_t kDefaultCapacity = std::size_t{256} * 1024;
    // The most that Claim may ask for; no buffer is made smaller than this.
    static constexpr std::size_t kMaxClaim = 4096;

    explicit TextBuffer(OutputSink& sink, std::size_t capacity = kDefaultCapacity);

    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    void Append(std::string_view text) {
        if (text.size() > Free()) {
            AppendSlow(text);
            return;
        }
        std::memcpy(end_, text.data(), text.size());
        end_ += text.size();
    }
    void Put(char c) {
        if (end_ == limit_) Flush();
        *end_++ = c;
    }
    void AppendInteger(std::int64_t value);

    // Room for at least `size` bytes (at most kMaxClaim); write there and then Commit the new end.
    // Saves a copy for text that is formed in place.
    char* Claim(std::size_t size) {
        assert(size <= kMaxClaim);
        if (size > Free()) Flush();
        return end_;
    }
    void Commit(char* newEnd) {
        assert(newEnd >= end_ && newEnd <= limit_);
        end_ = newEnd;
    }

    // Sends what is buffered to the sink; false once any block was refused.
    bool Flush();

    // The text collected and not yet sent, for a buffer that keeps a whole stretch of text in
    // memory to be used elsewhere; Discard drops it unsent.
    std::string_view Buffered() const { return {start_.get(), static_cast<std::size_t>(end_ - start_.get())}; }
    void Discard() { end_ = start_.get(); }

    bool Failed() const { return failed_; }
    int ErrorNumber() const { return errorNumber_; }
    // True when the last byte handed over (buffered or sent) was not a line end.
    bool InsideLine() const { return insideLine_ || (end_ != start_.get() && end_[-1] != '\n'); }

private:
    std::size_t Free() const { return static_cast<std::size_t>(limit_ - end_); }
    void AppendSlow(std::string_view text);

    OutputSink& sink_;
    std::unique_ptr<char[]> start_;
    char* end_;
    char* limit_;
    bool failed_ = false;
    bool insideLine_ = false;
    int errorNumber_ = 0;
};

}  // namespace drovane
