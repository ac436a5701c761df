// Whole-or-nothing output files on POSIX systems (Linux, macOS): descriptors, links, renames and
// the signal handler that removes unfinished temporary files.
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/WholeFile.h"

namespace drovane::platform {
namespace {

// The temporary files being written, for the signal handler: a handler reaches nothing but
// process-wide state, and only lock-free atomics may be read there. Each entry points into a
// WholeFile's own name and is cleared before that name goes away.
constexpr std::size_t kSlotCount = 8;
std::array<std::atomic<const char*>, kSlotCount> temporaries{};
static_assert(std::atomic<const char*>::is_always_lock_free);

// Signals that end the process by default and may come while a file is written: an interrupt, a
// request to stop, a terminal that went away, a reader of a pipe that went away.
constexpr std::array kEndingSignals = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// Removes the temporary files, then lets the signal end the process as it would have, so that a
// shell sees the cause.
extern "C" void RemoveTemporariesAndResignal(int signalNumber) {
    for (auto& slot : temporaries) {
        if (const char* name = slot.exchange(nullptr)) unlink(name);
    }
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigaction(signalNumber, &standard, nullptr);
    raise(signalNumber);  // delivered once the handler returns
}

// Installs the handler for every ending signal, once per process; with no temporary file to
// remove it ends the process just as the default would. A signal the process was started to
// ignore (nohup, a background job) stays ignored.
void InstallHandlers() {
    static const bool installed = [] {
        struct sigaction handler {};
        handler.sa_handler = RemoveTemporariesAndResignal;
        sigemptyset(&handler.sa_mask);
        for (int signalNumber : kEndingSignals) sigaddset(&handler.sa_mask, signalNumber);
        for (int signalNumber : kEndingSignals) {
            struct sigaction current {};
            if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
            sigaction(signalNumber, &handler, nullptr);
        }
        return true;
    }();
    (void)installed;
}

// Holds back the ending signals for its lifetime, so that a temporary file is never left between
// being made and being listed, or between being renamed and no longer being listed.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int signalNumber : kEndingSignals) sigaddset(&held, signalNumber);
        sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// Lists a temporary file for the handler; the slot, or -1 when more files are open at once than
// there are slots (that one is then not removed on a signal).
int List(const std::string& temporary) {
    InstallHandlers();
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        const char* expected = nullptr;
        if (temporaries[i].compare_exchange_strong(expected, temporary.c_str())) return static_cast<int>(i);
    }
    return -1;
}

void Unlist(int slot) {
    if (slot >= 0) temporaries[static_cast<std::size_t>(slot)].store(nullptr);
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

}  // namespace

WholeFile::~WholeFile() {
    if (ownsStream_ && stream_ != nullptr) std::fclose(stream_);
    Discard();
}

int WholeFile::Open(const std::string& name, const WholeFileOptions& options) {
    options_ = options;
    const Resolved resolved = FollowLinks(name);
    // A name through /proc is opened as given: its link text may name no file ("pipe:[...]").
    const std::string target = resolved.throughProc ? name : resolved.path;
    struct stat status {};
    const bool exists = stat(name.c_str(), &status) == 0;
    if (!exists && errno != ENOENT) return errno;
    if (exists && S_ISDIR(status.st_mode)) return EISDIR;
    const bool regular = exists && S_ISREG(status.st_mode);
    if (regular && !resolved.throughProc && options.existing == IfExists::Refuse) return EEXIST;

    // The file is replaced under the name its links lead to, when that is the file itself, it is
    // the file's only name, and it may be written.
    struct stat reached {};
    const bool replaceable = regular && !resolved.throughProc && status.st_nlink == 1 &&
                             stat(target.c_str(), &reached) == 0 && SameFile(reached, status) &&
                             access(target.c_str(), W_OK) == 0;
    if (!exists || replaceable) {
        // A replaced file keeps its permission bits, and its owner where the system allows; the
        // temporary file is private until it has them. A new file gets 0666 less the umask, as
        // fopen gives it.
        const int created = OpenAside(target, exists);
        if (created == 0 && exists) {
            const int descriptor = fileno(stream_);
            if (fchown(descriptor, status.st_uid, status.st_gid) != 0) errno = 0;  // best effort
            if (fchmod(descriptor, status.st_mode & 07777) != 0) {
                const int error = errno;
                std::fclose(stream_);
                stream_ = nullptr;
                ownsStream_ = false;
                Discard();
                return error;
            }
        }
        if (created == 0) return 0;
    }
    return OpenInPlace(exists ? name : target, exists);
}

int WholeFile::OpenAside(const std::string& target, bool replacing) {
    const std::string base = BaseOf(target);
    if (base.empty()) return EISDIR;
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = FolderOf(target) + "/." + base + "." + RandomNameSuffix();
        SignalsHeld held;
        // Private until the file it replaces lends it its mode; 0666 less the umask for a new one.
        const int descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        stream_ = fdopen(descriptor, "w");
        if (stream_ == nullptr) {
            const int error = ErrorOr(ENOMEM);
            close(descriptor);
            unlink(name.c_str());
            return error;
        }
        ownsStream_ = true;
        temporaryName_ = std::move(name);
        targetName_ = target;
        cleanupSlot_ = List(temporaryName_);
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
    if (error == 0 && WritesAside() && options_.syncBeforeKeeping && fsync(fileno(stream)) != 0) error = ErrorOr(EIO);
    errno = 0;
    if (std::fclose(stream) != 0 && error == 0) error = ErrorOr(EIO);
    return error;
}

int WholeFile::Keep() {
    if (!WritesAside()) return 0;
    SignalsHeld held;
    int error = 0;
    if (options_.existing == IfExists::Refuse) {
        // A link never replaces a file that appeared meanwhile; where the file system has no hard
        // links, the rename below does the work.
        if (link(temporaryName_.c_str(), targetName_.c_str()) == 0) {
            unlink(temporaryName_.c_str());
            ForgetTemporary();
            return 0;
        }
        if (errno == EEXIST) error = EEXIST;
    }
    if (error == 0 && std::rename(temporaryName_.c_str(), targetName_.c_str()) != 0) error = ErrorOr(EIO);
    if (error != 0) unlink(temporaryName_.c_str());
    ForgetTemporary();
    return error;
}

void WholeFile::Discard() {
    if (!WritesAside()) return;
    SignalsHeld held;
    unlink(temporaryName_.c_str());
    ForgetTemporary();
}

void WholeFile::ForgetTemporary() {
    Unlist(cleanupSlot_);
    cleanupSlot_ = -1;
    temporaryName_.clear();
}

}  // namespace drovane::platform
