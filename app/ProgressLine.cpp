#include "app/ProgressLine.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace drovane {

ProgressLine::ProgressLine(OutputSink& terminal, ProgressClock clock) : terminal_(terminal), clock_(std::move(clock)) {}

void ProgressLine::Start(std::uint64_t totalBytes, TextBuffer& diagnostics, std::function<std::int64_t()> rowsSoFar) {
    diagnostics_ = &diagnostics;
    rowsSoFar_ = std::move(rowsSoFar);
    totalBytes_ = totalBytes;
    started_ = clock_();
    lastDrawn_ = started_;
}

void ProgressLine::Stop() {
    if (Shown()) Wipe();
    diagnostics_ = nullptr;
    rowsSoFar_ = nullptr;
}

bool ProgressLine::Write(const char* data, std::size_t size) {
    if (size == 0) return terminal_.Write(data, size);
    if (Shown()) Wipe();
    atLineStart_ = data[size - 1] == '\n';
    return terminal_.Write(data, size);
}

void ProgressLine::OnInputProgress(std::uint64_t bytesConsumed) {
    if (diagnostics_ == nullptr || totalBytes_ == 0) return;
    SteadyTime now = clock_();
    if (now - started_ < kFirstShown || now - lastDrawn_ < kRedrawEvery) return;
    lastDrawn_ = now;
    DrawAt(now, bytesConsumed, {});
}

void ProgressLine::Finishing(std::string_view step) {
    if (diagnostics_ == nullptr || totalBytes_ == 0) return;
    SteadyTime now = clock_();
    if (now - started_ < kFirstShown) return;
    DrawAt(now, totalBytes_, step);
}

void ProgressLine::DrawAt(SteadyTime now, std::uint64_t bytesConsumed, std::string_view step) {
    // Messages that are waiting belong above the line; they wipe it as they pass.
    diagnostics_->Flush();
    // A message without its line end stays alone on its line.
    if (!atLineStart_) return;
    double seconds = std::chrono::duration<double>(now - started_).count();
    std::string text = Text(bytesConsumed, totalBytes_, seconds, rowsSoFar_ ? rowsSoFar_() : 0);
    if (!step.empty()) text.append("; ").append(step);
    Draw(text);
}

std::string ProgressLine::Text(std::uint64_t bytesConsumed, std::uint64_t totalBytes, double seconds,
                               std::int64_t rows) {
    std::uint64_t percent = bytesConsumed >= totalBytes ? 100 : bytesConsumed * 100 / totalBytes;
    double megabytesPerSecond = seconds > 0.0 ? static_cast<double>(bytesConsumed) / 1e6 / seconds : 0.0;

    char number[32];
    std::string text = "--- ";
    text.append(number, std::to_chars(number, number + sizeof number, percent).ptr);
    text += "% read, ";
    char* end = std::to_chars(number, number + sizeof number, megabytesPerSecond, std::chars_format::fixed, 1).ptr;
    text.append(number, end);
    text += " MB/s, ";
    text.append(number, std::to_chars(number, number + sizeof number, rows).ptr);
    text += " rows";
    return text;
}

void ProgressLine::Draw(std::string_view text) {
    // Start at the left edge and cover whatever a longer line left behind.
    std::string line = "\r";
    line += text;
    if (text.size() < width_) line.append(width_ - text.size(), ' ');
    width_ = std::max(width_, text.size());
    terminal_.Write(line.data(), line.size());
}

void ProgressLine::Wipe() {
    std::string blank = "\r";
    blank.append(width_, ' ');
    blank += '\r';
    width_ = 0;
    terminal_.Write(blank.data(), blank.size());
}

}  // namespace drovane
