#include "app/CommandLine.h"

namespace drovane {
namespace {

struct Option {
    std::string_view argument;
    void (*apply)(CommandLine& line);
};

// Compared exactly and case-sensitively, in this order.
constexpr Option kOptions[] = {
    {"-d", [](CommandLine& line) { line.options.debugFlags |= RunOptions::kHexDumpFlag; }},
    {"-D", [](CommandLine& line) { line.options.debugFlags |= RunOptions::kFieldTraceFlag; }},
    {"-v", [](CommandLine& line) { line.options.verbose = true; }},
    {"-US", [](CommandLine& line) { line.options.units = UnitSystem::US; }},
    {"-UK", [](CommandLine& line) { line.options.units = UnitSystem::UK; }},
    {"-f", [](CommandLine& line) { line.overwriteForeignFile = true; }},
    {"-q", [](CommandLine& line) { line.quiet = true; }},
    {"--hold", [](CommandLine& line) { line.options.holdValues = true; }},
    {"-h", [](CommandLine& line) { line.action = CommandLineAction::ShowHelp; }},
    {"--help", [](CommandLine& line) { line.action = CommandLineAction::ShowHelp; }},
    {"--version", [](CommandLine& line) { line.action = CommandLineAction::ShowVersion; }},
};

// Applies a recognised option; false when the argument is no option.
bool ApplyOption(std::string_view argument, CommandLine& line) {
    for (const Option& option : kOptions) {
        if (option.argument == argument) {
            option.apply(line);
            return true;
        }
    }
    return false;
}

// A lone "-" is a name: the standard stream.
bool LooksLikeAnOption(std::string_view argument) {
    return argument.size() > 1 && argument.front() == '-';
}

}  // namespace

CommandLineResult ParseCommandLine(std::span<const std::string_view> arguments) {
    CommandLineResult result;
    CommandLine& line = result.commandLine;
    bool namesOnly = false;
    for (std::string_view argument : arguments) {
        if (!namesOnly) {
            if (argument == "--") {
                namesOnly = true;
                continue;
            }
            if (ApplyOption(argument, line)) {
                if (line.action != CommandLineAction::Convert) return result;
                continue;
            }
            if (LooksLikeAnOption(argument)) {
                result.verdict = CommandLineVerdict::UnknownOption;
                result.faultyArgument = argument;
                return result;
            }
        }
        // An empty argument never counts as a name, so it leaves an empty input name empty.
        if (line.inputName.empty()) {
            line.inputName = argument;
        } else if (line.outputName.empty()) {
            line.outputName = argument;
        } else {
            result.verdict = CommandLineVerdict::BadArgument;
            result.faultyArgument = argument;
            return result;
        }
    }
    return result;
}

std::string DeriveOutputName(std::string_view inputName) {
    std::size_t lastDot = inputName.rfind('.');
    if (inputName.size() > 4 && lastDot != std::string_view::npos) {
        return std::string(inputName.substr(0, lastDot)) + ".csv";
    }
    return "test_raw.csv";
}

}  // namespace drovane
