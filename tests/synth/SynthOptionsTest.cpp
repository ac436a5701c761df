#include <gtest/gtest.h>

#include <vector>

#include "SynthOptions.h"

namespace drovane::synth {
namespace {

SynthOptionsResult Parse(std::vector<std::string_view> arguments) { return ParseSynthOptions(arguments); }

TEST(SynthOptionsTest, TheSampleCommandAndItsDefaults) {
    const auto parsed = Parse({"--minutes", "10", "--seed", "1", "test_raw.bin"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->settings.cycles, 6000);
    EXPECT_EQ(parsed.options->settings.seed, 1U);
    EXPECT_EQ(parsed.options->outputPath, "test_raw.bin");
    EXPECT_EQ(parsed.options->settings.damage.rate, 0.0);
    EXPECT_TRUE(parsed.options->truthPath.empty());
    const auto defaults = Parse({});
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(defaults.options->settings.cycles, 6000);
    EXPECT_EQ(defaults.options->outputPath, "test_raw.bin");
}

TEST(SynthOptionsTest, LengthDamageTruthAndUnits) {
    const auto parsed = Parse({"--megabytes=1024", "--damage", "0.02", "--damage-kinds", "junk,cut", "--truth", "t.csv",
                               "--units", "us", "big.bin"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const SynthSettings& settings = parsed.options->settings;
    EXPECT_EQ(settings.targetBytes, 1024ULL << 20);
    EXPECT_EQ(settings.damage.rate, 0.02);
    EXPECT_TRUE(settings.damage.kinds.Has(DamageKind::Junk));
    EXPECT_TRUE(settings.damage.kinds.Has(DamageKind::Cut));
    EXPECT_FALSE(settings.damage.kinds.Has(DamageKind::BitFlip));
    EXPECT_EQ(parsed.options->truthPath, "t.csv");
    EXPECT_EQ(settings.units, UnitSystem::US);
    EXPECT_EQ(Parse({"--cycles", "250"}).options->settings.cycles, 250);
    EXPECT_TRUE(Parse({"--help"}).options->showHelp);
    EXPECT_TRUE(Parse({"--force"}).options->force);
    EXPECT_FALSE(Parse({}).options->force);
    EXPECT_TRUE(Parse({"--harsh"}).options->settings.harsh);
    EXPECT_FALSE(Parse({}).options->settings.harsh);
    // "-" is standard output; after "--" every argument is a name.
    EXPECT_EQ(Parse({"-"}).options->outputPath, "-");
    EXPECT_EQ(Parse({"--cycles", "5", "--", "--force"}).options->outputPath, "--force");
    EXPECT_FALSE(Parse({"--", "--force"}).options->force);
    EXPECT_EQ(Parse({"--", "-"}).options->outputPath, "-");
}

TEST(SynthOptionsTest, MistakesAreReportedNotGuessed) {
    for (const auto& arguments : std::vector<std::vector<std::string_view>>{
             {"--minutes", "10", "--cycles", "5"},
             {"--minutes", "ten"},
             {"--damage", "1.5"},
             {"--damage-kinds", "junk,fire"},
             {"--units", "imperial"},
             {"--seed"},
             {"--speed", "3"},
             {"--force=yes"},
             {"--harsh=1"},
             {"a.bin", "b.bin"},
             {"-x"},
             {"--", "a.bin", "--", "b.bin"},
         }) {
        const auto parsed = Parse(arguments);
        EXPECT_FALSE(parsed.options) << arguments.front();
        EXPECT_FALSE(parsed.error.empty());
    }
    // An unknown option is named as such, with or without a value after it.
    EXPECT_EQ(Parse({"--bogus"}).error, "unknown option: --bogus");
    EXPECT_EQ(Parse({"--bogus=1"}).error, "unknown option: --bogus");
    EXPECT_EQ(Parse({"--seed"}).error, "option --seed needs a value");
    EXPECT_EQ(Parse({"-m", "10"}).error, "unknown option: -m");
}

}  // namespace
}  // namespace drovane::synth
