#pragma once
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "DriveSynthesizer.h"

namespace drovane::synth {

// What the command line asks of the synthesizer.
struct SynthOptions {
    SynthSettings settings;
    std::string outputPath = "test_raw.bin";
    std::string truthPath;  // empty: no truth file
    bool force = false;     // replace files that stand under the output names
    bool showHelp = false;
};

struct SynthOptionsResult {
    std::optional<SynthOptions> options;
    std::string error;  // set when options is empty
};

// Reads `--name value` (or `--name=value`) options and one output name ("-": standard output):
//   [--minutes M | --cycles N | --megabytes MB] [--seed S] [--damage RATE]
//   [--damage-kinds LIST] [--truth FILE] [--units metric|us] [--harsh] [--force] [--help] [--] [OUTPUT]
// After "--" every argument is a name.
SynthOptionsResult ParseSynthOptions(std::span<const std::string_view> arguments);

std::string_view SynthUsage();

}  // namespace drovane::synth
