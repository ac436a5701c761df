#include <gtest/gtest.h>

#include "support/Executable.h"
#include "support/LogBuilder.h"

namespace drovane {
namespace {

using test::Quote;
using test::RunShell;

const std::string kConverter = DROVANE2CSV_PATH;

class Executable : public ::testing::Test {
protected:
    std::string WriteLog(const std::string& name, int cycles) {
        test::LogBuilder log;
        for (int i = 0; i < cycles; ++i) log.FullCycle();
        std::string path = dir.File(name);
        test::WriteFile(path, log.Text());
        return path;
    }
    test::TempDir dir;
};

TEST_F(Executable, UsageErrorsExitWith255) {
    auto run = RunShell(kConverter + " -x", dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.standardError.find("command line options: \n"), std::string::npos);
    run = RunShell(kConverter + " a b c", dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.standardError.find("*** FAIL: bad argument: c\ncommand line options: \n"), std::string::npos);
}

TEST_F(Executable, ConvertsAndExitsWithZero) {
    std::string log = WriteLog("trip.bin", 3);
    auto run = RunShell(kConverter + " " + Quote(log) + " </dev/null", dir);
    EXPECT_EQ(run.status, 0);
    std::string csv = test::ReadFile(dir.File("trip.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
}

TEST_F(Executable, PromptTakesTheDefaultName) {
    WriteLog("test_raw.bin", 1);
    auto run = RunShell("cd " + Quote(dir.Path().string()) + " && echo | " + kConverter + " >prompt.txt", dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(test::ReadFile(dir.File("prompt.txt")), "Enter input filename: ");
    EXPECT_TRUE(std::filesystem::exists(dir.File("test_raw.csv")));
}

TEST_F(Executable, FullDiscIsAFailure) {
    std::string log = WriteLog("trip.bin", 2);
    auto run = RunShell(kConverter + " " + Quote(log) + " /dev/full", dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_TRUE(run.standardError.ends_with("\n\n*** FAIL: writing output file /dev/full: No space left on device\n"))
        << run.standardError;
}

TEST_F(Executable, FullDiscWithNothingToWriteIsNoFailure) {
    test::WriteFile(dir.File("empty.bin"), "");
    auto run = RunShell(kConverter + " " + Quote(dir.File("empty.bin")) + " /dev/full", dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.standardError.ends_with("*** ERROR: unable to read file"));
}

TEST_F(Executable, ReadErrorIsAFailureOnALineOfItsOwn) {
    // Reading this process's memory file from its start fails with an I/O error.
    auto run = RunShell(kConverter + " /proc/self/mem " + Quote(dir.File("mem.csv")), dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_TRUE(run.standardError.ends_with(
        "*** ERROR: unable to read file\n*** FAIL: reading input file /proc/self/mem: Input/output error\n"))
        << run.standardError;
}

TEST_F(Executable, MissingAndDirectoryInputsLeaveNoOutput) {
    auto run = RunShell(kConverter + " " + Quote(dir.File("missing.bin")), dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.csv")));
    run = RunShell("cd " + Quote(dir.Path().string()) + " && " + kConverter + " /tmp", dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_TRUE(run.standardError.ends_with("*** FAIL: opening input file /tmp: Is a directory\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("test_raw.csv")));
}

TEST_F(Executable, InputNamedLikeItsOutputIsLeftAlone) {
    std::string log = WriteLog("t.csv", 1);
    std::string before = test::ReadFile(log);
    auto run = RunShell(kConverter + " " + Quote(log), dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_TRUE(run.standardError.ends_with("*** FAIL: output file " + log + " is the same file as the input\n"));
    EXPECT_EQ(test::ReadFile(log), before);
}

}  // namespace
}  // namespace drovane
