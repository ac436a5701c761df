#include "app/InterruptionNotice.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "platform/Interruption.h"

namespace drovane {
namespace {

void Write(std::string_view text) { platform::WriteToStandardError(text.data(), text.size()); }

// Covers `width` columns of the progress line with spaces, without making any text.
void Wipe(std::size_t width) {
    constexpr std::string_view kSpaces = "                                                                ";
    Write("\r");
    for (std::size_t left = width; left > 0;) {
        const std::size_t piece = left < kSpaces.size() ? left : kSpaces.size();
        Write(kSpaces.substr(0, piece));
        left -= piece;
    }
    Write("\r");
}

}  // namespace

InterruptionNotice::InterruptionNotice(const TextBuffer& diagnostics, const ProgressLine* progress, std::string outcome)
    : diagnostics_(diagnostics), progress_(progress), outcome_(std::move(outcome)) {
    platform::CatchEndingSignals();
    platform::SetInterruptionReport(Report, this);
}

InterruptionNotice::~InterruptionNotice() { Withdraw(); }

void InterruptionNotice::Withdraw() {
    if (registered_) platform::SetInterruptionReport(nullptr, nullptr);
    registered_ = false;
}

void InterruptionNotice::Report(void* context, const char* cause, const char* const* leftBehind) {
    const auto& notice = *static_cast<const InterruptionNotice*>(context);
    if (notice.progress_ != nullptr && notice.progress_->Shown()) Wipe(notice.progress_->Width());
    Write(notice.diagnostics_.Buffered());
    if (notice.diagnostics_.InsideLine()) Write("\n");
    for (; *leftBehind != nullptr; ++leftBehind) {
        Write("*** WARNING: temporary file ");
        Write({*leftBehind, std::strlen(*leftBehind)});
        Write(" could not be removed\n");
    }
    Write("*** FAIL: interrupted by ");
    Write({cause, std::strlen(cause)});
    Write(notice.outcome_);
}

}  // namespace drovane
