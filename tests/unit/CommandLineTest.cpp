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
        EXPECT_EQ(result.commandLine.action, CommandLineAction::Convert);
    }
}

TEST(CommandLine, ThreadsTakeAWholeNumberFromOneTo256) {
    EXPECT_EQ(Parse({"in.bin"}).commandLine.threads, 0u);
    EXPECT_EQ(Parse({"-j", "1", "in.bin"}).commandLine.threads, 1u);
    auto result = Parse({"-j", "256", "-j", "3", "in.bin", "-q"});
    EXPECT_EQ(result.commandLine.threads, 3u);
    EXPECT_EQ(result.commandLine.inputName, "in.bin");
    EXPECT_TRUE(result.commandLine.quiet);
    for (std::vector<std::string_view> bad : {std::vector<std::string_view>{"-j", "0"},
                                              {"-j", "257"},
                                              {"-j", "two"},
                                              {"-j", "-2"},
                                              {"-j", "2x"},
                                              {"-j", ""},
                                              {"in.bin", "-j"}}) {
        result = Parse(bad);
        EXPECT_EQ(result.verdict, CommandLineVerdict::BadValue) << bad.back();
        EXPECT_EQ(result.faultyArgument, "-j " + std::string(bad.size() == 2 && bad[0] == "-j" ? bad[1] : ""));
    }
    // The value joined to the option counts alike, and fails alike.
    EXPECT_EQ(Parse({"-j2", "in.bin"}).commandLine.threads, 2u);
    EXPECT_EQ(Parse({"-j2", "in.bin"}).commandLine.inputName, "in.bin");
    EXPECT_EQ(Parse({"-j0"}).faultyArgument, "-j 0");
    EXPECT_EQ(Parse({"-jx", "in.bin"}).verdict, CommandLineVerdict::BadValue);
}

TEST(CommandLine, ThirdNameIsTheBadArgument) {
    auto result = Parse({"a", "b", "c", "-x"});
    EXPECT_EQ(result.verdict, CommandLineVerdict::BadArgument);
    EXPECT_EQ(result.faultyArgument, "c");
}

TEST(CommandLine, SwitchesAndStreamNames) {
    const CommandLine line = Parse({"-q", "-", "--hold", "-f", "--xlsx", "-"}).commandLine;
    EXPECT_TRUE(line.quiet && line.overwriteForeignFile && line.options.holdValues && line.workbook);
    EXPECT_EQ(line.inputName + line.outputName, "--");
    // After "--" everything is a name, "--" and options included; -h ends the reading where it stands.
    auto result = Parse({"-v", "--", "-x.bin", "--", "-h"});
    EXPECT_EQ(result.commandLine.inputName + " " + result.commandLine.outputName, "-x.bin --");
    EXPECT_EQ(result.faultyArgument, "-h");
    EXPECT_EQ(Parse({"--version", "a", "b", "c"}).commandLine.action, CommandLineAction::ShowVersion);
}

TEST(OutputName, DerivedFromTheLastDot) {
    struct Case {
        const char* input;
        const char* output;
    };
    for (const Case& c :
         {Case{"trip.bin", "trip.csv"}, Case{"trip.day2.bin", "trip.day2.csv"}, Case{"a.bin", "a.csv"},
          Case{"a.bi", "test_raw.csv"}, Case{"tripdata", "test_raw.csv"}, Case{"logs.d/trip", "logs.csv"},
          Case{".trip", ".csv"}, Case{"test_raw.bin", "test_raw.csv"}, Case{"trip.csv", "trip.csv"},
          Case{"trip.", "trip.csv"}, Case{"    ", "test_raw.csv"}, Case{"", "test_raw.csv"}}) {
        EXPECT_EQ(DeriveOutputName(c.input), c.output) << c.input;
        // A workbook's name is the CSV's with .xlsx for .csv.
        std::string workbook(c.output);
        workbook.replace(workbook.size() - kCsvSuffix.size(), kCsvSuffix.size(), kWorkbookSuffix);
        EXPECT_EQ(DeriveOutputName(c.input, kWorkbookSuffix), workbook) << c.input;
    }
}

}  // namespace
}  // namespace drovane
