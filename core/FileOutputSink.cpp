#include "core/FileOutputSink.h"

#include <cerrno>

namespace drovane {

bool FileOutputSink::Write(const char* data, std::size_t size) {
    errno = 0;
    if (std::fwrite(data, 1, size, file_) == size) return true;
    if (errorNumber_ == 0) errorNumber_ = errno != 0 ? errno : EIO;
    return false;
}

}  // namespace drovane
