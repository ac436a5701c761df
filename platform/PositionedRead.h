#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace drovane::platform {

// Reads up to `size` bytes from `offset` of the file that `stream` reads, leaving the stream's
// position alone, so that several threads may read one file at different offsets at once; returns
// how many bytes arrived: fewer than `size` only at the end of the file or on a read error, which
// leaves errno set (and 0 otherwise). Bytes the stream holds in its own buffer are not seen: the
// stream is unbuffered or not read otherwise.
std::size_t ReadAt(std::FILE* stream, std::uint64_t offset, void* destination, std::size_t size);

}  // namespace drovane::platform
