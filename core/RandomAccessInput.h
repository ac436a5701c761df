#pragma once
#include <cstddef>
#include <cstdint>

namespace drovane {

// The bytes of a regular file, read at any offset by several threads at once.
class RandomAccessInput {
public:
    virtual ~RandomAccessInput() = default;

    // Reads up to `size` bytes from `offset` into `destination` and returns how many arrived; 0
    // at the end of the file or on a read error, which then leaves its system error number in
    // `errorNumber`.
    virtual std::size_t ReadAt(std::uint64_t offset, unsigned char* destination, std::size_t size,
                               int& errorNumber) = 0;
};

}  // namespace drovane
