// Ending signals on POSIX systems (Linux, macOS): the handler that removes unfinished temporary
// files, lets the program report, and ends the process as the signal would have.
#include <array>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include "platform/Interruption.h"
#include "platform/PosixSignals.h"

namespace drovane::platform {
namespace {

// A handler reaches nothing but process-wide state, and only lock-free atomics may be read there.
// A slot is taken when its name is set and free again once the name is cleared.
struct Slot {
    std::atomic<int> folder{-1};
    std::atomic<const char*> path{nullptr};
    std::atomic<const char*> name{nullptr};
};
constexpr std::size_t kSlotCount = 8;
std::array<Slot, kSlotCount> temporaries{};
static_assert(std::atomic<const char*>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

std::atomic<InterruptionReport> report{nullptr};
std::atomic<void*> reportContext{nullptr};
static_assert(std::atomic<InterruptionReport>::is_always_lock_free && std::atomic<void*>::is_always_lock_free);

// The thread that reports: a signal that reaches another thread is passed on to it.
pthread_t reportingThread;

struct EndingSignal {
    int number;
    const char* name;
};
// Signals that end the process by default and may come while a file is written.
constexpr std::array kEndingSignals = {
    EndingSignal{SIGINT, "SIGINT"},   EndingSignal{SIGTERM, "SIGTERM"}, EndingSignal{SIGHUP, "SIGHUP"},
    EndingSignal{SIGPIPE, "SIGPIPE"}, EndingSignal{SIGQUIT, "SIGQUIT"}, EndingSignal{SIGUSR1, "SIGUSR1"},
    EndingSignal{SIGUSR2, "SIGUSR2"}, EndingSignal{SIGALRM, "SIGALRM"}, EndingSignal{SIGVTALRM, "SIGVTALRM"},
    EndingSignal{SIGPROF, "SIGPROF"},
};

const char* NameOf(int signalNumber) {
    for (const EndingSignal& ending : kEndingSignals) {
        if (ending.number == signalNumber) return ending.name;
    }
    return "a signal";
}

// Removes the listed temporary files; those that stay are listed in `leftBehind`.
void RemoveTemporaries(std::array<const char*, kSlotCount + 1>& leftBehind) {
    std::size_t left = 0;
    for (Slot& slot : temporaries) {
        const char* name = slot.name.exchange(nullptr);
        if (name == nullptr) continue;
        if (unlinkat(slot.folder.load(), name, 0) != 0 && errno != ENOENT) leftBehind[left++] = slot.path.load();
    }
    leftBehind[left] = nullptr;
}

extern "C" void EndBySignal(int signalNumber) {
    const int savedError = errno;
    if (!pthread_equal(pthread_self(), reportingThread)) {
        pthread_kill(reportingThread, signalNumber);
        errno = savedError;
        return;
    }
    std::array<const char*, kSlotCount + 1> leftBehind{};
    RemoveTemporaries(leftBehind);
    if (InterruptionReport write = report.load()) write(reportContext.load(), NameOf(signalNumber), leftBehind.data());
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigaction(signalNumber, &standard, nullptr);
    raise(signalNumber);  // delivered once the handler returns
}

sigset_t EndingSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const EndingSignal& ending : kEndingSignals) sigaddset(&set, ending.number);
    return set;
}

}  // namespace

void CatchEndingSignals() {
    static const bool installed = [] {
        reportingThread = pthread_self();
        struct sigaction handler {};
        handler.sa_handler = EndBySignal;
        handler.sa_mask = EndingSet();
        for (const EndingSignal& ending : kEndingSignals) {
            struct sigaction current {};
            if (sigaction(ending.number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
            sigaction(ending.number, &handler, nullptr);
        }
        struct sigaction ignored {};
        ignored.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignored, nullptr);
        return true;
    }();
    (void)installed;
}

void SetInterruptionReport(InterruptionReport write, void* context) {
    EndingSignalsHeld held;
    reportContext.store(context);
    report.store(write);
}

void WriteToStandardError(const char* text, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(STDERR_FILENO, text, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        size -= static_cast<std::size_t>(written);
    }
}

int ListTemporary(int folder, const char* name, const char* path) {
    CatchEndingSignals();
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        Slot& slot = temporaries[i];
        if (slot.name.load() != nullptr) continue;
        slot.folder.store(folder);
        slot.path.store(path);
        const char* expected = nullptr;
        if (slot.name.compare_exchange_strong(expected, name)) return static_cast<int>(i);
    }
    return -1;
}

void UnlistTemporary(int slot) {
    if (slot >= 0) temporaries[static_cast<std::size_t>(slot)].name.store(nullptr);
}

EndingSignalsHeld::EndingSignalsHeld() {
    const sigset_t held = EndingSet();
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

EndingSignalsHeld::~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace drovane::platform
