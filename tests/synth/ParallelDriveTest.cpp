// Synthesized drives, regular and harsh, clean, damaged and out of step, converted in chunks on
// several threads: the same CSV and diagnostics as one conversion, and nearly every chunk's own
// conversion taken over rather than converted again by the conversion before it.
#include <gtest/gtest.h>

#include <string>

#include "DriveSynthesizer.h"
#include "convert/Conversion.h"
#include "convert/parallel/ParallelConversion.h"

namespace drovane::synth {
namespace {

std::string Drive(std::uint64_t seed, double damage, bool harsh) {
    SynthSettings settings;
    settings.seed = seed;
    settings.cycles = 9000;
    settings.damage.rate = damage;
    settings.harsh = harsh;
    MemorySink log;
    SynthesizeDrive(settings, log, nullptr);
    return {log.Bytes().begin(), log.Bytes().end()};
}

TEST(ParallelDriveTest, DrivesConvertAsInOnePassAndTheirChunksAreTakenOver) {
    struct Case {
        std::uint64_t seed;
        double damage;
        bool harsh;
        drovane::UnitSystem units;
    };
    for (const Case& c :
         {Case{1, 0.0, false, drovane::UnitSystem::Metric}, Case{2, 0.02, false, drovane::UnitSystem::US},
          Case{3, 0.02, true, drovane::UnitSystem::Metric}, Case{4, 0.2, false, drovane::UnitSystem::Metric},
          Case{5, 0.2, true, drovane::UnitSystem::US}, Case{6, 0.6, false, drovane::UnitSystem::Metric},
          Case{7, 0.6, true, drovane::UnitSystem::Metric}, Case{8, 0.05, true, drovane::UnitSystem::UK}}) {
        const std::string log = Drive(c.seed, c.damage, c.harsh);
        RunOptions options;
        options.units = c.units;
        const ConversionText one = ConvertBytes(log, options);
        for (std::uint64_t chunkSize : {std::uint64_t{65536}, std::uint64_t{100003}}) {
            ChunkShare share;
            const ConversionText parallel =
                ConvertBytesInParallel(log, options, static_cast<unsigned>(2 + c.seed % 3), chunkSize, &share);
            EXPECT_TRUE(parallel.csv == one.csv) << "seed " << c.seed << ", chunks of " << chunkSize;
            EXPECT_TRUE(parallel.diagnostics == one.diagnostics) << "seed " << c.seed << ", chunks of " << chunkSize;
            // Chunks whose conversion was abandoned are few: damage at the very start of a chunk.
            EXPECT_GE(share.takenOver * 10, (share.chunks - 1) * 9) << "seed " << c.seed;
        }
    }
}

}  // namespace
}  // namespace drovane::synth
