#pragma once
#include <span>
#include <string>
#include <string_view>

#include "core/RunOptions.h"

namespace drovane {

// What the command line asks for: the options and up to two names (empty when not given).
struct CommandLine {
    RunOptions options;
    std::string inputName;
    std::string outputName;
};

enum class CommandLineVerdict {
    Accepted,
    UnknownOption,  // an argument beginning with "-" that is no option: usage text only
    BadArgument,    // a third name: "bad argument" line, then the usage text
};

struct CommandLineResult {
    CommandLineVerdict verdict = CommandLineVerdict::Accepted;
    CommandLine commandLine;
    std::string badArgument;
};

// Reads the arguments after the program's name, left to right; the first failure decides.
CommandLineResult ParseCommandLine(std::span<const std::string_view> arguments);

// The output name for an input name: the text before the last "." plus ".csv" when the name is
// longer than four characters and holds a "."; otherwise "test_raw.csv".
std::string DeriveOutputName(std::string_view inputName);

}  // namespace drovane
