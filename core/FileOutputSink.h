#pragma once
#include <cstdio>

#include "core/OutputSink.h"

namespace drovane {

// Writes blocks to an open stdio stream and remembers the first failure.
class FileOutputSink final : public OutputSink {
public:
    explicit FileOutputSink(std::FILE* file = nullptr) : file_(file) {}

    // Binds the sink to a stream opened after the sink was made.
    void Attach(std::FILE* file) { file_ = file; }

    bool Write(const char* data, std::size_t size) override;
    int ErrorNumber() const override { return errorNumber_; }

private:
    std::FILE* file_;
    int errorNumber_ = 0;
};

}  // namespace drovane
