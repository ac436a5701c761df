#include <gtest/gtest.h>

#include <vector>

#include "app/CommandLine.h"

namespace drovane {
namespace {

CommandLineResult Parse(std::vector<std::string_view> arguments) { return ParseCommandLine(arguments); }

TEST(CommandLine, OptionsAndNamesInAnyOrder) {
    auto result = Parse({"-v", "in.bin", "-d", "out.csv", "-US"});
    ASSERT_EQ(result.verdict, CommandLineVerdict::Accepted);
    EXPECT_TRUE(result.commandLine.options.verbose);
    EXPECT_EQ(result.commandLine.options.debugFlags, 1u);
    EXPECT_EQ(result.commandLine.options.units, UnitSystem::US);
    EXPECT_EQ(result.commandLine.inputName, "in.bin");
    EXPECT_EQ(result.commandLine.outputName, "out.csv");
}

TEST(CommandLine, LaterUnitOptionWins) {
    EXPECT_EQ(Parse({"-US", "-UK"}).commandLine.options.units, UnitSystem::UK);
    EXPECT_EQ(Parse({"-UK", "-US"}).commandLine.options.units, UnitSystem::US);
    EXPECT_EQ(Parse({"-US", "-UK", "-US", "-US"}).commandLine.options.units, UnitSystem::US);
}

TEST(CommandLine, CapitalDAloneGivesDumpAndTrace) {
    RunOptions options = Parse({"-D"}).commandLine.options;
    EXPECT_TRUE(options.HexDump());
    EXPECT_TRUE(options.FieldTrace());
    options = Parse({"-d", "-d"}).commandLine.options;
    EXPECT_TRUE(options.HexDump());
    EXPECT_FALSE(options.FieldTrace());
    EXPECT_EQ(Parse({"-d", "-D"}).commandLine.options.debugFlags, 3u);
}

TEST(CommandLine, UnknownOptionsStopWithoutBadArgument) {
    for (std::string_view option : {"-x", "-", "-us", "--v", "-vv", "-D ", "-uk"}) {
        auto result = Parse({"in.bin", option});
        EXPECT_EQ(result.verdict, CommandLineVerdict::UnknownOption) << option;
        EXPECT_TRUE(result.badArgument.empty());
    }
}

TEST(CommandLine, ThirdNameIsTheBadArgument) {
    auto result = Parse({"a", "b", "c", "-x"});
    EXPECT_EQ(result.verdict, CommandLineVerdict::BadArgument);
    EXPECT_EQ(result.badArgument, "c");
}

TEST(CommandLine, EmptyArgumentsNeverFillAName) {
    auto result = Parse({"", "in.bin", ""});
    ASSERT_EQ(result.verdict, CommandLineVerdict::Accepted);
    EXPECT_EQ(result.commandLine.inputName, "in.bin");
    EXPECT_EQ(result.commandLine.outputName, "");
    result = Parse({"", ""});
    EXPECT_EQ(result.commandLine.inputName, "");
    result = Parse({"a", "b", ""});
    EXPECT_EQ(result.verdict, CommandLineVerdict::BadArgument);
    EXPECT_EQ(result.badArgument, "");
}

TEST(CommandLine, NamesMayHoldSpacesCommasAndNewlines) {
    auto result = Parse({"  ", "a,b\nc.csv"});
    EXPECT_EQ(result.commandLine.inputName, "  ");
    EXPECT_EQ(result.commandLine.outputName, "a,b\nc.csv");
}

TEST(OutputName, DerivedFromTheLastDot) {
    struct Case {
        const char* input;
        const char* output;
    };
    for (const Case& c : {Case{"trip.bin", "trip.csv"}, Case{"trip.day2.bin", "trip.day2.csv"}, Case{"a.bin", "a.csv"},
                          Case{"a.bi", "test_raw.csv"}, Case{"tripdata", "test_raw.csv"}, Case{"logs.d/trip", "logs.csv"},
                          Case{".trip", ".csv"}, Case{"test_raw.bin", "test_raw.csv"}, Case{"trip.csv", "trip.csv"},
                          Case{"trip.", "trip.csv"}, Case{"    ", "test_raw.csv"}, Case{"", "test_raw.csv"}}) {
        EXPECT_EQ(DeriveOutputName(c.input), c.output) << c.input;
    }
}

}  // namespace
}  // namespace drovane
