#include "app/RunDriver.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/Banner.h"
#include "app/CommandLine.h"
#include "app/FileRandomAccess.h"
#include "app/OutputGuards.h"
#include "app/ProgressLine.h"
#include "app/Usage.h"
#include "convert/Conversion.h"
#include "convert/parallel/ParallelConversion.h"
#include "core/FileByteSource.h"
#include "core/FileOutputSink.h"
#include "core/TextBuffer.h"
#include "platform/ErrorText.h"
#include "platform/FileNames.h"
#include "platform/FileStatus.h"
#include "platform/PositionedRead.h"
#include "platform/Terminal.h"
#include "platform/WholeFile.h"

namespace drovane {
namespace {

constexpr const char* kDefaultInputName = "test_raw.bin";

// The standard error report: the program's text, a colon, a space and the system's description,
// on a line of its own.
void ReportError(TextBuffer& diagnostics, std::string_view text, int errorNumber) {
    if (diagnostics.InsideLine()) diagnostics.Put('\n');
    diagnostics.Append(text);
    diagnostics.Append(": ");
    diagnostics.Append(platform::ErrorText(errorNumber));
    diagnostics.Put('\n');
}

// A progress line, "--- " and the text, unless the run is to be quiet.
void ReportProgress(TextBuffer& diagnostics, bool quiet, std::string_view text, std::string_view name,
                    std::string_view end = "\n") {
    if (quiet) return;
    diagnostics.Append(text);
    diagnostics.Append(name);
    diagnostics.Append(end);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The two files of a run, as the messages name them; "-" for a standard stream.
struct RunNames {
    std::string input;
    std::string output;
    bool inputIsStream = false;
    bool outputIsStream = false;
};

std::string AskForInputName(Console& console, TextBuffer& diagnostics) {
    diagnostics.Flush();  // the banner comes before the prompt
    constexpr std::string_view kPrompt = "Enter input filename: ";
    console.standardOutput.Write(kPrompt.data(), kPrompt.size());
    std::string name;
    std::getline(console.input, name);
    return platform::TypedName(std::move(name));
}

// Settles both names. "-" on the command line names a standard stream; a name typed at the prompt
// is always a file's.
RunNames SettleNames(const CommandLine& line, Console& console, TextBuffer& diagnostics) {
    RunNames names{.input = {}, .output = std::string(kStandardStreamName)};
    names.inputIsStream = line.inputName == kStandardStreamName;
    names.input = line.inputName;
    if (names.input.empty()) names.input = AskForInputName(console, diagnostics);
    if (names.input.empty()) names.input = kDefaultInputName;
    names.outputIsStream = line.outputName == kStandardStreamName || (line.outputName.empty() && names.inputIsStream);
    if (names.outputIsStream) return names;
    names.output = line.outputName.empty() ? DeriveOutputName(names.input) : line.outputName;
    return names;
}

// Opens the input. A folder can never be read: it fails as a folder ("Is a directory"), whether
// the system opens it (POSIX) or refuses it as it refuses a file it may not read (Windows).
FileHandle OpenInput(const std::string& name) {
    FileHandle file(platform::OpenForReading(name));
    int error = errno;
    std::optional<platform::FileStatus> status = platform::StatusOf(name);
    if (status && status->kind == platform::FileKind::Directory) {
        file.reset();
        error = EISDIR;
    }
    errno = error;
    return file;
}

// The size of an input that is a regular file; 0 for anything else (a pipe, a device), whose end
// is not known in advance.
std::uint64_t RegularFileSize(std::FILE* file) {
    std::optional<platform::FileStatus> status = platform::StatusOf(file);
    return status && status->kind == platform::FileKind::Regular ? status->size : 0;
}

// The progress line to show during this conversion, or nullptr: only on a terminal, only for a
// regular file, never together with the traces of -v, -d and -D, and never when the rows
// themselves go to a terminal.
ProgressLine* StartProgress(ProgressLine* terminalLine, const RunOptions& options, std::FILE* input, std::FILE* output,
                            TextBuffer& diagnostics, std::function<std::int64_t()> rowsSoFar) {
    if (terminalLine == nullptr || options.verbose || options.debugFlags != 0) return nullptr;
    if (platform::IsTerminal(output)) return nullptr;
    std::uint64_t size = RegularFileSize(input);
    if (size == 0) return nullptr;
    terminalLine->Start(size, diagnostics, std::move(rowsSoFar));
    return terminalLine;
}

// The threads a conversion takes: those asked for, else one per core; one for a log from standard
// input or a small one, and for the traces of -v, -d and -D and the held values of --hold, which
// follow the log from its start.
unsigned ThreadsFor(const CommandLine& line, std::uint64_t inputSize) {
    const RunOptions& options = line.options;
    if (inputSize < ChunkPlan::kParallelFrom || options.verbose || options.debugFlags != 0 || options.holdValues) {
        return 1;
    }
    return line.threads != 0 ? line.threads : std::max(1u, std::thread::hardware_concurrency());
}

// Runs the conversion between the open input and output, on one thread or, when `parallel` is
// given, on several; reports what failed on the way or that there was nothing to convert, and puts
// the output in place when it holds rows; the status.
int ConvertStreams(Conversion& conversion, ParallelConversion* parallel, std::FILE* input, platform::WholeFile& output,
                   FileOutputSink& outputSink, TextBuffer& csv, TextBuffer& diagnostics, const RunNames& names,
                   ProgressLine* progress) {
    // Both files are read and written in large blocks of our own; standard output is unbuffered
    // from the start.
    std::setvbuf(input, nullptr, _IONBF, 0);
    if (!names.outputIsStream) std::setvbuf(output.Stream(), nullptr, _IONBF, 0);
    outputSink.Attach(output.Stream());

    int readError = 0;
    bool inputTooShort = false;
    std::int64_t rows = 0;
    if (parallel != nullptr) {
        parallel->Run(progress);
        readError = parallel->ReadErrorNumber();
        inputTooShort = parallel->InputTooShort();
        rows = parallel->RowsWritten();
    } else {
        FileByteSource source(input);
        conversion.Run(source, InputWindow::kDefaultCapacity, progress);
        readError = source.ErrorNumber();
        inputTooShort = conversion.InputTooShort();
        rows = conversion.Writer().RowsWritten();
    }
    if (progress != nullptr) progress->Stop();

    csv.Flush();
    int writeError = csv.Failed() ? csv.ErrorNumber() : 0;
    int closeError = output.Close();
    if (writeError == 0) writeError = closeError;

    int status = kExitSuccess;
    if (readError != 0) {
        ReportError(diagnostics, "*** FAIL: reading input file " + names.input, readError);
        status = kExitFailure;
    }
    if (writeError != 0) {
        ReportError(diagnostics, "*** FAIL: writing output file " + names.output, writeError);
        status = kExitFailure;
    }
    if (status == kExitSuccess && rows == 0) {
        if (!inputTooShort) {
            diagnostics.Append("*** ERROR: no data packets found in input file ");
            diagnostics.Append(names.input);
            diagnostics.Put('\n');
        }
        status = kExitNothingToConvert;
    }
    if (status != kExitSuccess) {
        output.Discard();
        return status;
    }
    if (int error = output.Keep(); error != 0) {
        ReportError(diagnostics, "*** FAIL: writing output file " + names.output, error);
        return kExitFailure;
    }
    return kExitSuccess;
}

// The conversion the command line asks for: names, files, conversion; the status.
int Convert(const CommandLine& line, Console& console, TextBuffer& diagnostics, ProgressLine* terminalLine) {
    // The field table is built as soon as the options are known; the CSV buffer is bound to its
    // file once that is open.
    FileOutputSink outputSink;
    TextBuffer csv(outputSink);
    Conversion conversion(line.options, csv, diagnostics);
    RunNames names = SettleNames(line, console, diagnostics);

    FileHandle ownInput;
    std::FILE* input = console.standardInputFile;
    if (names.inputIsStream) {
        platform::UseBinaryMode(input);
    } else {
        ownInput = OpenInput(names.input);
        if (!ownInput) {
            ReportError(diagnostics, "*** FAIL: opening input file " + names.input, errno);
            return kExitFailure;
        }
        input = ownInput.get();
    }
    ReportProgress(diagnostics, line.quiet, "--- opened input file ", names.input);

    // Opening the output empties it: never let that happen to the input itself.
    std::FILE* outputStream = names.outputIsStream ? console.standardOutputFile : nullptr;
    if (OutputIsInput(input, names.inputIsStream, outputStream, names.output)) {
        diagnostics.Append("*** FAIL: output file ");
        diagnostics.Append(names.output);
        diagnostics.Append(" is the same file as the input\n");
        return kExitFailure;
    }
    // A CSV that may not be replaced (on Windows: open in another program, or read-only) is refused
    // before anything is looked at or converted, whatever -f says.
    if (int why = names.outputIsStream ? 0 : platform::WhyNotReplaceable(names.output); why != 0) {
        ReportError(diagnostics, "*** FAIL: opening output file " + names.output, why);
        return kExitFailure;
    }
    // Every CSV of ours begins with the quoted heading of Time and a comma, in either unit system.
    std::string csvStart = std::string("\"") + kColumnDefinitions[kColTime].name + "\",";
    if (!names.outputIsStream && !line.overwriteForeignFile && IsForeignFile(names.output, csvStart)) {
        diagnostics.Append("*** FAIL: output file ");
        diagnostics.Append(names.output);
        diagnostics.Append(" exists and is not a CSV file of this converter; use -f to overwrite it\n");
        return kExitFailure;
    }
    // The CSV is a text file: its lines end as the system's text files do.
    platform::WholeFile output;
    if (names.outputIsStream) {
        output.Use(outputStream);
    } else if (int error = output.Open(names.output, {.content = platform::FileContent::Text}); error != 0) {
        ReportError(diagnostics, "*** FAIL: opening output file " + names.output, error);
        return kExitFailure;
    }
    ReportProgress(diagnostics, line.quiet, "--- opened out file ", names.output, "\n\n");

    std::uint64_t inputSize = names.inputIsStream ? 0 : RegularFileSize(input);
    unsigned threads = ThreadsFor(line, inputSize);
    std::optional<FileRandomAccess> randomAccess;
    std::optional<ParallelConversion> parallel;
    if (threads > 1) {
        randomAccess.emplace(input);
        parallel.emplace(line.options, *randomAccess, inputSize, csv, diagnostics,
                         ParallelConversion::Settings{.threads = threads});
    }
    const auto rowsSoFar = [&] { return parallel ? parallel->RowsWritten() : conversion.Writer().RowsWritten(); };
    ProgressLine* progress = StartProgress(terminalLine, line.options, input, output.Stream(), diagnostics, rowsSoFar);
    int status = ConvertStreams(conversion, parallel ? &*parallel : nullptr, input, output, outputSink, csv,
                                diagnostics, names, progress);
    if (status == kExitSuccess) {
        std::int64_t rows = rowsSoFar();
        ReportProgress(diagnostics, line.quiet, "--- wrote ",
                       std::to_string(rows) + (rows == 1 ? " row to " : " rows to ") + names.output);
    }
    return status;
}

// Writes the help or version text on standard output; the status.
int ShowOnStandardOutput(void (*print)(TextBuffer&), Console& console) {
    TextBuffer out(console.standardOutput);
    print(out);
    return out.Flush() ? kExitSuccess : kExitFailure;
}

// `terminalLine` is the progress line over standard error when that is a terminal, else nullptr.
int Run(std::span<const std::string_view> arguments, Console& console, TextBuffer& diagnostics,
        ProgressLine* terminalLine) {
    CommandLineResult parsed = ParseCommandLine(arguments);
    const CommandLine& line = parsed.commandLine;
    if (line.action == CommandLineAction::ShowHelp) return ShowOnStandardOutput(PrintUsage, console);
    if (line.action == CommandLineAction::ShowVersion) return ShowOnStandardOutput(PrintVersion, console);

    if (!line.quiet) PrintBanner(diagnostics);
    if (parsed.verdict != CommandLineVerdict::Accepted) {
        diagnostics.Append(parsed.verdict == CommandLineVerdict::UnknownOption ? "*** FAIL: unknown option: "
                           : parsed.verdict == CommandLineVerdict::BadValue    ? "*** FAIL: bad value: "
                                                                               : "*** FAIL: bad argument: ");
        diagnostics.Append(parsed.faultyArgument);
        diagnostics.Put('\n');
        PrintUsage(diagnostics);
        return kExitFailure;
    }
    return Convert(line, console, diagnostics, terminalLine);
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
