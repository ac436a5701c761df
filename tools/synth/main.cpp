#include <cstdio>
#include <exception>
#include <memory>
#include <string_view>
#include <vector>

#include "ByteSink.h"
#include "DriveModel.h"
#include "DriveSynthesizer.h"
#include "SynthOptions.h"

namespace {

using namespace drovane::synth;

void PrintSummary(const SynthOptions& options, const SynthesisReport& report) {
    const double seconds = static_cast<double>(report.cycles) * kCycleSeconds;
    const auto minutes = static_cast<long long>(seconds / 60.0);
    std::printf("drovane-synth: %s: %lld cycles, %lld:%02d of driving (%.1f km), %llu bytes\n",
                options.outputPath.c_str(), static_cast<long long>(report.cycles), minutes,
                static_cast<int>(seconds - static_cast<double>(minutes) * 60.0), report.drivenKm,
                static_cast<unsigned long long>(report.bytes));
    const DamageCounts& damage = report.damage;
    const ExpectedConversion& expected = report.expected;
    if (damage.Total() > 0) {
        std::printf("  damage: %lld junk (%lld long), %lld unknown (%lld long), %lld lost-end, %lld bitflip, %lld cut\n",
                    static_cast<long long>(damage.junk), static_cast<long long>(damage.longJunk),
                    static_cast<long long>(damage.unknown), static_cast<long long>(damage.longUnknown),
                    static_cast<long long>(damage.lostEnd), static_cast<long long>(damage.bitFlip),
                    static_cast<long long>(damage.cut));
    }
    std::printf("  a correct conversion: %lld packets, %lld rows; warnings: %lld unfinished, %lld skipped bad, "
                "%lld too few fields, %lld out of range\n",
                static_cast<long long>(expected.packets), static_cast<long long>(expected.rows),
                static_cast<long long>(expected.unfinishedPackets), static_cast<long long>(expected.skippedBadPackets),
                static_cast<long long>(expected.sparsePackets), static_cast<long long>(expected.outOfRangeValues));
    if (!options.truthPath.empty()) {
        std::printf("  truth: %s: %lld rows of undamaged cycles\n", options.truthPath.c_str(),
                    static_cast<long long>(expected.intactRows));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const SynthOptionsResult parsed = ParseSynthOptions(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "drovane-synth: %s\n(see drovane-synth --help)\n", parsed.error.c_str());
        return 2;
    }
    const SynthOptions& options = *parsed.options;
    if (options.showHelp) {
        std::fwrite(SynthUsage().data(), 1, SynthUsage().size(), stdout);
        return 0;
    }
    try {
        FileSink log(options.outputPath);
        std::unique_ptr<FileSink> truth;
        if (!options.truthPath.empty()) truth = std::make_unique<FileSink>(options.truthPath);
        const SynthesisReport report = SynthesizeDrive(options.settings, log, truth.get());
        PrintSummary(options, report);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "drovane-synth: %s\n", error.what());
        return 1;
    }
    return 0;
}
