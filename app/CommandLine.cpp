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
    {"--xlsx", [](CommandLine& line) { line.workbook = true; }},
    {"-h", [](CommandLine& line) { line.action = CommandLineAction::ShowHelp; }},
    {"--help", [](CommandLine& line) { line.action = CommandLineAction::ShowHelp; }},
    {"--version", [](CommandLine& line) { line.action = CommandLineAction::ShowVersion; }},
    {"-j", nullptr, ApplyThreads},
};

// An option that takes a value also takes it joined to it: "-j2" as "-j 2".
const Option* FindOption(std::string_view argument) {
    for (const Option& option : kOptions) {
        if (option.argument == argument) return &option;
        if (option.applyValue != nullptr && argument.size() > option.argument.size() &&
            argument.starts_with(option.argument)) {
            return &option;
        }
    }
    return nullptr;
}

// A lone "-" is a name: the standard stream.
bool LooksLikeAnOption(std::string_view argument) { return argument.size() > 1 && argument.front() == '-'; }

// Applies `option`, found at `at`, taking its value from the next argument when it has one. False
// when the command line ends with it: a value it refuses (the verdict says so) or an action
// other than converting.
bool ApplyOption(const Option& option, std::span<const std::string_view> arguments, std::size_t& at,
                 CommandLineResult& result) {
    CommandLine& line = result.commandLine;
    if (option.applyValue == nullptr) {
        option.apply(line);
        return line.action == CommandLineAction::Convert;
    }
    std::string_view joined = arguments[at].substr(option.argument.size());
    std::string_view value = !joined.empty()             ? joined
                             : at + 1 < arguments.size() ? arguments[++at]
                                                         : std::string_view();
    if (option.applyValue(line, value)) return true;
    result.verdict = CommandLineVerdict::BadValue;
    result.faultyArgument = std::string(option.argument) + " " + std::string(value);
    return false;
}

// Takes `argument` as the input name, or else as the output name; false (and the verdict says
// so) when both are given already. An empty argument never counts as a name, so it leaves an
// empty input name empty.
bool TakeName(std::string_view argument, CommandLineResult& result) {
    CommandLine& line = result.commandLine;
    if (line.inputName.empty()) {
        line.inputName = argument;
    } else if (line.outputName.empty()) {
        line.outputName = argument;
    } else {
        result.verdict = CommandLineVerdict::BadArgument;
        result.faultyArgument = argument;
        return false;
    }
    return true;
}

}  // namespace

CommandLineResult ParseCommandLine(std::span<const std::string_view> arguments) {
    CommandLineResult result;
    bool namesOnly = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        std::string_view argument = arguments[at];
        if (!namesOnly && argument == "--") {
            namesOnly = true;
            continue;
        }
        if (const Option* option = namesOnly ? nullptr : FindOption(argument)) {
            if (!ApplyOption(*option, arguments, at, result)) return result;
            continue;
        }
        if (!namesOnly && LooksLikeAnOption(argument)) {
            result.verdict = CommandLineVerdict::UnknownOption;
            result.faultyArgument = argument;
            return result;
        }
        if (!TakeName(argument, result)) return result;
    }
    return result;
}

std::string DeriveOutputName(std::string_view inputName, std::string_view suffix) {
    std::size_t lastDot = inputName.rfind('.');
    if (inputName.size() > 4 && lastDot != std::string_view::npos) {
        return std::string(inputName.substr(0, lastDot)) + std::string(suffix);
    }
    return "test_raw" + std::string(suffix);
}

}  // namespace drovane
