// The run's own scratch file on POSIX systems: unnamed where the system allows (reached through
// /proc/self/fd), else hidden in the temporary folder and listed for removal on an ending signal.
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/PosixSignals.h"
#include "platform/ScratchFile.h"
#include "platform/WholeFile.h"

namespace drovane::platform {

ScratchFile::~ScratchFile() {
    if (!removeName_.empty()) {
        EndingSignalsHeld held;
        unlink(removeName_.c_str());
        UnlistTemporary(cleanupSlot_);
    }
    if (file_ >= 0) close(file_);
}

int ScratchFile::Open() {
    const std::string folder = SystemTemporaryFolder();
#ifdef O_TMPFILE
    file_ = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (file_ >= 0) {
        name_ = "/proc/self/fd/" + std::to_string(file_);
        struct stat status {};
        if (stat(name_.c_str(), &status) == 0) return 0;
        close(file_);  // no /proc: a named file instead
        file_ = -1;
    }
#endif
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name = folder + "/.drovane2csv-" + RandomNameSuffix();
        EndingSignalsHeld held;
        file_ = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (file_ < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        name_ = name;
        removeName_ = name;
        cleanupSlot_ = ListTemporary(AT_FDCWD, removeName_.c_str(), removeName_.c_str());
        return 0;
    }
    return EEXIST;
}

int ScratchFile::CopyTo(std::FILE* destination) const {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::vector<char> block(kBlock);
    off_t at = 0;
    for (;;) {
        const ssize_t got = pread(file_, block.data(), block.size(), at);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return 0;
        errno = 0;
        if (std::fwrite(block.data(), 1, static_cast<std::size_t>(got), destination) != static_cast<std::size_t>(got)) {
            return errno != 0 ? errno : EIO;
        }
        at += got;
    }
}

}  // namespace drovane::platform
