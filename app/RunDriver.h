#pragma once
#include <cstdio>
#include <istream>
#include <span>
#include <string_view>

#include "app/ProgressLine.h"
#include "core/OutputSink.h"
#include "core/WorkbookOutput.h"

namespace drovane {

// The console of one run: where the prompt's answer comes from and where the prompt and the
// diagnostics go.
struct Console {
    std::istream& input;
    OutputSink& standardOutput;
    OutputSink& standardError;
    // Standard error is a terminal: a long conversion of a regular file shows a progress line
    // there (unless -v, -d or -D asks for traces). Otherwise the diagnostics pass unchanged.
    bool standardErrorIsTerminal = false;
    // The clock that times the progress line.
    ProgressClock clock = [] { return std::chrono::steady_clock::now(); };
    // The streams that "-" names: the raw log read from standard input, the CSV written to
    // standard output.
    std::FILE* standardInputFile = stdin;
    std::FILE* standardOutputFile = stdout;
    // The workbook that --xlsx writes, when the program has one built in; nullptr otherwise.
    const WorkbookFormat* workbook = nullptr;
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitNothingToConvert = 1;  // the input held no row to write
inline constexpr int kExitFailure = -1;          // 255 to the shell

// One whole run of the converter: banner, command line (the arguments after the program's
// name), names, files, conversion. Returns the exit status: 0, 1 or -1.
int RunDriver(std::span<const std::string_view> arguments, Console& console);

}  // namespace drovane
