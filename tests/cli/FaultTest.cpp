// Faults met through the executable: outputs that cannot or must not be written, a reader that
// goes away, an input beyond 4 GiB, and logs cut short at every byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "convert/Conversion.h"
#include "support/Executable.h"
#include "support/LogBuilder.h"

namespace drovane {
namespace {

using test::Quote;
using test::RunShell;

const std::string kConverter = DROVANE2CSV_PATH;

class Faults : public ::testing::Test {
protected:
    test::TempDir dir;
};

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(Faults, OutputsThatCannotOrMustNotBeWrittenLeaveTheInputAlone) {
    std::string input = dir.File("trip.csv");  // derives its own name as the output
    std::string log = test::LogBuilder().FullCycle().FullCycle().Text();
    test::WriteFile(input, log);
    std::filesystem::create_hard_link(input, dir.File("hard.csv"));
    std::filesystem::create_symlink(input, dir.File("soft.csv"));
    std::filesystem::create_directory(dir.File("out.d"));
    struct Case {
        std::string output;  // empty: derived from the input name
        std::string failure;
    };
    const std::vector<Case> cases = {
        {"", "*** FAIL: output file " + input + " is the same file as the input\n"},
        {input, "*** FAIL: output file " + input + " is the same file as the input\n"},
        {dir.File("hard.csv"), "*** FAIL: output file " + dir.File("hard.csv") + " is the same file as the input\n"},
        {dir.File("soft.csv"), "*** FAIL: output file " + dir.File("soft.csv") + " is the same file as the input\n"},
        {dir.File("no/such/dir.csv"),
         "*** FAIL: opening output file " + dir.File("no/such/dir.csv") + ": No such file or directory\n"},
        {dir.File("out.d"), "*** FAIL: opening output file " + dir.File("out.d") + ": Is a directory\n"},
    };
    for (const Case& c : cases) {
        std::string command = kConverter + " " + Quote(input);
        if (!c.output.empty()) command.append(" ").append(Quote(c.output));
        auto run = RunShell(command, dir);
        EXPECT_EQ(run.status, 255) << c.output;
        EXPECT_TRUE(run.standardError.ends_with(c.failure)) << run.standardError;
        EXPECT_EQ(test::ReadFile(input), log) << c.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("no")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("out.d")));
    // A closed standard output is no file, and never the input.
    auto closed = RunShell(kConverter + " " + Quote(input) + " - >&-", dir);
    EXPECT_EQ(closed.status, 255);
    EXPECT_TRUE(closed.standardError.ends_with("*** FAIL: output file - is standard output, which is closed\n"))
        << closed.standardError;
    EXPECT_EQ(test::ReadFile(input), log);
}

// An output that cannot be read to tell whether it is ours is reported with the system's reason
// and kept; root reads every file, so the run drops to nobody when it can.
TEST_F(Faults, AnOutputThatCannotBeReadIsReportedWithTheReason) {
    const bool root = geteuid() == 0;
    if (root && std::system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "no setpriv to run as nobody";
    std::string input = dir.File("trip.bin");
    test::WriteFile(input, test::LogBuilder().FullCycle().Text());
    std::string locked = dir.File("locked.csv");
    test::WriteFile(locked, "not readable");
    ASSERT_EQ(chmod(locked.c_str(), 0200), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
    const std::string as = root ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    auto run = RunShell(as + kConverter + " " + Quote(input) + " " + Quote(locked), dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_TRUE(run.standardError.ends_with("*** FAIL: reading output file " + locked + ": Permission denied\n"))
        << run.standardError;
    ASSERT_EQ(chmod(locked.c_str(), 0600), 0);
    EXPECT_EQ(test::ReadFile(locked), "not readable");
}

// A reader that stops after 100 bytes: the converter ends at once, whether the broken pipe
// arrives as a signal or, with the signal ignored, as a failed write that it reports.
class ClosedPipe : public Faults {
protected:
    struct PipeRun {
        int converterStatus;  // as the shell sees it; 141 when ended by the signal
        std::string head;     // what the reader got
        std::string standardError;
        double seconds;
    };

    // Runs "SOURCE | drovane2csv INPUT /dev/stdout | head -c 100" under bash, with a time limit
    // that only a converter that hangs or spins would reach.
    PipeRun Run(const std::string& source, const std::string& input, bool ignoreSignal) {
        std::string script = dir.File("pipe.sh");
        test::WriteFile(script, std::string(ignoreSignal ? "trap '' PIPE\n" : "") + source + " | timeout 60 " +
                                    kConverter + " " + input + " /dev/stdout 2>" + Quote(dir.File("errors.txt")) +
                                    " | head -c 100 >" + Quote(dir.File("head.txt")) + "\necho ${PIPESTATUS[1]} >" +
                                    Quote(dir.File("status.txt")) + "\n");
        auto start = std::chrono::steady_clock::now();
        RunShell("bash " + Quote(script), dir);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return {std::atoi(test::ReadFile(dir.File("status.txt")).c_str()), test::ReadFile(dir.File("head.txt")),
                test::ReadFile(dir.File("errors.txt")), seconds};
    }

    static void ExpectEndedByTheBrokenPipe(const PipeRun& run) {
        if (run.converterStatus == 141) return;  // the signal, where it is not ignored
        EXPECT_EQ(run.converterStatus, 255) << run.standardError;
        EXPECT_TRUE(run.standardError.ends_with("*** FAIL: writing output file /dev/stdout: Broken pipe\n"))
            << run.standardError;
    }

    std::string WriteCycles(int count) {
        test::LogBuilder log;
        for (int i = 0; i < count; ++i) log.FullCycle();
        std::string path = dir.File("cycles.bin");
        test::WriteFile(path, log.Text());
        return path;
    }
};

TEST_F(ClosedPipe, ReaderTakesTheFirst100BytesOfTheCsv) {
    // Far more CSV than one block of output, so the converter is still writing when head leaves.
    std::string log = WriteCycles(8000);
    std::string expected = ConvertBytes(test::ReadFile(log), RunOptions{}).csv.substr(0, 100);
    for (bool ignoreSignal : {false, true}) {
        PipeRun run = Run("true", Quote(log), ignoreSignal);
        EXPECT_EQ(run.head, expected);
        if (ignoreSignal) {
            EXPECT_EQ(run.converterStatus, 255);
            EXPECT_TRUE(run.standardError.ends_with("*** FAIL: writing output file /dev/stdout: Broken pipe\n"))
                << run.standardError;
        } else {
            ExpectEndedByTheBrokenPipe(run);
        }
    }
}

TEST_F(ClosedPipe, EndlessInputStopsWhenTheReaderHasGone) {
    // Input that never ends: only noticing the broken output can end the conversion.
    std::string log = WriteCycles(200);
    for (bool ignoreSignal : {false, true}) {
        PipeRun run = Run("while cat " + Quote(log) + "; do :; done", "/dev/stdin", ignoreSignal);
        EXPECT_EQ(run.head.size(), 100u);
        EXPECT_NE(run.converterStatus, 124) << "still running after 60 s";
        ExpectEndedByTheBrokenPipe(run);
        EXPECT_LT(run.seconds, 30.0);
    }
}

// Every cut through the last two cycles: status 0, and a CSV that is the uncut CSV up to a row end.
TEST_F(Faults, LogCutAtEveryOffsetOfItsLastTwoCyclesGivesARowPrefix) {
    test::LogBuilder head;
    head.Junk(20).FullCycle().Record(0x5A4, {0, 50});
    test::LogBuilder cycle;
    // Nine columns besides Time, just enough for a row, in few records: every cut is one run.
    cycle.Record(0x020)
        .Record(0x03B, {0x0F, 0xFF, 0x01, 0x2C})
        .Record(0x0B4, {0, 0, 0, 0, 0, 0x19, 0x00})
        .Record(0x3CB, {0x14, 0x28, 0x00, 0x78, 0x1E, 0x19})
        .Record(0x56D);
    std::string whole = head.Text() + cycle.Text() + cycle.Text();
    std::size_t first = head.Size();

    std::string names;
    for (std::size_t cut = first; cut <= whole.size(); ++cut) {
        std::string name = "cut-" + std::to_string(cut);
        test::WriteFile(dir.File(name + ".bin"), std::string_view(whole).substr(0, cut));
        names += " " + name;
    }
    auto run = RunShell("cd " + Quote(dir.Path().string()) + " && for n in" + names + "; do " + kConverter +
                            " $n.bin $n.csv 2>/dev/null; echo $n $? >>status.txt; done",
                        dir);
    ASSERT_EQ(run.status, 0) << run.standardError;
    std::string statuses = test::ReadFile(dir.File("status.txt"));
    EXPECT_EQ(Lines(statuses), whole.size() - first + 1);

    std::string full = test::ReadFile(dir.File("cut-" + std::to_string(whole.size()) + ".csv"));
    ASSERT_EQ(Lines(full), 4u);  // header and three rows
    std::size_t rows = 0;
    for (std::size_t cut = first; cut <= whole.size(); ++cut) {
        std::string name = "cut-" + std::to_string(cut);
        EXPECT_NE(statuses.find(name + " 0\n"), std::string::npos) << name;
        std::string csv = test::ReadFile(dir.File(name + ".csv"));
        EXPECT_TRUE(full.starts_with(csv)) << name;
        EXPECT_TRUE(csv.empty() || csv.ends_with("\n")) << name;
        EXPECT_GE(Lines(csv), rows) << name;  // a longer log never loses a row
        rows = Lines(csv);
    }
}

bool LongTestsWanted() {
    const char* wanted = std::getenv("DROVANE_LONG_TESTS");
    return wanted != nullptr && std::string(wanted) == "1";
}

// More than 4 GiB of zero bytes, then one cycle: the skipped-byte count goes past 32 bits.
// Long: reads 4 GiB. Run with DROVANE_LONG_TESTS=1 (see docs/hardening.md).
TEST_F(Faults, LongSparseInputBeyond4GiB) {
    if (!LongTestsWanted()) GTEST_SKIP() << "long test: set DROVANE_LONG_TESTS=1 to run it";
    constexpr std::uintmax_t kZeros = (std::uintmax_t{1} << 32) + 123;
    std::string path = dir.File("sparse.bin");
    std::string cycle = test::LogBuilder().FullCycle().Text();
    { std::ofstream create(path, std::ios::binary); }
    std::error_code error;
    std::filesystem::resize_file(path, kZeros, error);
    if (!error) {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out.write(cycle.data(), static_cast<std::streamsize>(cycle.size()));
        out.close();
        if (!out) error = std::make_error_code(std::errc::no_space_on_device);
    }
    if (error || std::filesystem::file_size(path) != kZeros + cycle.size()) {
        GTEST_SKIP() << "the temporary folder cannot hold a sparse file of 4 GiB: " << error.message();
    }
    auto run = RunShell(kConverter + " -v " + Quote(path) + " " + Quote(dir.File("sparse.csv")), dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.standardError.find("\n*** skipped " + std::to_string(kZeros) + " bytes\n"), std::string::npos)
        << run.standardError;
    // Past the skip limit: the empty packet in progress is dropped as packet 1, the cycle is packet 2.
    std::string expected = ConvertBytes(std::string(880, '\0') + cycle, RunOptions{}).csv;
    EXPECT_EQ(Lines(expected), 2u);
    EXPECT_EQ(test::ReadFile(dir.File("sparse.csv")), expected);
}

}  // namespace
}  // namespace drovane
