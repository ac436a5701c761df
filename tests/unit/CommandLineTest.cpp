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

TEST(CommandLine, UnknownOptionsStopTheReading) {
    for (std::string_view option : {"-x", "-us", "--v", "-vv", "-D ", "-uk", "-F", "-Q", "--HOLD", "-help", "---"}) {
        auto result = Parse({"in.bin", option, "-q", "-h"});
        EXPECT_EQ(result.verdict, CommandLineVerdict::UnknownOption) << option;
        EXPECT_EQ(result.faultyArgument, option);
        EXPECT_FALSE(result.commandLine.quiet) << "read past the failure";
    }
}

TEST(CommandLine, ThirdNameIsTheBadArgument) {
    auto result = Parse({"a", "b", "c", "-x"});
    EXPECT_EQ(result.verdict, CommandLineVerdict::BadArgument);
    EXPECT_EQ(result.faultyArgument, "c");
}

TEST(CommandLine, SwitchesAndStreamNames) {
    auto result = Parse({"-q", "-", "--hold", "-f", "-"});
    ASSERT_EQ(result.verdict, CommandLineVerdict::Accepted);
    const CommandLine& line = result.commandLine;
    EXPECT_TRUE(line.quiet && line.overwriteForeignFile && line.options.holdValues);
    EXPECT_EQ(line.inputName, kStandardStreamName);
    EXPECT_EQ(line.outputName, kStandardStreamName);
    // After "--" everything is a name, "--" and options included.
    result = Parse({"-v", "--", "-x.bin", "--"});
    ASSERT_EQ(result.verdict, CommandLineVerdict::Accepted);
    EXPECT_EQ(result.commandLine.inputName, "-x.bin");
    EXPECT_EQ(result.commandLine.outputName, "--");
    EXPECT_EQ(Parse({"--", "a", "b", "-v"}).faultyArgument, "-v");
}

TEST(CommandLine, HelpAndVersionEndTheReadingWhereTheyStand) {
    struct Case {
        std::vector<std::string_view> arguments;
        CommandLineAction action;
        CommandLineVerdict verdict;
    };
    using enum CommandLineAction;
    for (const Case& c : {Case{{"-h", "-x"}, ShowHelp, CommandLineVerdict::Accepted},
                          Case{{"a", "b", "--help", "c"}, ShowHelp, CommandLineVerdict::Accepted},
                          Case{{"--version", "-h"}, ShowVersion, CommandLineVerdict::Accepted},
                          Case{{"-x", "--version"}, Convert, CommandLineVerdict::UnknownOption},
                          Case{{"--", "-h"}, Convert, CommandLineVerdict::Accepted}}) {
        auto result = Parse(c.arguments);
        EXPECT_EQ(result.commandLine.action, c.action) << c.arguments.front();
        EXPECT_EQ(result.verdict, c.verdict) << c.arguments.front();
    }
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
    EXPECT_EQ(result.faultyArgument, "");
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
