#include "ByteSink.h"

namespace drovane::synth {
namespace {

constexpr std::size_t kBlockSize = 4 << 20;

}  // namespace

FileSink::FileSink(const std::string& path, tools::ExistingFile existing, platform::FileContent content)
    : file_(path, existing, content) {
    buffer_.reserve(kBlockSize);
}

void FileSink::Write(std::span<const std::uint8_t> bytes) {
    if (buffer_.size() + bytes.size() > kBlockSize && !buffer_.empty()) Flush();
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void FileSink::Flush() {
    file_.Write(std::span(reinterpret_cast<const char*>(buffer_.data()), buffer_.size()));
    buffer_.clear();
}

void FileSink::Commit() {
    Flush();
    file_.Commit();
}

}  // namespace drovane::synth
