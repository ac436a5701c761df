#include "ByteSink.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace drovane::synth {
namespace {

constexpr std::size_t kBlockSize = 4 << 20;

std::runtime_error FileError(const std::string& what, const std::string& path) {
    return std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

FileSink::FileSink(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) throw FileError("cannot create", path);
    buffer_.reserve(kBlockSize);
}

FileSink::~FileSink() {
    if (file_ != nullptr) std::fclose(file_);
}

void FileSink::Write(std::span<const std::uint8_t> bytes) {
    if (buffer_.size() + bytes.size() > kBlockSize && !buffer_.empty()) {
        if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) throw FileError("cannot write", path_);
        buffer_.clear();
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void FileSink::Flush() {
    if (file_ == nullptr) return;
    const bool written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
    buffer_.clear();
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed) throw FileError("cannot write", path_);
}

}  // namespace drovane::synth
