#pragma once
#include <cerrno>
#include <cstdio>

#include "core/RandomAccessInput.h"
#include "platform/PositionedRead.h"

namespace drovane {

// The raw log file, read at any offset by the threads of a parallel conversion.
class FileRandomAccess final : public RandomAccessInput {
public:
    explicit FileRandomAccess(std::FILE* file) : file_(file) {}

    std::size_t ReadAt(std::uint64_t offset, unsigned char* destination, std::size_t size, int& errorNumber) override {
        std::size_t count = platform::ReadAt(file_, offset, destination, size);
        if (count < size && errno != 0) errorNumber = errno;
        return count;
    }

private:
    std::FILE* file_;
};

}  // namespace drovane
