#pragma once
#include <span>
#include <string>
#include <string_view>

#include "core/RunOptions.h"

namespace drovane {

// As a name on the command line: standard input for the input, standard output for the output.
inline constexpr std::string_view kStandardStreamName = "-";
// What a derived output name ends with: the CSV's, or the workbook's with --xlsx.
inline constexpr std::string_view kCsvSuffix = ".csv";
inline constexpr std::string_view kWorkbookSuffix = ".xlsx";

// What the run is asked to do besides converting.
enum class CommandLineAction { Convert, ShowHelp, ShowVersion };

// What the command line asks for: the options and up to two names (empty when not given).
struct CommandLine {
    RunOptions options;
    std::string inputName;
    std::string outputName;
    CommandLineAction action = CommandLineAction::Convert;
    bool overwriteForeignFile = false;  // "-f"
    bool quiet = false;                 // "-q": no banner, no "--- opened" lines, no summary
    unsigned threads = 0;               // "-j N"; 0: as many as the machine has cores
    bool workbook = false;              // "--xlsx": a workbook instead of the CSV
};

// The most threads "-j" takes.
inline constexpr unsigned kMaxThreads = 256;

enum class CommandLineVerdict {
    Accepted,
    UnknownOption,  // an argument beginning with "-" that is no option
    BadArgument,    // a third name
    BadValue,       // an option's value it does not take, or none where it needs one
};

struct CommandLineResult {
    CommandLineVerdict verdict = CommandLineVerdict::Accepted;
    // The options read up to the end, or up to the first failure.
    CommandLine commandLine;
    // The argument that failed: the unknown option, the third name, or the option whose value
    // is bad followed by a space and the value ("-j 0"; "-j " when the value is missing).
    std::string faultyArgument;
};

// Reads the arguments after the program's name, left to right. The first failure, "-h",
// "--help" or "--version" ends the reading; later arguments are not looked at.
CommandLineResult ParseCommandLine(std::span<const std::string_view> arguments);

// The output name for an input name: the text before the last "." plus ".csv" (or `suffix`) when
// the name is longer than four characters and holds a "."; otherwise "test_raw.csv".
std::string DeriveOutputName(std::string_view inputName, std::string_view suffix = kCsvSuffix);

}  // namespace drovane
