#pragma once
#include <string>

#include "app/ProgressLine.h"
#include "core/TextBuffer.h"

namespace drovane {

// What a run ended by a signal leaves on standard error, for as long as the notice lives: the
// progress line wiped, the diagnostics that were still waiting, and one line that says the run
// was interrupted and what became of the output, such as "*** FAIL: interrupted by SIGTERM; the
// previous trip.csv is kept as it was". The process then dies of the signal.
class InterruptionNotice {
public:
    // `outcome` follows the cause on the interrupted line, "; ..." up to its line end.
    InterruptionNotice(const TextBuffer& diagnostics, const ProgressLine* progress, std::string outcome);
    ~InterruptionNotice();
    InterruptionNotice(const InterruptionNotice&) = delete;
    InterruptionNotice& operator=(const InterruptionNotice&) = delete;

    // From now on an interruption writes nothing of the run's own.
    void Withdraw();

private:
    // Runs inside the signal handler: reads only what is in memory and writes it directly.
    static void Report(void* context, const char* cause, const char* const* leftBehind);

    const TextBuffer& diagnostics_;
    const ProgressLine* progress_;
    std::string outcome_;
    bool registered_ = true;
};

}  // namespace drovane
