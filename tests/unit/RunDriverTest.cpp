#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "app/RunDriver.h"
#include "core/MemoryStreams.h"
#include "support/LogBuilder.h"
#include "support/TempDir.h"

namespace drovane {
namespace {

using test::ReadFile;
using test::WriteFile;

constexpr std::string_view kBannerEnd = "converts raw CAN logs into CSV spreadsheets\n\n";

struct DriverRun {
    int status;
    std::string standardOutput;
    std::string standardError;

    // Standard error after the banner.
    std::string Messages() const { return standardError.substr(standardError.find(kBannerEnd) + kBannerEnd.size()); }
};

DriverRun RunWith(std::vector<std::string_view> arguments, std::string typed = "") {
    std::istringstream input(typed);
    StringOutputSink standardOutput;
    StringOutputSink standardError;
    Console console{input, standardOutput, standardError};
    int status = RunDriver(arguments, console);
    return {status, standardOutput.Text(), standardError.Text()};
}

class RunDriverTest : public ::testing::Test {
protected:
    std::string Log() {
        test::LogBuilder log;
        log.FullCycle();
        return log.Text();
    }
    test::TempDir dir;
};

TEST_F(RunDriverTest, BannerOpensEveryRun) {
    DriverRun run = RunWith({"-x"});
    EXPECT_EQ(run.standardError.rfind(
                  "Velmor Drovane Raw Format Data Converter\nversion Kestry " DROVANE_VERSION "  (build ", 0),
              0u);
    EXPECT_NE(run.standardError.find(")\n"), std::string::npos);
}

TEST_F(RunDriverTest, UnknownOptionIsNamedBeforeTheUsageText) {
    DriverRun run = RunWith({"in.bin", "-us"});
    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_EQ(run.Messages().rfind("*** FAIL: unknown option: -us\ncommand line options: \n"
                                   "   [-v] [-d] [-D] [-US] [<input file>] [<output file>]\n\n",
                                   0),
              0u);
    // The original text ends with its tenth line; the lines of the options added since follow.
    EXPECT_NE(
        run.Messages().find("   <outputfile> specifies the name of the output csv file,\n"
                            "                optional, defaults to input name with .csv suffix.\n\n   -UK accepted"),
        std::string::npos);
    EXPECT_EQ(run.standardOutput, "");
}

TEST_F(RunDriverTest, ThirdNameOrBadValueIsReportedBeforeUsage) {
    DriverRun run = RunWith({"a", "b", "c"});
    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_EQ(run.Messages().rfind("*** FAIL: bad argument: c\ncommand line options: \n", 0), 0u);
    run = RunWith({"a", "-j", "0"});
    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_EQ(run.Messages().rfind("*** FAIL: bad value: -j 0\ncommand line options: \n", 0), 0u);
    EXPECT_NE(run.Messages().find("\n   -j N  convert on N threads"), std::string::npos);
}

TEST_F(RunDriverTest, ConvertsNamedFiles) {
    std::string in = dir.File("trip.bin");
    WriteFile(in, Log());
    DriverRun run = RunWith({in, "-v"});
    EXPECT_EQ(run.status, kExitSuccess);
    EXPECT_EQ(run.Messages(), "--- opened input file " + in + "\n--- opened out file " + dir.File("trip.csv") +
                                  "\n\n--- writing out finished packet\n--- valid packet 1 -------------------------\n"
                                  "--- wrote 1 row to " +
                                  dir.File("trip.csv") + "\n");
    std::string csv = ReadFile(dir.File("trip.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
}

TEST_F(RunDriverTest, PromptAnswerAndDefaultName) {
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    WriteFile("test_raw.bin", Log());
    DriverRun empty = RunWith({"-v"}, "");
    DriverRun spaces = RunWith({}, "  \n");
    DriverRun typed = RunWith({}, "-odd name.bin\nignored");
    std::filesystem::current_path(previous);

    EXPECT_EQ(empty.standardOutput, "Enter input filename: ");
    EXPECT_EQ(empty.status, kExitSuccess);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "test_raw.csv"));
    // Nothing is trimmed from a typed name; a name starting with "-" can only be typed.
    EXPECT_EQ(spaces.Messages(), "*** FAIL: opening input file   : No such file or directory\n");
    EXPECT_EQ(typed.Messages(), "*** FAIL: opening input file -odd name.bin: No such file or directory\n");
}

TEST_F(RunDriverTest, MissingInputCreatesNoOutput) {
    std::string missing = dir.File("missing.bin");
    DriverRun run = RunWith({missing});
    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_EQ(run.Messages(),
              "*** FAIL: opening input file " + dir.File("missing.bin") + ": No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.csv")));
}

TEST_F(RunDriverTest, DirectoryInputFailsLikeAnUnopenableFile) {
    std::string input = dir.File("logs.d");
    std::filesystem::create_directory(input);
    WriteFile(dir.File("logs.csv"), "keep");
    DriverRun run = RunWith({input});
    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_EQ(run.Messages(), "*** FAIL: opening input file " + input + ": Is a directory\n");
    EXPECT_EQ(ReadFile(dir.File("logs.csv")), "keep");
}

TEST_F(RunDriverTest, OutputThatCannotBeCreated) {
    std::string in = dir.File("trip.bin");
    WriteFile(in, Log());
    std::string out = dir.File("no/such/dir.csv");
    DriverRun run = RunWith({in, out});
    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_EQ(run.Messages(), "--- opened input file " + in + "\n*** FAIL: opening output file " + out +
                                  ": No such file or directory\n");
    run = RunWith({in, dir.Path().string()});
    EXPECT_EQ(run.Messages(), "--- opened input file " + in + "\n*** FAIL: opening output file " + dir.Path().string() +
                                  ": Is a directory\n");
}

TEST_F(RunDriverTest, OutputThatIsTheInputIsRefused) {
    std::string in = dir.File("trip.csv");
    WriteFile(in, Log());
    std::filesystem::create_hard_link(in, dir.File("hard.csv"));
    std::filesystem::create_symlink(in, dir.File("soft.csv"));
    std::string hard = dir.File("hard.csv");
    std::string soft = dir.File("soft.csv");
    for (auto arguments : {std::vector<std::string_view>{in}, std::vector<std::string_view>{in, in},
                           std::vector<std::string_view>{in, hard}, std::vector<std::string_view>{in, soft}}) {
        DriverRun run = RunWith(arguments);
        std::string out(arguments.back());
        EXPECT_EQ(run.status, kExitFailure);
        EXPECT_EQ(run.Messages(), "--- opened input file " + in + "\n*** FAIL: output file " + out +
                                      " is the same file as the input\n");
        EXPECT_EQ(ReadFile(in), Log());
    }
}

}  // namespace
}  // namespace drovane
