#pragma once
#include <cstdio>
#include <mutex>

#include "core/RandomAccessInput.h"

namespace drovane {

// Reads an open stdio stream of a regular file at any offset. The stream has one position, so
// each read seeks and reads under a lock; reads are large, so the lock is seldom contended.
class FileRandomAccessInput final : public RandomAccessInput {
public:
    explicit FileRandomAccessInput(std::FILE* file) : file_(file) {}

    std::size_t ReadAt(std::uint64_t offset, unsigned char* destination, std::size_t size, int& errorNumber) override;

private:
    std::FILE* file_;
    std::mutex lock_;
};

}  // namespace drovane
