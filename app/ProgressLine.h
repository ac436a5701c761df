#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/OutputSink.h"
#include "core/ProgressObserver.h"
#include "core/TextBuffer.h"

namespace drovane {

using SteadyTime = std::chrono::steady_clock::time_point;
// Where the progress line reads the time; tests give a clock of their own.
using ProgressClock = std::function<SteadyTime()>;

// One self-updating line on a terminal that tells how far a long conversion has come, for
// example "--- 42% read, 312.5 MB/s, 123456 rows". It stands between the diagnostics buffer and
// the terminal: a block of diagnostics first wipes the line, so messages never mix with it, and
// the line is drawn again at the next progress report. Before Start and after Stop everything
// passes through untouched.
class ProgressLine final : public OutputSink, public ProgressObserver {
public:
    // A conversion shorter than this never shows the line.
    static constexpr std::chrono::milliseconds kFirstShown{1000};
    // The line is redrawn at most this often.
    static constexpr std::chrono::milliseconds kRedrawEvery{250};

    ProgressLine(OutputSink& terminal, ProgressClock clock);

    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Starts timing the conversion of an input of `totalBytes` (above 0). Before each drawing
    // `diagnostics` is flushed, so that messages come out in order; `rowsSoFar` counts the rows.
    void Start(std::uint64_t totalBytes, TextBuffer& diagnostics, std::function<std::int64_t()> rowsSoFar);

    // Wipes the line if it is shown; from now on diagnostics pass through untouched again.
    void Stop();

    bool Shown() const { return width_ != 0; }
    // The columns the line takes now, 0 when it is not shown.
    std::size_t Width() const { return width_; }

    // OutputSink: diagnostics on their way to the terminal.
    bool Write(const char* data, std::size_t size) override;
    int ErrorNumber() const override { return terminal_.ErrorNumber(); }

    // Once the whole input is read, for a last step that takes a while: the line, if the conversion
    // has gone on long enough to show it, is drawn at 100% with "; " and `step` after it.
    void Finishing(std::string_view step);

    // ProgressObserver: called at every refill of the input buffer; reads the clock once.
    void OnInputProgress(std::uint64_t bytesConsumed) override;

    // The text of the line: whole percent (at most 100), megabytes (10^6 bytes) a second with one
    // decimal, and the rows written.
    static std::string Text(std::uint64_t bytesConsumed, std::uint64_t totalBytes, double seconds, std::int64_t rows);

private:
    // Draws the line for `bytesConsumed` at `now`, with "; " and `step` after it unless that is
    // empty, once the waiting messages are out.
    void DrawAt(SteadyTime now, std::uint64_t bytesConsumed, std::string_view step);
    void Draw(std::string_view text);
    void Wipe();

    OutputSink& terminal_;
    ProgressClock clock_;
    TextBuffer* diagnostics_ = nullptr;
    std::function<std::int64_t()> rowsSoFar_;
    std::uint64_t totalBytes_ = 0;
    SteadyTime started_{};
    SteadyTime lastDrawn_{};
    std::size_t width_ = 0;    // columns the line takes now, 0 when it is not shown
    bool atLineStart_ = true;  // the last byte sent to the terminal ended a line (or none was sent)
};

}  // namespace drovane
