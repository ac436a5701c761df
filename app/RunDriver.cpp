#include "app/RunDriver.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "app/Banner.h"
#include "app/CommandLine.h"
#include "convert/Conversion.h"
#include "app/ProgressLine.h"
#include "app/Usage.h"
#include "core/FileByteSource.h"
#include "core/FileOutputSink.h"
#include "core/TextBuffer.h"

namespace drovane {
namespace {

constexpr const char* kDefaultInputName = "test_raw.bin";

// The standard error report: the program's text, a colon, a space and the system's description,
// on a line of its own.
void ReportError(TextBuffer& diagnostics, std::string_view text, int errorNumber) {
    if (diagnostics.InsideLine()) diagnostics.Put('\n');
    diagnostics.Append(text);
    diagnostics.Append(": ");
    diagnostics.Append(std::strerror(errorNumber));
    diagnostics.Put('\n');
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::string AskForInputName(Console& console, TextBuffer& diagnostics) {
    diagnostics.Flush();  // the banner comes before the prompt
    constexpr std::string_view kPrompt = "Enter input filename: ";
    console.standardOutput.Write(kPrompt.data(), kPrompt.size());
    std::string name;
    std::getline(console.input, name);
    return name;
}

bool IsSameFile(const std::string& first, const std::string& second) {
    std::error_code error;
    return std::filesystem::equivalent(first, second, error) && !error;
}

// Opens the input. A directory opens on this platform but can never be read, so it fails here
// like any other input that cannot be opened.
FileHandle OpenInput(const std::string& name) {
    FileHandle file(std::fopen(name.c_str(), "rb"));
    std::error_code error;
    if (file && std::filesystem::is_directory(name, error)) {
        file.reset();
        errno = EISDIR;
    }
    return file;
}

// The size of an input that is a regular file; 0 for anything else (a pipe, a device), whose end
// is not known in advance.
std::uint64_t RegularFileSize(std::FILE* file) {
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) return 0;
    return static_cast<std::uint64_t>(status.st_size);
}

// The progress line to show during this conversion, or nullptr: only on a terminal, only for a
// regular file, never together with the traces of -v, -d and -D, and never when the rows
// themselves go to a terminal.
ProgressLine* StartProgress(ProgressLine* terminalLine, const RunOptions& options, std::FILE* input,
                            std::FILE* output, TextBuffer& diagnostics, Conversion& conversion) {
    if (terminalLine == nullptr || options.verbose || options.debugFlags != 0) return nullptr;
    if (isatty(fileno(output)) == 1) return nullptr;
    std::uint64_t size = RegularFileSize(input);
    if (size == 0) return nullptr;
    terminalLine->Start(size, diagnostics, [&conversion] { return conversion.Writer().RowsWritten(); });
    return terminalLine;
}

// Runs the conversion between two open files and reports what failed on the way; the status.
int ConvertFiles(Conversion& conversion, FileHandle input, FileHandle output, FileOutputSink& outputSink,
                 TextBuffer& csv, TextBuffer& diagnostics, const std::string& inputName,
                 const std::string& outputName, ProgressLine* progress) {
    // Both streams are read and written in large blocks of our own.
    std::setvbuf(input.get(), nullptr, _IONBF, 0);
    std::setvbuf(output.get(), nullptr, _IONBF, 0);
    outputSink.Attach(output.get());

    FileByteSource source(input.get());
    conversion.Run(source, InputWindow::kDefaultCapacity, progress);
    if (progress != nullptr) progress->Stop();
    input.reset();

    csv.Flush();
    int writeError = csv.Failed() ? csv.ErrorNumber() : 0;
    errno = 0;
    if (std::fclose(output.release()) != 0 && writeError == 0) writeError = errno != 0 ? errno : EIO;

    int status = kExitSuccess;
    if (source.Failed()) {
        ReportError(diagnostics, "*** FAIL: reading input file " + inputName, source.ErrorNumber());
        status = kExitFailure;
    }
    if (writeError != 0) {
        ReportError(diagnostics, "*** FAIL: writing output file " + outputName, writeError);
        status = kExitFailure;
    }
    return status;
}

// `terminalLine` is the progress line over standard error when that is a terminal, else nullptr.
int Run(std::span<const std::string_view> arguments, Console& console, TextBuffer& diagnostics,
        ProgressLine* terminalLine) {
    PrintBanner(diagnostics);

    CommandLineResult parsed = ParseCommandLine(arguments);
    if (parsed.verdict == CommandLineVerdict::BadArgument) {
        diagnostics.Append("*** FAIL: bad argument: ");
        diagnostics.Append(parsed.badArgument);
        diagnostics.Put('\n');
    }
    if (parsed.verdict != CommandLineVerdict::Accepted) {
        PrintUsage(diagnostics);
        return kExitFailure;
    }
    const CommandLine& line = parsed.commandLine;

    // The field table is built as soon as the options are known; the CSV buffer is bound to its
    // file once that is open.
    FileOutputSink outputSink;
    TextBuffer csv(outputSink);
    Conversion conversion(line.options, csv, diagnostics);

    std::string inputName = line.inputName;
    if (inputName.empty()) inputName = AskForInputName(console, diagnostics);
    if (inputName.empty()) inputName = kDefaultInputName;
    std::string outputName = line.outputName.empty() ? DeriveOutputName(inputName) : line.outputName;

    FileHandle input = OpenInput(inputName);
    if (!input) {
        ReportError(diagnostics, "*** FAIL: opening input file " + inputName, errno);
        return kExitFailure;
    }
    diagnostics.Append("--- opened input file ");
    diagnostics.Append(inputName);
    diagnostics.Put('\n');

    // Opening the output empties it: never let that happen to the input itself.
    if (IsSameFile(inputName, outputName)) {
        diagnostics.Append("*** FAIL: output file ");
        diagnostics.Append(outputName);
        diagnostics.Append(" is the same file as the input\n");
        return kExitFailure;
    }
    FileHandle output(std::fopen(outputName.c_str(), "w"));
    if (!output) {
        ReportError(diagnostics, "*** FAIL: opening output file " + outputName, errno);
        return kExitFailure;
    }
    diagnostics.Append("--- opened out file ");
    diagnostics.Append(outputName);
    diagnostics.Append("\n\n");

    ProgressLine* progress =
        StartProgress(terminalLine, line.options, input.get(), output.get(), diagnostics, conversion);
    return ConvertFiles(conversion, std::move(input), std::move(output), outputSink, csv, diagnostics, inputName,
                        outputName, progress);
}

}  // namespace

int RunDriver(std::span<const std::string_view> arguments, Console& console) {
    // On a terminal the diagnostics pass through the progress line, which wipes itself before
    // each block; anywhere else they go straight to standard error.
    ProgressLine terminalLine(console.standardError, console.clock);
    bool onTerminal = console.standardErrorIsTerminal;
    TextBuffer diagnostics(onTerminal ? static_cast<OutputSink&>(terminalLine) : console.standardError);
    int status = Run(arguments, console, diagnostics, onTerminal ? &terminalLine : nullptr);
    diagnostics.Flush();
    return status;
}

}  // namespace drovane
