// The POSIX side of the tools' output files: descriptors, links, renames and the signal handler
// that removes unfinished temporary files. Everything specific to the platform lives here.
#include "tools/output/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <random>

namespace drovane::tools {
namespace {

// The temporary files being written, for the signal handler. A handler can reach nothing but
// process-wide state, so this one list is; each entry points into an OutputFile's own name and is
// cleared before that name goes away.
constexpr std::size_t kSlotCount = 8;
std::array<std::atomic<const char*>, kSlotCount> temporaries{};
std::once_flag handlersInstalled;
constexpr std::array kCleanupSignals = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTemporariesAndStop(int signal) {
    for (auto& slot : temporaries) {
        if (const char* name = slot.load()) ::unlink(name);
    }
    // Die of the signal, as without the handler, so that a shell sees the cause.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void InstallHandlers() {
    for (int signal : kCleanupSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;  // nohup
        struct sigaction cleanup {};
        cleanup.sa_handler = RemoveTemporariesAndStop;
        sigemptyset(&cleanup.sa_mask);
        ::sigaction(signal, &cleanup, nullptr);
    }
}

int Register(const std::string& temporary) {
    std::call_once(handlersInstalled, InstallHandlers);
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        const char* expected = nullptr;
        if (temporaries[i].compare_exchange_strong(expected, temporary.c_str())) return static_cast<int>(i);
    }
    return -1;  // more files at once than slots: this one is not removed on a signal
}

void Unregister(int slot) {
    if (slot >= 0) temporaries[static_cast<std::size_t>(slot)].store(nullptr);
}

std::string Reason(int error) { return std::strerror(error); }

OutputError OpenError(const std::string& path, int error) {
    return OutputError("cannot open " + path + " for writing: " + Reason(error));
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where a name leads through its symbolic links. `throughProc` is set when a link leads into
// /proc, as /dev/stdout does: such a name stands for an open file, not for a place in a folder.
struct Resolved {
    std::string path;
    bool throughProc = false;
};

Resolved FollowLinks(const std::string& path) {
    constexpr int kMaxLinks = 40;
    Resolved resolved{path, path.starts_with("/proc/")};
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat status {};
        if (::lstat(resolved.path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return resolved;
        std::string link(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 256) + 1, '\0');
        const ssize_t length = ::readlink(resolved.path.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size()) return resolved;
        link.resize(static_cast<std::size_t>(length));
        resolved.path = link.starts_with('/') ? link : FolderOf(resolved.path) + "/" + link;
        if (resolved.path.starts_with("/proc/")) resolved.throughProc = true;
    }
    return resolved;
}

// A new hidden file beside `target`, created exclusively; -1 with errno set when the folder
// takes none.
int CreateTemporary(const std::string& target, mode_t mode, std::string& name) {
    std::random_device random;
    constexpr int kTries = 16;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        name = FolderOf(target) + "/." + BaseOf(target) + "." + std::to_string(random() % 1000000000U) + ".tmp";
        const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    return -1;
}

}  // namespace

OutputFile::OutputFile(const std::string& path, ExistingFile existing) : path_(path), existing_(existing) {
    const Resolved resolved = FollowLinks(path);
    // A name through /proc is opened as given: its link text may name no file ("pipe:[...]").
    target_ = resolved.throughProc ? path : resolved.path;
    struct stat status {};
    const bool exists = ::stat(target_.c_str(), &status) == 0;
    if (!exists && errno != ENOENT) throw OpenError(path_, errno);
    if (exists && S_ISDIR(status.st_mode)) throw OpenError(path_, EISDIR);
    const bool regular = exists && S_ISREG(status.st_mode);
    if (regular && existing == ExistingFile::Refuse && !resolved.throughProc) throw OutputExists(path_);

    int flags = O_WRONLY | O_CLOEXEC;
    if (exists && (!regular || resolved.throughProc || status.st_nlink > 1)) {
        // Nothing to rename onto: a device, a pipe, an open file, or one file under several names.
        descriptor_ = ::open(target_.c_str(), flags | (regular ? O_TRUNC : 0));
        if (descriptor_ < 0) throw OpenError(path_, errno);
        NoteStandardOutput();
        return;
    }
    // A replaced file keeps its permission bits; a new one gets 0666 less the umask.
    const mode_t mode = exists ? (status.st_mode & 07777) : 0666;
    descriptor_ = CreateTemporary(target_, exists ? 0600 : mode, temporary_);
    if (descriptor_ >= 0) {
        slot_ = Register(temporary_);
        if (exists && ::fchmod(descriptor_, mode) != 0) {
            const int error = errno;
            Abandon();  // a constructor that throws gets no destructor
            FailWriting(error);
        }
        return;
    }
    // A folder that takes no new file may still let the file itself be written.
    temporary_.clear();
    flags |= O_CREAT | O_TRUNC | (existing == ExistingFile::Refuse ? O_EXCL : 0);
    descriptor_ = ::open(target_.c_str(), flags, 0666);
    if (descriptor_ < 0 && errno == EEXIST) throw OutputExists(path_);
    if (descriptor_ < 0) throw OpenError(path_, errno);
    NoteStandardOutput();
}

void OutputFile::NoteStandardOutput() {
    struct stat mine {};
    struct stat standard {};
    toStandardOutput_ = ::fstat(descriptor_, &mine) == 0 && ::fstat(STDOUT_FILENO, &standard) == 0 &&
                        mine.st_dev == standard.st_dev && mine.st_ino == standard.st_ino;
}

OutputFile::~OutputFile() { Abandon(); }

void OutputFile::Abandon() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
    Unregister(slot_);
    slot_ = -1;
}

void OutputFile::FailWriting(int error) const { throw OutputError("cannot write " + path_ + ": " + Reason(error)); }

void OutputFile::Write(std::span<const char> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) FailWriting(written < 0 ? errno : EIO);
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

void OutputFile::Commit() {
    if (committed_) return;
    // The bytes are on the disc before the name points at them.
    if (!temporary_.empty() && ::fsync(descriptor_) != 0) FailWriting(errno);
    const int closed = ::close(descriptor_);
    descriptor_ = -1;
    if (closed != 0) FailWriting(errno);
    if (!temporary_.empty()) {
        if (existing_ == ExistingFile::Refuse) {
            // A link never replaces a file that appeared meanwhile; where the file system has no
            // hard links, the rename below does the work.
            if (::link(temporary_.c_str(), target_.c_str()) == 0) {
                ::unlink(temporary_.c_str());
                committed_ = true;
            } else if (errno == EEXIST) {
                throw OutputExists(path_);
            }
        }
        if (!committed_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) FailWriting(errno);
        Unregister(slot_);
        slot_ = -1;
    }
    committed_ = true;
}

void WriteWholeFile(const std::string& path, std::span<const char> bytes, ExistingFile existing) {
    OutputFile file(path, existing);
    file.Write(bytes);
    file.Commit();
}

}  // namespace drovane::tools
