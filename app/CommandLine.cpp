#include "app/CommandLine.h"

namespace drovane {
namespace {

// Applies a recognised option; false when the argument is no option.
bool ApplyOption(std::string_view argument, RunOptions& options) {
    if (argument == "-d") {
        options.debugFlags |= RunOptions::kHexDumpFlag;
    } else if (argument == "-D") {
        options.debugFlags |= RunOptions::kFieldTraceFlag;
    } else if (argument == "-v") {
        options.verbose = true;
    } else if (argument == "-US") {
        options.units = UnitSystem::US;
    } else if (argument == "-UK") {
        options.units = UnitSystem::UK;
    } else {
        return false;
    }
    return true;
}

}  // namespace

CommandLineResult ParseCommandLine(std::span<const std::string_view> arguments) {
    CommandLineResult result;
    CommandLine& line = result.commandLine;
    for (std::string_view argument : arguments) {
        if (ApplyOption(argument, line.options)) continue;
        if (!argument.empty() && argument.front() == '-') {
            result.verdict = CommandLineVerdict::UnknownOption;
            return result;
        }
        // An empty argument never counts as a name, so it leaves an empty input name empty.
        if (line.inputName.empty()) {
            line.inputName = argument;
        } else if (line.outputName.empty()) {
            line.outputName = argument;
        } else {
            result.verdict = CommandLineVerdict::BadArgument;
            result.badArgument = argument;
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
