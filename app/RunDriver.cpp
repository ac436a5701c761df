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
#include "app/InterruptionNotice.h"
#include "app/MessagePacer.h"
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
#include "summary/WarningKinds.h"

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
    std::string_view kind = "CSV";  // what the output is, for the messages: "CSV" or "workbook"
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
    if (line.workbook) names.kind = "workbook";
    names.inputIsStream = line.inputName == kStandardStreamName;
    names.input = line.inputName;
    if (names.input.empty()) names.input = AskForInputName(console, diagnostics);
    if (names.input.empty()) names.input = kDefaultInputName;
    names.outputIsStream = line.outputName == kStandardStreamName || (line.outputName.empty() && names.inputIsStream);
    if (names.outputIsStream) return names;
    names.output = line.outputName.empty() ? DeriveOutputName(names.input, line.workbook ? kWorkbookSuffix : kCsvSuffix)
                                           : line.outputName;
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

// The size of the input now, when it is a regular file.
std::optional<std::uint64_t> SizeNow(std::FILE* file) {
    std::optional<platform::FileStatus> status = platform::StatusOf(file);
    if (!status || status->kind != platform::FileKind::Regular) return std::nullopt;
    return status->size;
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

// The threads a conversion takes: those asked for, but no more than the cores, else one per core
// (one for a workbook); one for a log from standard input or a small one, and for the traces of
// -v, -d and -D and the held values of --hold, which follow the log from its start.
unsigned ThreadsFor(const CommandLine& line, std::uint64_t inputSize) {
    const RunOptions& options = line.options;
    if (inputSize < ChunkPlan::kParallelFrom || options.verbose || options.debugFlags != 0 || options.holdValues) {
        return 1;
    }
    // A workbook is written on one thread, whose library takes nearly all the time: other threads
    // converting beside it only take its core (docs/performance.md).
    if (line.workbook && line.threads == 0) return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    return std::max(1u, ChunkPlan::ThreadsWorthRunning(line.threads != 0 ? line.threads : cores, cores));
}

// What the interrupted line says became of the output, after the signal's name.
std::string InterruptedOutcome(const platform::WholeFile& output, const std::string& name) {
    if (output.KeepsPrevious()) return "; the previous " + name + " is kept as it was\n";
    if (output.WritesAside()) return "; no " + name + " was written\n";
    return "; " + name + " holds what was written so far\n";
}

// What a run has read and written, for the verdict.
struct ConversionResult {
    int readError = 0;
    int writeError = 0;
    bool inputTooShort = false;
    std::int64_t rows = 0;
};

// Runs the conversion between the open input and output, on one thread or, when `parallel` is
// given, on several, and ends the writing.
// A workbook is completed and written to the output once its last row is in, with the warnings
// of the run so far.
struct WorkbookRun {
    WorkbookOutput* workbook = nullptr;
    TextBuffer* diagnostics = nullptr;
    const WarningTally* warnings = nullptr;
    ProgressLine* progress = nullptr;  // tells, where it is shown, that the workbook is being written
};

// The last step of a workbook, which takes most of its time once the log is read: the library
// compresses the sheets into the zip.
constexpr std::string_view kWritingWorkbook = "writing the workbook";

ConversionResult RunConversion(Conversion& conversion, ParallelConversion* parallel, std::FILE* input,
                               platform::WholeFile& output, TextBuffer& csv, ProgressObserver* observer,
                               const WorkbookRun& workbook) {
    ConversionResult result;
    if (parallel != nullptr) {
        parallel->Run(observer);
        result.readError = parallel->ReadErrorNumber();
        result.inputTooShort = parallel->InputTooShort();
        result.rows = parallel->RowsWritten();
    } else {
        FileByteSource source(input);
        conversion.Run(source, InputWindow::kDefaultCapacity, observer);
        result.readError = source.ErrorNumber();
        result.inputTooShort = conversion.InputTooShort();
        result.rows = conversion.Writer().RowsWritten();
    }
    csv.Flush();
    result.writeError = csv.Failed() ? csv.ErrorNumber() : 0;
    if (workbook.workbook != nullptr && result.writeError == 0 && result.readError == 0 && result.rows > 0) {
        workbook.diagnostics->Flush();
        if (workbook.progress != nullptr) workbook.progress->Finishing(kWritingWorkbook);
        result.writeError = workbook.workbook->Finish(output.Stream(), workbook.warnings->Counts());
    }
    const int closeError = output.Close();
    if (result.writeError == 0) result.writeError = closeError;
    return result;
}

// A log that grew or shrank while it was read (a logger still recording, a file cut by another
// program): the rows are those of the bytes read, and the warning says so.
void ReportSizeChange(TextBuffer& diagnostics, const std::string& name, std::optional<std::uint64_t> before,
                      std::optional<std::uint64_t> after) {
    if (!before || !after || *before == *after) return;
    diagnostics.Append("*** WARNING: input file ");
    diagnostics.Append(name);
    diagnostics.Append(" changed size while it was read: ");
    diagnostics.AppendInteger(static_cast<std::int64_t>(*before));
    diagnostics.Append(" bytes at the start, ");
    diagnostics.AppendInteger(static_cast<std::int64_t>(*after));
    diagnostics.Append(" bytes at the end\n");
}

// What became of the files when the new output could not be put in place or its temporary file not
// removed.
void ReportAftermath(TextBuffer& diagnostics, const platform::WholeFileAftermath& aftermath, const RunNames& names,
                     bool previousKept) {
    if (aftermath.previousDamaged) {
        diagnostics.Append("*** FAIL: " + names.output + " was overwritten only in part; ");
        const std::string kind(names.kind);
        diagnostics.Append(aftermath.newFileAt.empty()
                               ? "the new " + kind + " is lost"
                               : "the whole new " + kind + " is kept in " + aftermath.newFileAt);
        diagnostics.Put('\n');
    } else if (previousKept) {
        diagnostics.Append("*** FAIL: the previous " + names.output + " is kept as it was\n");
    }
    if (!aftermath.leftBehind.empty()) {
        diagnostics.Append("*** WARNING: temporary file " + aftermath.leftBehind + " could not be removed\n");
    }
}

// Reports what failed on the way or that there was nothing to convert, and puts the output in
// place when it holds rows; the status.
int Conclude(const ConversionResult& result, platform::WholeFile& output, TextBuffer& diagnostics,
             const RunNames& names) {
    int status = kExitSuccess;
    if (result.readError != 0) {
        ReportError(diagnostics, "*** FAIL: reading input file " + names.input, result.readError);
        status = kExitFailure;
    }
    if (result.writeError != 0) {
        ReportError(diagnostics, "*** FAIL: writing output file " + names.output, result.writeError);
        status = kExitFailure;
    }
    if (status == kExitSuccess && result.rows == 0) {
        if (!result.inputTooShort) {
            diagnostics.Append("*** ERROR: no data packets found in input file ");
            diagnostics.Append(names.input);
            diagnostics.Put('\n');
        }
        status = kExitNothingToConvert;
    }
    const bool previousKept = output.KeepsPrevious();
    if (status != kExitSuccess) {
        if (output.Discard() != 0) ReportAftermath(diagnostics, output.Aftermath(), names, false);
        return status;
    }
    if (int error = output.Keep(); error != 0) {
        ReportError(diagnostics, "*** FAIL: writing output file " + names.output, error);
        ReportAftermath(diagnostics, output.Aftermath(), names, previousKept);
        return kExitFailure;
    }
    return kExitSuccess;
}

// True, after saying why, when the output is a file that is not ours, or one that cannot be read
// to tell. Every CSV of ours begins with the quoted heading of Time and a comma, in either unit
// system.
// A workbook is ours while it carries our mark, which saving it again in any program drops.
bool RefuseForeignOutput(const CommandLine& line, const RunNames& names, const WorkbookFormat* workbook,
                         TextBuffer& diagnostics) {
    const std::string csvStart = std::string("\"") + kColumnDefinitions[kColTime].name + "\",";
    int readError = 0;
    const bool foreign = workbook != nullptr ? workbook->IsForeign(names.output, readError)
                                             : IsForeignFile(names.output, csvStart, readError);
    if (!foreign) return false;
    if (readError != 0) {
        ReportError(diagnostics, "*** FAIL: reading output file " + names.output, readError);
        return true;
    }
    diagnostics.Append("*** FAIL: output file ");
    diagnostics.Append(names.output);
    diagnostics.Append(workbook != nullptr
                           ? " exists and is not a workbook of this converter, or was saved again since; use -f to "
                             "overwrite it\n"
                           : " exists and is not a CSV file of this converter; use -f to overwrite it\n");
    // As after "drovane2csv *.bin": the shell's second log became the output.
    if (!line.outputName.empty()) {
        diagnostics.Append(
            "*** FAIL: the second name was taken for the output file; to convert several logs, "
            "run the converter once a log (see the folder recipe in drovane2csv(1))\n");
    }
    return true;
}

// True, after saying so, when the CSV is to go to a standard output that is closed: the input
// would otherwise be opened in its place.
bool StandardOutputClosed(const RunNames& names, std::FILE* standardOutput, TextBuffer& diagnostics) {
    if (!names.outputIsStream || standardOutput == nullptr || platform::StatusOf(standardOutput)) return false;
    if (errno != EBADF) return false;
    diagnostics.Append("*** FAIL: output file - is standard output, which is closed\n");
    return true;
}

// Opens the output, or writes to standard output; 0 or the error number.
int OpenOutput(platform::WholeFile& output, const RunNames& names, std::FILE* outputStream, bool workbook) {
    if (names.outputIsStream) {
        output.Use(outputStream);
        return 0;
    }
    // The CSV is a text file: its lines end as the system's text files do. A workbook is bytes.
    return output.Open(names.output,
                       {.content = workbook ? platform::FileContent::Bytes : platform::FileContent::Text});
}

// True, after saying so, when a workbook is to go to a terminal, which shows no workbook.
bool WorkbookToTerminal(const RunNames& names, std::FILE* standardOutput, TextBuffer& diagnostics) {
    if (!names.outputIsStream || standardOutput == nullptr || !platform::IsTerminal(standardOutput)) return false;
    diagnostics.Append("*** FAIL: output file - is a terminal; write the workbook to a file or a pipe\n");
    return true;
}

// True, after saying why, when the output is a standard output that cannot take it.
bool RefuseStandardOutput(const RunNames& names, std::FILE* standardOutput, bool workbook, TextBuffer& diagnostics) {
    return StandardOutputClosed(names, standardOutput, diagnostics) ||
           (workbook && WorkbookToTerminal(names, standardOutput, diagnostics));
}

// The workbook that --xlsx asks for; false, after saying so, when the program has none built in.
bool StartWorkbook(const CommandLine& line, const Console& console, TextBuffer& diagnostics,
                   std::unique_ptr<WorkbookOutput>& workbook) {
    if (console.workbook == nullptr) {
        diagnostics.Append("*** FAIL: --xlsx: this drovane2csv was built without the workbook\n");
        return false;
    }
    workbook = console.workbook->Start(line.options);
    return true;
}

// True, after saying why, when the output may not be written: it is the input, it may not be
// replaced now, or it is a file that is not ours.
bool RefuseOutput(const CommandLine& line, const RunNames& names, std::FILE* input, std::FILE* outputStream,
                  const WorkbookFormat* workbook, TextBuffer& diagnostics) {
    // Opening the output empties it: never let that happen to the input itself.
    if (OutputIsInput(input, names.inputIsStream, outputStream, names.output)) {
        diagnostics.Append("*** FAIL: output file ");
        diagnostics.Append(names.output);
        diagnostics.Append(" is the same file as the input\n");
        return true;
    }
    // A CSV that may not be replaced (on Windows: open in another program, or read-only) is refused
    // before anything is looked at or converted, whatever -f says.
    if (int why = names.outputIsStream ? 0 : platform::WhyNotReplaceable(names.output); why != 0) {
        ReportError(diagnostics, "*** FAIL: opening output file " + names.output, why);
        return true;
    }
    return !names.outputIsStream && !line.overwriteForeignFile &&
           RefuseForeignOutput(line, names, workbook, diagnostics);
}

// The conversion the command line asks for: names, files, conversion; the status.
int Convert(const CommandLine& line, Console& console, TextBuffer& diagnostics, const WarningTally& warnings,
            ProgressLine* terminalLine) {
    std::unique_ptr<WorkbookOutput> workbook;
    if (line.workbook && !StartWorkbook(line, console, diagnostics, workbook)) return kExitFailure;
    // The field table is built as soon as the options are known; the CSV buffer is bound to its
    // file once that is open. With --xlsx the CSV text goes to the workbook instead.
    FileOutputSink outputSink;
    TextBuffer csv(workbook ? static_cast<OutputSink&>(*workbook) : outputSink);
    Conversion conversion(line.options, csv, diagnostics);
    RunNames names = SettleNames(line, console, diagnostics);

    if (RefuseStandardOutput(names, console.standardOutputFile, workbook != nullptr, diagnostics)) return kExitFailure;
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

    std::FILE* outputStream = names.outputIsStream ? console.standardOutputFile : nullptr;
    if (RefuseOutput(line, names, input, outputStream, workbook ? console.workbook : nullptr, diagnostics)) {
        return kExitFailure;
    }
    platform::WholeFile output;
    int openError = OpenOutput(output, names, outputStream, workbook != nullptr);
    if (openError == 0 && workbook) openError = workbook->Open();
    if (openError != 0) {
        ReportError(diagnostics, "*** FAIL: opening output file " + names.output, openError);
        return kExitFailure;
    }
    ReportProgress(diagnostics, line.quiet, "--- opened out file ", names.output, "\n\n");

    const std::optional<std::uint64_t> sizeAtStart = SizeNow(input);
    std::uint64_t inputSize = names.inputIsStream ? 0 : RegularFileSize(input);
    unsigned threads = ThreadsFor(line, inputSize);
    std::optional<FileRandomAccess> randomAccess;
    std::optional<ParallelConversion> parallel;
    if (threads > 1) {
        randomAccess.emplace(input);
        parallel.emplace(line.options, *randomAccess, inputSize, csv, diagnostics,
                         ParallelConversion::Settings{.threads = threads});
    }
    // Both files are read and written in large blocks of our own; standard output is unbuffered
    // from the start.
    std::setvbuf(input, nullptr, _IONBF, 0);
    if (!names.outputIsStream) std::setvbuf(output.Stream(), nullptr, _IONBF, 0);
    outputSink.Attach(output.Stream());

    const auto rowsSoFar = [&] { return parallel ? parallel->RowsWritten() : conversion.Writer().RowsWritten(); };
    ProgressLine* progress = StartProgress(terminalLine, line.options, input, output.Stream(), diagnostics, rowsSoFar);
    // The banner and the opened lines are out before the first byte of the log is read.
    diagnostics.Flush();
    InterruptionNotice notice(diagnostics, progress, InterruptedOutcome(output, names.output));
    MessagePacer pacer(diagnostics, console.clock, progress);
    ConversionResult result = RunConversion(conversion, parallel ? &*parallel : nullptr, input, output, csv, &pacer,
                                            {workbook.get(), &diagnostics, &warnings, progress});
    if (progress != nullptr) progress->Stop();
    ReportSizeChange(diagnostics, names.input, sizeAtStart, SizeNow(input));
    notice.Withdraw();
    int status = Conclude(result, output, diagnostics, names);
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
        const WarningTally& warnings, ProgressLine* terminalLine) {
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
    return Convert(line, console, diagnostics, warnings, terminalLine);
}

}  // namespace

int RunDriver(std::span<const std::string_view> arguments, Console& console) {
    // On a terminal the diagnostics pass through the progress line, which wipes itself before
    // each block; anywhere else they go straight to standard error.
    ProgressLine terminalLine(console.standardError, console.clock);
    bool onTerminal = console.standardErrorIsTerminal;
    // The warnings are counted by kind on their way, for the workbook's Summary sheet.
    WarningTally warnings(onTerminal ? static_cast<OutputSink&>(terminalLine) : console.standardError);
    TextBuffer diagnostics(warnings);
    int status = Run(arguments, console, diagnostics, warnings, onTerminal ? &terminalLine : nullptr);
    diagnostics.Flush();
    return status;
}

}  // namespace drovane
