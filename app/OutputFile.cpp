#include "app/OutputFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>

namespace drovane {
namespace {

// The temporary file that a signal handler removes: the one piece of process-wide state, since a
// handler reaches nothing else. Only a lock-free atomic may be read there.
std::atomic<const char*> temporaryToRemove{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

// Signals that end the process by default and may come while a conversion runs: an interrupt, a
// request to stop, a terminal that went away, a reader of standard error that went away.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
constexpr std::size_t kEndingSignalCount = std::size(kEndingSignals);

// Removes the temporary file, then lets the signal end the process as it would have.
void RemoveTemporaryAndResignal(int signalNumber) {
    if (const char* name = temporaryToRemove.exchange(nullptr)) unlink(name);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigaction(signalNumber, &standard, nullptr);
    raise(signalNumber);  // delivered once the handler returns
}

// Holds back the ending signals for its lifetime, so that a temporary file is never left between
// being made and being watched, or between being renamed and no longer being watched.
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

// The file a chain of symbolic links ends at; `name` itself when it is no link. A link to a file
// that does not exist yet ends at that file's name.
std::string FollowLinks(std::string name) {
    constexpr int kMostLinks = 40;  // as the system allows
    for (int link = 0; link < kMostLinks; ++link) {
        struct stat status {};
        if (lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return name;
        std::error_code error;
        std::filesystem::path target = std::filesystem::read_symlink(name, error);
        if (error) return name;
        name = target.is_absolute() ? target.string() : (std::filesystem::path(name).parent_path() / target).string();
    }
    return name;
}

// Six letters or digits for a temporary name.
std::string RandomSuffix(std::random_device& random) {
    constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix(6, ' ');
    for (char& letter : suffix) letter = kLetters[random() % kLetters.size()];
    return suffix;
}

}  // namespace

class OutputFile::SignalWatch {
public:
    explicit SignalWatch(const std::string& temporaryName) {
        temporaryToRemove.store(temporaryName.c_str());
        struct sigaction handler {};
        handler.sa_handler = RemoveTemporaryAndResignal;
        sigemptyset(&handler.sa_mask);
        for (int signalNumber : kEndingSignals) sigaddset(&handler.sa_mask, signalNumber);
        for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
            // A signal the run was started to ignore (nohup, a background job) stays ignored.
            sigaction(kEndingSignals[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler == SIG_IGN) continue;
            replaced_[i] = sigaction(kEndingSignals[i], &handler, nullptr) == 0;
        }
    }
    ~SignalWatch() {
        for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
            if (replaced_[i]) sigaction(kEndingSignals[i], &previous_[i], nullptr);
        }
        temporaryToRemove.store(nullptr);
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    struct sigaction previous_[kEndingSignalCount] = {};
    bool replaced_[kEndingSignalCount] = {};
};

bool IsForeignFile(const std::string& name, std::string_view csvStart) {
    struct stat status {};
    if (stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size == 0) return false;
    int file = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return true;
    std::string start(csvStart.size(), '\0');
    std::size_t got = 0;
    while (got < start.size()) {
        ssize_t count = read(file, start.data() + got, start.size() - got);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        got += static_cast<std::size_t>(count);
    }
    close(file);
    return got < start.size() || start != csvStart;
}

bool OutputIsInput(std::FILE* input, bool inputIsStream, std::FILE* outputStream, const std::string& outputName) {
    struct stat in {};
    struct stat out {};
    if (fstat(fileno(input), &in) != 0) return false;
    int found = outputStream != nullptr ? fstat(fileno(outputStream), &out) : stat(outputName.c_str(), &out);
    if (found != 0 || in.st_dev != out.st_dev || in.st_ino != out.st_ino) return false;
    bool throughStream = inputIsStream || outputStream != nullptr;
    return !throughStream || S_ISREG(in.st_mode);
}

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
    if (ownsStream_ && stream_ != nullptr) std::fclose(stream_);
    Discard();
}

bool OutputFile::Open(const std::string& name) {
    struct stat status {};
    if (stat(name.c_str(), &status) == 0) {
        // The file is replaced under the name its links lead to. A name that leads elsewhere than
        // the file itself (a descriptor's link to a deleted file, say) is written in place.
        std::string target = FollowLinks(name);
        struct stat reached {};
        bool replaceable = S_ISREG(status.st_mode) && status.st_nlink == 1 && stat(target.c_str(), &reached) == 0 &&
                           reached.st_dev == status.st_dev && reached.st_ino == status.st_ino &&
                           access(target.c_str(), W_OK) == 0;
        if (replaceable && OpenAside(target)) {
            // Best effort: a file that somebody else owns stays theirs where the system allows.
            if (fchown(fileno(stream_), status.st_uid, status.st_gid) != 0) errno = 0;
            fchmod(fileno(stream_), status.st_mode & 07777);
            return true;
        }
    } else if (errno == ENOENT && OpenAside(FollowLinks(name))) {
        return true;
    }
    stream_ = std::fopen(name.c_str(), "w");
    ownsStream_ = true;
    return stream_ != nullptr;
}

// Makes the temporary file beside `target`, named after it: a hidden name that no other file has
// (created exclusively, so nothing that stands there is ever opened). False when the folder takes
// no new file.
bool OutputFile::OpenAside(const std::string& target) {
    std::filesystem::path path(target);
    std::string base = path.filename().string();
    if (base.empty()) return false;
    std::random_device random;
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = (path.parent_path() / ("." + base + "." + RandomSuffix(random))).string();
        SignalsHeld held;
        // 0666 less the umask: the mode fopen gives a new file.
        int file = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        stream_ = fdopen(file, "w");
        if (stream_ == nullptr) {
            close(file);
            unlink(name.c_str());
            return false;
        }
        ownsStream_ = true;
        temporaryName_ = std::move(name);
        targetName_ = target;
        signalWatch_ = std::make_unique<SignalWatch>(temporaryName_);
        return true;
    }
    return false;
}

int OutputFile::Close() {
    if (stream_ == nullptr) return 0;
    std::FILE* stream = stream_;
    stream_ = nullptr;
    errno = 0;
    int result = ownsStream_ ? std::fclose(stream) : std::fflush(stream);
    return result != 0 ? (errno != 0 ? errno : EIO) : 0;
}

int OutputFile::Keep() {
    if (!WritesAside()) return 0;
    SignalsHeld held;
    int error = std::rename(temporaryName_.c_str(), targetName_.c_str()) == 0 ? 0 : errno;
    if (error != 0) unlink(temporaryName_.c_str());
    ForgetTemporary();
    return error;
}

void OutputFile::Discard() {
    if (!WritesAside()) return;
    SignalsHeld held;
    unlink(temporaryName_.c_str());
    ForgetTemporary();
}

void OutputFile::ForgetTemporary() {
    signalWatch_.reset();
    temporaryName_.clear();
}

}  // namespace drovane
