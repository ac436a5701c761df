#pragma once
#include <signal.h>
#include <string>

// The POSIX side of catching ending signals, for the whole files: the list of named temporary
// files that the signal handler removes, and a hold on the ending signals.
namespace drovane::platform {

// Lists a temporary file, `name` in the folder open as `folder` (its full path, for messages, is
// `path`), for the handler to remove; the slot, or -1 when more files are listed at once than
// there are slots (that one is then not removed on a signal). Both texts must outlive the entry.
int ListTemporary(int folder, const char* name, const char* path);
void UnlistTemporary(int slot);

// The system's temporary folder: TMPDIR when it names one, else /tmp.
std::string SystemTemporaryFolder();

// Holds back the ending signals for its lifetime, so that a temporary file is never left between
// being made and being listed, or between being renamed and no longer being listed.
class EndingSignalsHeld {
public:
    EndingSignalsHeld();
    ~EndingSignalsHeld();
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

}  // namespace drovane::platform
