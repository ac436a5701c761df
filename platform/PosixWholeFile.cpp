// Whole-or-nothing output files on POSIX systems (Linux, macOS): unnamed or hidden temporary
// files, links, renames and copies into files that must keep their identity.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Interruption.h"
#include "platform/PosixSignals.h"
#include "platform/WholeFile.h"

namespace drovane::platform {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A folder and a name in it, written as one path for messages.
std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// Where a name leads through its symbolic links. `throughProc` is set when a link leads into
// /proc, as /dev/stdout does on Linux: such a name stands for an open file, not for a place in a
// folder. A link to a file that does not exist yet ends at that file's name.
struct Resolved {
    std::string path;
    bool throughProc = false;
};

Resolved FollowLinks(const std::string& name) {
    constexpr int kMostLinks = 40;  // as the system allows
    Resolved resolved{name, name.starts_with("/proc/")};
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat status {};
        if (lstat(resolved.path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return resolved;
        std::string link(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 256) + 1, '\0');
        const ssize_t length = readlink(resolved.path.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size()) return resolved;
        link.resize(static_cast<std::size_t>(length));
        resolved.path = link.starts_with('/') ? link : FolderOf(resolved.path) + "/" + link;
        if (resolved.path.starts_with("/proc/")) resolved.throughProc = true;
    }
    return resolved;
}

bool SameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

int ErrorOr(int fallback) { return errno != 0 ? errno : fallback; }

// A folder held open, so that every name in it is reached relative to it, however long its path.
int OpenFolder(const std::string& path) {
#ifdef O_PATH
    return open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
    return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
}

// `lead`, `base` and a dot with six random letters and digits: `base` cut short where the whole
// would be too long for a name in `folder`.
std::string TemporaryNameFor(int folder, const std::string& base, std::string_view lead) {
    constexpr long kUsualLongest = 255;
    const long longest = fpathconf(folder, _PC_NAME_MAX);
    const std::string suffix = RandomNameSuffix();
    const std::size_t room = static_cast<std::size_t>(longest > 0 ? longest : kUsualLongest);
    const std::size_t taken = lead.size() + 1 + suffix.size();
    std::string name(lead);
    name.append(base, 0, room > taken ? room - taken : 1);
    name += '.';
    name += suffix;
    return name;
}

// The errors of a system or file system that makes no unnamed temporary file.
bool UnnamedUnsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

void CloseIfOpen(int& descriptor) {
    if (descriptor >= 0) close(descriptor);
    descriptor = -1;
}

// Copies every byte of `from` into `to` from its start and cuts `to` to that length. `touched`
// is set once `to` has changed.
int CopyBytes(int from, int to, bool& touched) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::unique_ptr<char[]> block(new char[kBlock]);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = pread(from, block.get(), kBlock, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return ErrorOr(EIO);
        if (got == 0) break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = pwrite(to, block.get() + done, static_cast<std::size_t>(got - done), offset + done);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return ErrorOr(EIO);
            touched = true;
            done += put;
        }
        offset += got;
    }
    touched = true;
    return ftruncate(to, offset) == 0 ? 0 : ErrorOr(EIO);
}

// Sets aside the room that copying `from` into `to` needs, leaving `to` as it was (Linux: its size
// and bytes unchanged), so that a file system too full for the new file fails the copy before it
// has changed a byte. Where the file system cannot set room aside, the copy goes ahead.
int ReserveRoom(int from, int to) {
#ifdef __linux__
    struct stat status {};
    if (fstat(from, &status) != 0 || status.st_size == 0) return 0;
    if (fallocate(to, FALLOC_FL_KEEP_SIZE, 0, status.st_size) == 0) return 0;
    if (errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL) return 0;
    return ErrorOr(EIO);
#else
    (void)from;
    (void)to;
    return 0;
#endif
}

}  // namespace

WholeFile::~WholeFile() {
    if (ownsStream_ && stream_ != nullptr) std::fclose(stream_);
    Discard();
}

int WholeFile::Open(const std::string& name, const WholeFileOptions& options) {
    options_ = options;
    CatchEndingSignals();
    const Resolved resolved = FollowLinks(name);
    // A name through /proc is opened as given: its link text may name no file ("pipe:[...]").
    const std::string target = resolved.throughProc ? name : resolved.path;
    struct stat status {};
    const bool exists = stat(name.c_str(), &status) == 0;
    if (!exists && errno != ENOENT) return errno;
    if (exists && S_ISDIR(status.st_mode)) return EISDIR;
    const bool regular = exists && S_ISREG(status.st_mode) && !resolved.throughProc;
    if (regular && options.existing == IfExists::Refuse) return EEXIST;

    // A device, a pipe, an open file, or a name that its links do not lead to: written in place.
    struct stat reached {};
    const bool placeable = regular && stat(target.c_str(), &reached) == 0 && SameFile(reached, status);
    if (exists && !placeable) return OpenInPlace(name, true);
    if (exists && access(target.c_str(), W_OK) != 0) return errno;

    // The names of a file with several hard links must go on sharing it.
    copyingIn_ = exists && status.st_nlink > 1;
    if (const int error = OpenAside(target, exists); error != 0) return error;
    if (!exists || copyingIn_) return 0;
    // A replaced file keeps its permission bits, and its owner where the system allows; the
    // temporary file is private until it has them.
    if (fchown(temporary_, status.st_uid, status.st_gid) != 0) errno = 0;  // best effort
    if (fchmod(temporary_, status.st_mode & 07777) != 0) {
        const int error = errno;
        std::fclose(stream_);
        stream_ = nullptr;
        ownsStream_ = false;
        Discard();
        return error;
    }
    return 0;
}

int WholeFile::OpenAside(const std::string& target, bool replacing) {
    if (BaseOf(target).empty()) return EISDIR;
    targetName_ = target;
    targetFolder_ = OpenFolder(FolderOf(target));
    if (targetFolder_ < 0) return errno;
    // Private until the file it replaces lends it its mode; 0666 less the umask for a new one.
    int error = MakeTemporary(targetFolder_, FolderOf(target), replacing ? 0600 : 0666);
    if (error == 0) {
        temporaryFolder_ = targetFolder_;
        temporaryFolderName_ = FolderOf(target);
    } else if (replacing) {
        // No temporary file beside it (a folder that takes no new file, no free inode): one in the
        // system's temporary folder, copied into the old file once the run has succeeded.
        temporaryFolderName_ = SystemTemporaryFolder();
        temporaryFolder_ = OpenFolder(temporaryFolderName_);
        if (temporaryFolder_ >= 0 && MakeTemporary(temporaryFolder_, temporaryFolderName_, 0600) == 0) {
            copyingIn_ = true;
            error = 0;
        }
    }
    aside_ = true;
    replacing_ = replacing;
    const int streamDescriptor = error == 0 ? fcntl(temporary_, F_DUPFD_CLOEXEC, 0) : -1;
    stream_ = streamDescriptor >= 0 ? fdopen(streamDescriptor, "w") : nullptr;
    if (stream_ == nullptr) {
        if (error == 0) error = ErrorOr(ENOMEM);
        if (streamDescriptor >= 0) close(streamDescriptor);
        Discard();
        return error;
    }
    ownsStream_ = true;
    return 0;
}

std::string SystemTemporaryFolder() {
    const char* named = std::getenv("TMPDIR");
    return named != nullptr && named[0] == '/' ? std::string(named) : std::string("/tmp");
}

int WholeFile::MakeTemporary(int folder, const std::string& folderPath, unsigned mode) {
#ifdef O_TMPFILE
    temporary_ = openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (temporary_ >= 0) return 0;
    if (!UnnamedUnsupported(errno)) return errno;
#endif
    constexpr int kAttempts = 100;
    const std::string base = BaseOf(targetName_);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name = TemporaryNameFor(folder, base, ".");
        EndingSignalsHeld held;
        temporary_ = openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (temporary_ < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        temporaryName_ = Join(folderPath, name);
        const char* inFolder = temporaryName_.c_str() + (temporaryName_.size() - name.size());
        cleanupSlot_ = ListTemporary(folder, inFolder, temporaryName_.c_str());
        return 0;
    }
    return EEXIST;
}

int WholeFile::OpenInPlace(const std::string& name, bool exists) {
    // A file that appeared since the name was looked at is refused all the same.
    const int exclusive = !exists && options_.existing == IfExists::Refuse ? O_EXCL : 0;
    const int descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | exclusive, 0666);
    if (descriptor < 0) return errno;
    stream_ = fdopen(descriptor, "w");
    if (stream_ == nullptr) {
        const int error = ErrorOr(ENOMEM);
        close(descriptor);
        return error;
    }
    ownsStream_ = true;
    return 0;
}

int WholeFile::Close() {
    if (stream_ == nullptr) return 0;
    std::FILE* stream = stream_;
    stream_ = nullptr;
    errno = 0;
    if (!ownsStream_) return std::fflush(stream) != 0 ? ErrorOr(EIO) : 0;
    ownsStream_ = false;
    int error = std::fflush(stream) != 0 ? ErrorOr(EIO) : 0;
    if (error == 0 && aside_ && options_.syncBeforeKeeping && fsync(fileno(stream)) != 0) error = ErrorOr(EIO);
    errno = 0;
    if (std::fclose(stream) != 0 && error == 0) error = ErrorOr(EIO);
    return error;
}

int WholeFile::Keep() {
    if (!aside_) return 0;
    EndingSignalsHeld held;
    const int error = copyingIn_ ? CopyIntoPlace() : PutIntoPlace();
    ForgetTemporary();
    return error;
}

// Links the unnamed temporary file into `folder` as `name`; 0 or the error number.
int WholeFile::LinkTemporary(int folder, const std::string& name) const {
#ifdef AT_EMPTY_PATH
    if (linkat(temporary_, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno == EEXIST) return EEXIST;
#endif
    // Without the privilege to link a descriptor, its name under /proc serves.
    const std::string open = "/proc/self/fd/" + std::to_string(temporary_);
    return linkat(AT_FDCWD, open.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : ErrorOr(EIO);
}

int WholeFile::PutIntoPlace() {
    const std::string base = BaseOf(targetName_);
    // A link never replaces a file that appeared meanwhile.
    const bool refuse = options_.existing == IfExists::Refuse;
    if (temporaryName_.empty()) {
        if (refuse) return LinkTemporary(targetFolder_, base);
        constexpr int kAttempts = 100;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const std::string name = TemporaryNameFor(targetFolder_, base, ".");
            const int error = LinkTemporary(targetFolder_, name);
            if (error == EEXIST) continue;
            if (error != 0) return error;
            if (renameat(targetFolder_, name.c_str(), targetFolder_, base.c_str()) == 0) return 0;
            const int failed = ErrorOr(EIO);
            unlinkat(targetFolder_, name.c_str(), 0);
            return failed;
        }
        return EEXIST;
    }
    const std::string name = BaseOf(temporaryName_);
    if (refuse) {
        // Where the file system has no hard links, the rename below does the work.
        if (linkat(targetFolder_, name.c_str(), targetFolder_, base.c_str(), 0) == 0) return 0;
        if (errno == EEXIST) return EEXIST;
    }
    if (renameat(targetFolder_, name.c_str(), targetFolder_, base.c_str()) != 0) return ErrorOr(EIO);
    temporaryName_.clear();
    return 0;
}

int WholeFile::CopyIntoPlace() {
    const int target = openat(targetFolder_, BaseOf(targetName_).c_str(), O_WRONLY | O_CLOEXEC);
    if (target < 0) return ErrorOr(EIO);  // the previous file is left as it was
    bool touched = false;
    int error = ReserveRoom(temporary_, target);
    if (error == 0) error = CopyBytes(temporary_, target, touched);
    if (error == 0 && options_.syncBeforeKeeping && fsync(target) != 0) error = ErrorOr(EIO);
    if (close(target) != 0 && error == 0) error = ErrorOr(EIO);
    if (error != 0 && touched) {
        aftermath_.previousDamaged = true;
        Rescue();
    }
    return error;
}

// After a copy that failed on the way: the whole new file keeps a name in its folder, and
// Aftermath() tells which.
void WholeFile::Rescue() {
    if (!temporaryName_.empty()) {
        aftermath_.newFileAt = temporaryName_;
        temporaryName_.clear();
        return;
    }
    const std::string name = TemporaryNameFor(temporaryFolder_, BaseOf(targetName_), "");
    if (LinkTemporary(temporaryFolder_, name) == 0) aftermath_.newFileAt = Join(temporaryFolderName_, name);
}

int WholeFile::Discard() {
    if (!aside_) return 0;
    EndingSignalsHeld held;
    return ForgetTemporary();
}

int WholeFile::ForgetTemporary() {
    UnlistTemporary(cleanupSlot_);
    cleanupSlot_ = -1;
    int error = 0;
    if (!temporaryName_.empty() && unlinkat(temporaryFolder_, BaseOf(temporaryName_).c_str(), 0) != 0 &&
        errno != ENOENT) {
        error = errno;
        aftermath_.leftBehind = temporaryName_;
    }
    temporaryName_.clear();
    CloseIfOpen(temporary_);
    if (temporaryFolder_ != targetFolder_) CloseIfOpen(temporaryFolder_);
    temporaryFolder_ = -1;
    CloseIfOpen(targetFolder_);
    aside_ = false;
    return error;
}

}  // namespace drovane::platform
