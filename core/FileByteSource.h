#pragma once
#include <cstdio>

#include "core/ByteSource.h"

namespace drovane {

// Reads an open stdio stream in large blocks.
class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(std::FILE* file) : file_(file) {}

    std::size_t Read(unsigned char* destination, std::size_t size) override;
    bool Failed() const override { return errorNumber_ != 0; }
    int ErrorNumber() const override { return errorNumber_; }

private:
    std::FILE* file_;
    int errorNumber_ = 0;
};

}  // namespace drovane
