#include "core/TextBuffer.h"

#include <algorithm>
#include <charconv>

namespace drovane {

TextBuffer::TextBuffer(OutputSink& sink, std::size_t capacity)
    : sink_(sink),
      start_(new char[std::max(capacity, kMaxClaim)]),
      end_(start_.get()),
      limit_(start_.get() + std::max(capacity, kMaxClaim)) {}

void TextBuffer::AppendInteger(std::int64_t value) {
    char* at = Claim(24);
    end_ = std::to_chars(at, at + 24, value).ptr;
}

void TextBuffer::AppendSlow(std::string_view text) {
    while (!text.empty()) {
        if (end_ == limit_) Flush();
        std::size_t count = std::min(text.size(), Free());
        std::memcpy(end_, text.data(), count);
        end_ += count;
        text.remove_prefix(count);
    }
}

bool TextBuffer::Flush() {
    std::size_t size = static_cast<std::size_t>(end_ - start_.get());
    if (size == 0) return !failed_;
    insideLine_ = end_[-1] != '\n';
    if (!failed_ && !sink_.Write(start_.get(), size)) {
        failed_ = true;
        errorNumber_ = sink_.ErrorNumber();
    }
    end_ = start_.get();
    return !failed_;
}

}  // namespace drovane
