#include "SynthOptions.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "DriveModel.h"

namespace drovane::synth {
namespace {

constexpr std::string_view kUsage =
    "usage: drovane-synth [options] [OUTPUT]\n"
    "\n"
    "Writes the raw log of a simulated drive (default OUTPUT: test_raw.bin): town and highway\n"
    "stretches with stops, about 10 logged cycles a second. The same options and seed always\n"
    "give the same file.\n"
    "\n"
    "  --minutes M          drive for M minutes (default 10)\n"
    "  --cycles N           drive for N logged cycles instead\n"
    "  --megabytes MB       drive until the log holds MB mebibytes instead\n"
    "  --seed S             seed of the drive and its damage (default 1)\n"
    "  --damage RATE        share of cycles to damage, 0 to 1 (default 0); 0.02 is one in fifty\n"
    "  --damage-kinds LIST  comma-separated, from junk,unknown,lost-end,bitflip,cut (default all);\n"
    "                       cut ends the log inside its last cycle, the others hit cycles at RATE\n"
    "  --truth FILE         also write the CSV that a correct conversion gives for the undamaged\n"
    "                       cycles\n"
    "  --units metric|us    units of the truth file (default metric; us matches the -US option)\n"
    "  --help               show this text\n";

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

SynthOptionsResult Fail(std::string message) { return {std::nullopt, std::move(message)}; }

}  // namespace

std::string_view SynthUsage() { return kUsage; }

SynthOptionsResult ParseSynthOptions(std::span<const std::string_view> arguments) {
    SynthOptions options;
    bool outputGiven = false;
    int lengthOptions = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view name = arguments[i];
        if (!name.starts_with("--")) {
            if (outputGiven) return Fail("more than one output name: " + std::string(name));
            options.outputPath = std::string(name);
            outputGiven = true;
            continue;
        }
        if (name == "--help") {
            options.showHelp = true;
            continue;
        }
        std::string_view value;
        if (const auto equals = name.find('='); equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return Fail("option " + std::string(name) + " needs a value");
        }
        const std::string bad = "bad value for " + std::string(name) + ": " + std::string(value);
        double number = 0.0;
        std::uint64_t whole = 0;
        if (name == "--minutes") {
            if (!ParseNumber(value, number) || number < 0.0 || number > 1.0e7) return Fail(bad);
            options.settings.cycles = std::llround(number * 60.0 / kCycleSeconds);
            options.settings.targetBytes = 0;
            ++lengthOptions;
        } else if (name == "--cycles") {
            if (!ParseWhole(value, whole) || whole > (1ULL << 40)) return Fail(bad);
            options.settings.cycles = static_cast<std::int64_t>(whole);
            options.settings.targetBytes = 0;
            ++lengthOptions;
        } else if (name == "--megabytes") {
            if (!ParseNumber(value, number) || number <= 0.0 || number > 1.0e7) return Fail(bad);
            options.settings.targetBytes = static_cast<std::uint64_t>(std::ceil(number * 1048576.0));
            ++lengthOptions;
        } else if (name == "--seed") {
            if (!ParseWhole(value, whole)) return Fail(bad);
            options.settings.seed = whole;
        } else if (name == "--damage") {
            if (!ParseNumber(value, number) || number < 0.0 || number > 1.0) return Fail(bad);
            options.settings.damage.rate = number;
        } else if (name == "--damage-kinds") {
            const auto kinds = DamageKinds::Parse(value);
            if (!kinds) return Fail(bad);
            options.settings.damage.kinds = *kinds;
        } else if (name == "--truth") {
            if (value.empty()) return Fail(bad);
            options.truthPath = std::string(value);
        } else if (name == "--units") {
            if (value == "metric") {
                options.settings.units = UnitSystem::Metric;
            } else if (value == "us") {
                options.settings.units = UnitSystem::Us;
            } else {
                return Fail(bad);
            }
        } else {
            return Fail("unknown option: " + std::string(name));
        }
    }
    if (lengthOptions > 1) return Fail("give only one of --minutes, --cycles and --megabytes");
    return {options, {}};
}

}  // namespace drovane::synth
