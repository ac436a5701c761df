#include "app/CommandLine.h"

#include <charconv>

namespace drovane {
namespace {

struct Option {
    std::string_view argument;
    void (*apply)(CommandLine& line);
    // An option that takes the next argument as its value: false for a value it refuses.
    bool (*applyValue)(CommandLine& line, std::string_view value) = nullptr;
};

bool ApplyThreads(CommandLine& line, std::string_view value) {
    unsigned threads = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threads);
    if (error != std::errc() || end != value.data() + value.size() || threads == 0 || threads > kMaxThreads)
        return false;
    line.threads = threads;
    return true;
}

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
    {"-j", nullptr, ApplyThreads},
};

const Option* FindOption(std::string_view argument) {
    for (const Option& option : kOptions) {
        if (option.argument == argument) return &option;
    }
    return nullptr;
}

// A lone "-" is a name: the standard stream.
bool LooksLikeAnOption(std::string_view argument) { return argument.size() > 1 && argument.front() == '-'; }

}  // namespace

CommandLineResult ParseCommandLine(std::span<const std::string_view> arguments) {
    CommandLineResult result;
    CommandLine& line = result.commandLine;
    bool namesOnly = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        std::string_view argument = arguments[at];
        if (!namesOnly) {
            if (argument == "--") {
                namesOnly = true;
                continue;
            }
            if (const Option* option = FindOption(argument)) {
                if (option->applyValue != nullptr) {
                    std::string_view value = at + 1 < arguments.size() ? arguments[++at] : std::string_view();
                    if (!option->applyValue(line, value)) {
                        result.verdict = CommandLineVerdict::BadValue;
                        result.faultyArgument = std::string(argument) + " " + std::string(value);
                        return result;
                    }
                    continue;
                }
                option->apply(line);
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
