#include "SynthOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "DriveModel.h"

namespace drovane::synth {
namespace {

constexpr std::string_view kUsage =
    "usage: drovane-synth [options] [OUTPUT]\n"
    "\n"
    "Writes the raw log of a simulated drive (default OUTPUT: test_raw.bin; - writes it to\n"
    "standard output): town and highway stretches with stops, about 10 logged cycles a second.\n"
    "The same options and seed always give the same file.\n"
    "\n"
    "  --minutes M          drive for M minutes (default 10)\n"
    "  --cycles N           drive for N logged cycles instead\n"
    "  --megabytes MB       drive until the log holds MB mebibytes instead\n"
    "  --seed S             seed of the drive and its damage (default 1)\n"
    "  --damage RATE        share of cycles to damage, 0 to 1 (default 0); 0.02 is one in fifty\n"
    "  --damage-kinds LIST  comma-separated, from junk,unknown,lost-end,bitflip,cut (default all);\n"
    "                       cut ends the log inside its last cycle, the others hit cycles at RATE\n"
    "  --truth FILE         also write the CSV that a correct conversion gives for the undamaged\n"
    "                       cycles (- for standard output)\n"
    "  --units metric|us    units of the truth file (default metric; us matches the -US option)\n"
    "  --harsh              a harsher bus: messages in an irregular order and at irregular times,\n"
    "                       noisy readings that seldom repeat\n"
    "  --force              replace OUTPUT and the truth file when they exist\n"
    "  --help               show this text\n"
    "  --                   every later argument is a name, even one that begins with -\n";

bool ParseNumber(std::string_view text, double& value) {
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && std::isfinite(value);
}

bool ParseWhole(std::string_view text, std::uint64_t& value) {
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// What the command line has said so far.
struct Parsing {
    SynthOptions options;
    int lengthOptions = 0;
};

// Takes an option's value into `parsing`; false when the value is not one the option takes.
using TakeValue = bool (*)(std::string_view value, Parsing& parsing);

struct ValueOption {
    std::string_view name;
    TakeValue take;
};

constexpr std::array<ValueOption, 8> kValueOptions = {{
    {"--minutes",
     [](std::string_view value, Parsing& p) {
         double number = 0.0;
         if (!ParseNumber(value, number) || number < 0.0 || number > 1.0e7) return false;
         p.options.settings.cycles = std::llround(number * 60.0 / kCycleSeconds);
         p.options.settings.targetBytes = 0;
         ++p.lengthOptions;
         return true;
     }},
    {"--cycles",
     [](std::string_view value, Parsing& p) {
         std::uint64_t whole = 0;
         if (!ParseWhole(value, whole) || whole > (1ULL << 40)) return false;
         p.options.settings.cycles = static_cast<std::int64_t>(whole);
         p.options.settings.targetBytes = 0;
         ++p.lengthOptions;
         return true;
     }},
    {"--megabytes",
     [](std::string_view value, Parsing& p) {
         double number = 0.0;
         if (!ParseNumber(value, number) || number <= 0.0 || number > 1.0e7) return false;
         p.options.settings.targetBytes = static_cast<std::uint64_t>(std::ceil(number * 1048576.0));
         ++p.lengthOptions;
         return true;
     }},
    {"--seed", [](std::string_view value, Parsing& p) { return ParseWhole(value, p.options.settings.seed); }},
    {"--damage",
     [](std::string_view value, Parsing& p) {
         double number = 0.0;
         if (!ParseNumber(value, number) || number < 0.0 || number > 1.0) return false;
         p.options.settings.damage.rate = number;
         return true;
     }},
    {"--damage-kinds",
     [](std::string_view value, Parsing& p) {
         const auto kinds = DamageKinds::Parse(value);
         if (kinds) p.options.settings.damage.kinds = *kinds;
         return kinds.has_value();
     }},
    {"--truth",
     [](std::string_view value, Parsing& p) {
         p.options.truthPath = std::string(value);
         return !value.empty();
     }},
    {"--units",
     [](std::string_view value, Parsing& p) {
         if (value != "metric" && value != "us") return false;
         p.options.settings.units = value == "us" ? UnitSystem::US : UnitSystem::Metric;
         return true;
     }},
}};

SynthOptionsResult Fail(std::string message) { return {std::nullopt, std::move(message)}; }

// Takes the option at `arguments[i]`, and its value (moving `i` on when the value is the next
// argument), into `parsing`; the error, or nothing.
std::string TakeOption(std::span<const std::string_view> arguments, std::size_t& i, Parsing& parsing) {
    SynthOptions& options = parsing.options;
    std::string_view name = arguments[i];
    if (!name.starts_with("--")) return "unknown option: " + std::string(name);
    if (name == "--help" || name == "--force" || name == "--harsh") {
        (name == "--help" ? options.showHelp : name == "--force" ? options.force : options.settings.harsh) = true;
        return {};
    }
    std::string_view value;
    bool valueGiven = false;
    if (const auto equals = name.find('='); equals != std::string_view::npos) {
        value = name.substr(equals + 1);
        name = name.substr(0, equals);
        valueGiven = true;
    }
    if (name == "--help" || name == "--force" || name == "--harsh")
        return "option " + std::string(name) + " takes no value";
    const auto* option = std::find_if(kValueOptions.begin(), kValueOptions.end(),
                                      [&](const ValueOption& known) { return known.name == name; });
    if (option == kValueOptions.end()) return "unknown option: " + std::string(name);
    if (!valueGiven) {
        if (i + 1 == arguments.size()) return "option " + std::string(name) + " needs a value";
        value = arguments[++i];
    }
    if (!option->take(value, parsing)) return "bad value for " + std::string(name) + ": " + std::string(value);
    return {};
}

}  // namespace

std::string_view SynthUsage() { return kUsage; }

SynthOptionsResult ParseSynthOptions(std::span<const std::string_view> arguments) {
    Parsing parsing;
    SynthOptions& options = parsing.options;
    bool outputGiven = false;
    bool namesOnly = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view name = arguments[i];
        if (!namesOnly && name == "--") {
            namesOnly = true;
            continue;
        }
        // A lone "-" is standard output; after "--" every argument is a name.
        if (namesOnly || name == "-" || !name.starts_with('-')) {
            if (outputGiven) return Fail("more than one output name: " + std::string(name));
            options.outputPath = std::string(name);
            outputGiven = true;
            continue;
        }
        if (std::string error = TakeOption(arguments, i, parsing); !error.empty()) return Fail(std::move(error));
    }
    if (parsing.lengthOptions > 1) return Fail("give only one of --minutes, --cycles and --megabytes");
    return {options, {}};
}

}  // namespace drovane::synth
