#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ByteSink.h"
#include "DriveModel.h"
#include "DriveSynthesizer.h"
#include "SynthOptions.h"
#include "platform/ErrorText.h"
#include "platform/FileNames.h"
#include "platform/FileStatus.h"
#include "platform/Terminal.h"

namespace {

using namespace drovane::synth;

void PrintSummary(std::FILE* stream, const SynthOptions& options, const SynthesisReport& report) {
    const double seconds = static_cast<double>(report.cycles) * kCycleSeconds;
    const auto minutes = static_cast<long long>(seconds / 60.0);
    std::fprintf(stream, "drovane-synth: %s: %lld cycles, %lld:%02d of driving (%.1f km), %llu bytes\n",
                 options.outputPath.c_str(), static_cast<long long>(report.cycles), minutes,
                 static_cast<int>(seconds - static_cast<double>(minutes) * 60.0), report.drivenKm,
                 static_cast<unsigned long long>(report.bytes));
    const DamageCounts& damage = report.damage;
    const ExpectedConversion& expected = report.expected;
    if (damage.Total() > 0) {
        std::fprintf(
            stream,
            "  damage: %lld junk (%lld long), %lld unknown (%lld long), %lld lost-end, %lld bitflip, %lld cut\n",
            static_cast<long long>(damage.junk), static_cast<long long>(damage.longJunk),
            static_cast<long long>(damage.unknown), static_cast<long long>(damage.longUnknown),
            static_cast<long long>(damage.lostEnd), static_cast<long long>(damage.bitFlip),
            static_cast<long long>(damage.cut));
    }
    std::fprintf(stream,
                 "  a correct conversion: %lld packets, %lld rows; warnings: %lld unfinished, %lld skipped bad, "
                 "%lld too few fields, %lld out of range\n",
                 static_cast<long long>(expected.packets), static_cast<long long>(expected.rows),
                 static_cast<long long>(expected.unfinishedPackets), static_cast<long long>(expected.skippedBadPackets),
                 static_cast<long long>(expected.sparsePackets), static_cast<long long>(expected.outOfRangeValues));
    if (!options.truthPath.empty()) {
        std::fprintf(stream, "  truth: %s: %lld rows of undamaged cycles\n", options.truthPath.c_str(),
                     static_cast<long long>(expected.intactRows));
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Names are UTF-8 from the command line to the summary and the files.
    drovane::platform::UnicodeConsole unicodeConsole;
    const std::vector<std::string> given = drovane::platform::ProgramArguments(argc, argv);
    const std::vector<std::string_view> arguments(given.begin(), given.end());
    const SynthOptionsResult parsed = ParseSynthOptions(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "drovane-synth: %s\n(see drovane-synth --help)\n", parsed.error.c_str());
        return 2;
    }
    const SynthOptions& options = *parsed.options;
    if (options.showHelp) {
        std::fwrite(SynthUsage().data(), 1, SynthUsage().size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!options.truthPath.empty() && drovane::platform::NameTheSameFile(options.truthPath, options.outputPath)) {
        std::fprintf(stderr, "drovane-synth: the truth file would be the log itself: %s\n", options.truthPath.c_str());
        return 2;
    }
    const auto existing = options.force ? drovane::tools::ExistingFile::Replace : drovane::tools::ExistingFile::Refuse;
    std::FILE* summary = stdout;
    try {
        // Both files are opened, and so both names checked, before a byte is written.
        FileSink log(options.outputPath, existing);
        std::unique_ptr<FileSink> truth;
        if (!options.truthPath.empty()) {
            truth = std::make_unique<FileSink>(options.truthPath, existing, drovane::platform::FileContent::Text);
        }
        const SynthesisReport report = SynthesizeDrive(options.settings, log, truth.get());
        log.Commit();
        if (truth) truth->Commit();
        // A log or truth file on standard output must not get the summary mixed into it.
        const bool logOnStandardOutput = log.ToStandardOutput() || (truth && truth->ToStandardOutput());
        summary = logOnStandardOutput ? stderr : stdout;
        PrintSummary(summary, options, report);
    } catch (const drovane::tools::OutputExists& error) {
        std::fprintf(stderr, "drovane-synth: %s exists; give --force to replace it\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "drovane-synth: %s\n", error.what());
        return 1;
    }
    if (std::fflush(summary) != 0) {
        std::fprintf(stderr, "drovane-synth: cannot write the summary: %s\n", drovane::platform::ErrorText(errno));
        return 1;
    }
    return 0;
}
