#pragma once
#include <cstddef>

namespace drovane {

// Where the raw log's bytes come from: a file in the converter, memory in tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads up to `size` bytes into `destination` and returns how many arrived. A source may
    // deliver fewer than asked; 0 means the end of the input or a read error, and Failed() tells
    // which.
    virtual std::size_t Read(unsigned char* destination, std::size_t size) = 0;

    // True once a read has failed with an error (as opposed to reaching the end).
    virtual bool Failed() const = 0;

    // The system error number of the failed read, 0 when none failed.
    virtual int ErrorNumber() const = 0;
};

}  // namespace drovane
