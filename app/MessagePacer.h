#pragma once
#include <chrono>
#include <cstdint>

#include "app/ProgressLine.h"
#include "core/ProgressObserver.h"
#include "core/TextBuffer.h"

namespace drovane {

// Sends the waiting diagnostics on at least this often while a conversion reads, so that a long
// run's messages reach standard error when they happen, not only when a block of them is full;
// passes every report of progress on to the progress line, when there is one.
class MessagePacer final : public ProgressObserver {
public:
    static constexpr std::chrono::milliseconds kFlushEvery{500};

    MessagePacer(TextBuffer& diagnostics, const ProgressClock& clock, ProgressObserver* next)
        : diagnostics_(diagnostics), clock_(clock), next_(next), lastFlushed_(clock()) {}

    void OnInputProgress(std::uint64_t bytesConsumed) override {
        if (next_ != nullptr) next_->OnInputProgress(bytesConsumed);
        const SteadyTime now = clock_();
        if (now - lastFlushed_ < kFlushEvery) return;
        lastFlushed_ = now;
        diagnostics_.Flush();
    }

private:
    TextBuffer& diagnostics_;
    const ProgressClock& clock_;
    ProgressObserver* next_;
    SteadyTime lastFlushed_;
};

}  // namespace drovane
