#include "core/FileRandomAccessInput.h"

#include <cerrno>
#include <limits>

namespace drovane {

std::size_t FileRandomAccessInput::ReadAt(std::uint64_t offset, unsigned char* destination, std::size_t size,
                                          int& errorNumber) {
    std::lock_guard<std::mutex> hold(lock_);
    errno = 0;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max()) ||
        std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
        errorNumber = errno != 0 ? errno : EOVERFLOW;
        return 0;
    }
    std::size_t count = std::fread(destination, 1, size, file_);
    if (count < size && std::ferror(file_)) {
        errorNumber = errno != 0 ? errno : EIO;
        std::clearerr(file_);
    }
    return count;
}

}  // namespace drovane
