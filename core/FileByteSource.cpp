#include "core/FileByteSource.h"

#include <cerrno>

namespace drovane {

std::size_t FileByteSource::Read(unsigned char* destination, std::size_t size) {
    errno = 0;
    std::size_t count = std::fread(destination, 1, size, file_);
    if (count < size && std::ferror(file_)) {
        errorNumber_ = errno != 0 ? errno : EIO;
    }
    return count;
}

}  // namespace drovane
