#pragma once
#include <cstddef>

namespace drovane {

// Where finished text goes: the CSV file, standard error, or memory in tests.
class OutputSink {
public:
    virtual ~OutputSink() = default;

    // Writes all `size` bytes; false when the system refused them (errno-style code in ErrorNumber).
    virtual bool Write(const char* data, std::size_t size) = 0;

    virtual int ErrorNumber() const = 0;
};

}  // namespace drovane
