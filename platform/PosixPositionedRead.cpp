// Positioned reads on POSIX systems: pread.
#include <cerrno>
#include <limits>
#include <unistd.h>

#include "platform/PositionedRead.h"

namespace drovane::platform {

std::size_t ReadAt(std::FILE* stream, std::uint64_t offset, void* destination, std::size_t size) {
    errno = 0;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        errno = EOVERFLOW;
        return 0;
    }
    auto* to = static_cast<unsigned char*>(destination);
    std::size_t got = 0;
    while (got < size) {
        ssize_t count = pread(fileno(stream), to + got, size - got, static_cast<off_t>(offset + got));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;  // the end of the file, or an error with errno set
        got += static_cast<std::size_t>(count);
    }
    return got;
}

}  // namespace drovane::platform
