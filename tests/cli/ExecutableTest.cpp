#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <sys/stat.h>

#include "convert/Conversion.h"
#include "decode/Columns.h"
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
    // Runs the converter in the test's folder with `arguments` (shell text).
    test::ProcessResult Run(const std::string& arguments) {
        return RunShell("cd " + Quote(dir.Path().string()) + " && " + kConverter + " " + arguments, dir);
    }
    std::string Read(const std::string& name) const { return test::ReadFile(dir.File(name)); }
    // Names that begin with a dot: temporary files left behind.
    std::string HiddenFiles() const {
        std::string names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            if (entry.path().filename().string().front() == '.') names += entry.path().filename().string() + " ";
        }
        return names;
    }
    test::TempDir dir;
};

// The last line of a text that ends with a line end (without it).
std::string LastLine(std::string text) {
    text.pop_back();
    return text.substr(text.rfind('\n') + 1);
}

RunOptions UsOptions() {
    RunOptions options;
    options.units = UnitSystem::US;
    return options;
}

TEST_F(Executable, UsageErrorsExitWith255) {
    auto run = RunShell(kConverter + " -x", dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.standardError.find("\n\n*** FAIL: unknown option: -x\ncommand line options: \n"), std::string::npos);
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
    // Quotes around a typed name stay on POSIX systems, where a name may hold them.
    run = RunShell("cd " + Quote(dir.Path().string()) + " && echo '\"test_raw.bin\"' | " + kConverter + " -q", dir);
    EXPECT_EQ(run.standardError, "*** FAIL: opening input file \"test_raw.bin\": No such file or directory\n");
}

TEST_F(Executable, FullDiscIsAFailure) {
    std::string log = WriteLog("trip.bin", 2);
    auto run = RunShell(kConverter + " " + Quote(log) + " /dev/full", dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_TRUE(run.standardError.ends_with("\n\n*** FAIL: writing output file /dev/full: No space left on device\n"))
        << run.standardError;
}

TEST_F(Executable, FullDiscWithNothingToWriteIsNothingToConvert) {
    test::WriteFile(dir.File("empty.bin"), "");
    auto run = RunShell(kConverter + " " + Quote(dir.File("empty.bin")) + " /dev/full", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.standardError.ends_with("\n\n*** ERROR: unable to read file\n"));
}

// What stands under the output name is replaced only by a run that succeeds, and only when it is
// empty, a CSV of ours, or given up with -f; a run that fails leaves no file behind.
TEST_F(Executable, AnOutputIsReplacedOnlyByARunThatSucceeds) {
    std::string log = test::ReadFile(WriteLog("trip.bin", 3));
    WriteLog("one.bin", 1);
    test::WriteFile(dir.File("empty.bin"), "");
    test::WriteFile(dir.File("random.bin"), std::string(20000, '\x5A'));
    test::WriteFile(dir.File("two.bin"), "\x00\x20");
    test::WriteFile(dir.File("sparse.bin"), test::LogBuilder().Record(0x020).Record(0x56D).Text());
    const std::string metric = ConvertBytes(log, RunOptions{}).csv;
    const std::string us = ConvertBytes(log, UsOptions()).csv;
    const std::string one = ConvertBytes(test::LogBuilder().FullCycle().Text(), RunOptions{}).csv;
    const std::string ours = ConvertBytes(test::LogBuilder().FullCycle().Text(), UsOptions()).csv;
    const std::string foreign = "notes, not rows\n";
    const std::string kRefused =
        "*** FAIL: output file trip.csv exists and is not a CSV file of this converter; use -f to overwrite it";
    const std::string kSecondName =
        "*** FAIL: the second name was taken for the output file; to convert several logs, run the converter once a "
        "log (see the folder recipe in drovane2csv(1))";
    struct Case {
        std::string arguments;
        std::optional<std::string> before;  // the output before the run; none: no file
        int status;
        std::string lastLine;              // of standard error
        std::optional<std::string> after;  // the output after the run; none: no file
    };
    const Case cases[] = {
        {"trip.bin", std::nullopt, 0, "--- wrote 3 rows to trip.csv", metric},
        {"trip.bin", ours, 0, "--- wrote 3 rows to trip.csv", metric},
        {"trip.bin -US", metric, 0, "--- wrote 3 rows to trip.csv", us},
        {"trip.bin", "", 0, "--- wrote 3 rows to trip.csv", metric},
        {"one.bin trip.csv", ours, 0, "--- wrote 1 row to trip.csv", one},
        {"trip.bin", foreign, 255, kRefused, foreign},
        {"trip.bin", "\"Time\"", 255, kRefused, "\"Time\""},
        {"trip.bin trip.csv", foreign, 255, kSecondName, foreign},
        {"-f trip.bin", foreign, 0, "--- wrote 3 rows to trip.csv", metric},
        {"random.bin trip.csv", ours, 1, "*** ERROR: no data packets found in input file random.bin", ours},
        {"random.bin trip.csv -f", std::nullopt, 1, "*** ERROR: no data packets found in input file random.bin",
         std::nullopt},
        {"empty.bin trip.csv", ours, 1, "*** ERROR: unable to read file", ours},
        {"empty.bin trip.csv", std::nullopt, 1, "*** ERROR: unable to read file", std::nullopt},
        {"two.bin trip.csv", ours, 1, "*** ERROR: unable to read file", ours},
        {"sparse.bin trip.csv", ours, 1, "*** ERROR: no data packets found in input file sparse.bin", ours},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir.File("trip.csv"));
        if (c.before) test::WriteFile(dir.File("trip.csv"), *c.before);
        auto run = Run(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(LastLine(run.standardError), c.lastLine) << c.arguments;
        EXPECT_EQ(std::filesystem::exists(dir.File("trip.csv")), c.after.has_value()) << c.arguments;
        EXPECT_EQ(Read("trip.csv"), c.after.value_or("")) << c.arguments;
        EXPECT_EQ(HiddenFiles(), "") << c.arguments;
    }
    EXPECT_EQ(Read("trip.bin"), log);
}

TEST_F(Executable, TwoLogsGlobbedNeverOverwriteTheSecond) {
    std::filesystem::create_directory(dir.File("logs"));
    WriteLog("logs/mon.bin", 2);
    std::string tue = test::ReadFile(WriteLog("logs/tue.bin", 3));
    auto run = RunShell("cd " + Quote(dir.File("logs")) + " && " + kConverter + " *.bin", dir);
    EXPECT_EQ(run.status, 255);
    EXPECT_TRUE(run.standardError.ends_with(
        "--- opened input file mon.bin\n*** FAIL: output file tue.bin exists and is not a CSV file of this "
        "converter; use -f to overwrite it\n*** FAIL: the second name was taken for the output file; to convert "
        "several logs, run the converter once a log (see the folder recipe in drovane2csv(1))\n"))
        << run.standardError;
    EXPECT_EQ(test::ReadFile(dir.File("logs/tue.bin")), tue);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("logs")), {}), 2);
}

// A replaced file keeps its mode, a symbolic link keeps pointing at the file it named, and the
// names of a file with two hard links keep sharing it (it is written in place).
TEST_F(Executable, ReplacedFilesKeepTheirLinksAndModes) {
    std::string csv = ConvertBytes(test::ReadFile(WriteLog("trip.bin", 3)), RunOptions{}).csv;
    std::string old = ConvertBytes(test::LogBuilder().FullCycle().Text(), RunOptions{}).csv;
    test::WriteFile(dir.File("target.csv"), old);
    ASSERT_EQ(chmod(dir.File("target.csv").c_str(), 0640), 0);
    std::filesystem::create_symlink("target.csv", dir.File("link.csv"));
    test::WriteFile(dir.File("shared.csv"), old);
    std::filesystem::create_hard_link(dir.File("shared.csv"), dir.File("hard.csv"));

    for (std::string output : {"link.csv", "hard.csv"}) EXPECT_EQ(Run("-q trip.bin " + output).status, 0);
    EXPECT_EQ(Run("-q trip.bin /dev/stdout >stdout.csv").status, 0);
    EXPECT_EQ(
        RunShell("umask 027 && cd " + Quote(dir.Path().string()) + " && " + kConverter + " -q trip.bin new.csv", dir)
            .status,
        0);

    EXPECT_EQ(std::filesystem::read_symlink(dir.File("link.csv")), "target.csv");
    EXPECT_TRUE(std::filesystem::equivalent(dir.File("shared.csv"), dir.File("hard.csv")));
    for (std::string name : {"target.csv", "shared.csv", "stdout.csv", "new.csv"}) EXPECT_EQ(Read(name), csv) << name;
    for (std::string name : {"target.csv", "new.csv"}) {
        EXPECT_EQ(std::filesystem::status(dir.File(name)).permissions(), std::filesystem::perms{0640}) << name;
    }
    EXPECT_EQ(HiddenFiles(), "");
}

// Interrupted while it waits for more input: the process dies of the signal once it has removed
// its temporary file, and the previous CSV stays.
TEST_F(Executable, InterruptLeavesThePreviousCsv) {
    WriteLog("trip.bin", 200);
    std::string old = ConvertBytes(test::LogBuilder().FullCycle().Text(), RunOptions{}).csv;
    test::WriteFile(dir.File("trip.csv"), old);
    // Job control, so that the background converter does not start with SIGINT ignored; its input
    // is a pipe that this script holds open.
    test::WriteFile(dir.File("interrupt.sh"), "set -m\ncd " + Quote(dir.Path().string()) +
                                                  "\nmkfifo feed\nexec 3<>feed\n" + kConverter +
                                                  " - trip.csv <feed 2>/dev/null &\n" + R"(pid=$!
cat trip.bin >&3
for i in $(seq 200); do ls -A | grep -q '^\.trip\.csv\.' && break; sleep 0.05; done
sleep 0.2
kill -INT $pid
wait $pid
echo $? >status.txt
rm feed
)");
    RunShell("bash " + Quote(dir.File("interrupt.sh")), dir);
    EXPECT_EQ(Read("status.txt"), "130\n");  // 128 + SIGINT
    EXPECT_EQ(Read("trip.csv"), old);
    EXPECT_EQ(HiddenFiles(), "");
}

TEST_F(Executable, ConventionalCommandLine) {
    std::string log = test::ReadFile(WriteLog("trip.bin", 3));
    std::string csv = ConvertBytes(log, RunOptions{}).csv;
    std::filesystem::copy_file(dir.File("trip.bin"), dir.File("-odd.bin"));
    test::WriteFile(dir.File("sparse.bin"), log + test::LogBuilder().Record(0x020).Record(0x56D).Text());

    auto help = Run("-v --help >help.txt");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.standardError, "");
    EXPECT_TRUE(Read("help.txt").starts_with("command line options: \n")) << Read("help.txt");
    auto unknown = Run("--x");
    EXPECT_EQ(unknown.status, 255);
    EXPECT_TRUE(unknown.standardError.ends_with("\n\n*** FAIL: unknown option: --x\n" + Read("help.txt")));
    // The version of --version is the banner's.
    std::string banner = unknown.standardError.substr(0, unknown.standardError.find("  (build "));
    EXPECT_EQ(Run("--version -x >version.txt").status, 0);
    EXPECT_EQ(Read("version.txt"), "drovane2csv" + banner.substr(banner.rfind(' ')) + "\n");

    auto piped = RunShell(
        "cat " + Quote(dir.File("trip.bin")) + " | " + kConverter + " - - >" + Quote(dir.File("cat.csv")), dir);
    EXPECT_EQ(piped.status, 0);
    EXPECT_TRUE(
        piped.standardError.ends_with("--- opened input file -\n--- opened out file -\n\n--- wrote 3 rows to -\n"));
    EXPECT_EQ(Run("-q - <trip.bin >stdin.csv").status, 0) << "no output name: standard output";
    for (std::string name : {"stdin.csv", "cat.csv"}) EXPECT_EQ(Read(name), csv) << name;

    EXPECT_EQ(Run("-q -- -odd.bin").status, 0);
    EXPECT_EQ(Read("-odd.csv"), csv);
    // Quiet: only the warnings and what -v asks for.
    auto quiet = Run("sparse.bin -q");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.standardError, "*** WARNING: skipping data packet, 33 fields invalid, 1 fields valid\n");
    auto verbose = Run("-v -q sparse.bin");
    EXPECT_EQ(verbose.standardError.rfind("--- writing out finished packet\n--- valid packet 1 ----", 0), 0u);
    EXPECT_TRUE(verbose.standardError.ends_with(" 1 fields valid\n"));
    auto prompted = Run("-q </dev/null >prompt.txt");
    EXPECT_EQ(Read("prompt.txt"), "Enter input filename: ");
    EXPECT_EQ(prompted.standardError, "*** FAIL: opening input file test_raw.bin: No such file or directory\n");
}

std::vector<std::vector<std::string>> CsvCells(const std::string& csv) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string>& cells = rows.emplace_back();
        std::istringstream split(line + ",");
        for (std::string cell; std::getline(split, cell, ',');) cells.push_back(cell);
    }
    return rows;
}

// --hold decides rows and warnings as without it; a cell of its own is as without it, and an
// empty cell of the plain CSV shows the value its column had last.
TEST_F(Executable, HoldFillsCellsFromTheLastValueOfTheirColumn) {
#ifndef DROVANE_SYNTH_PATH
    GTEST_SKIP() << "built without the synthesizer";
#else
    ASSERT_EQ(RunShell(std::string(DROVANE_SYNTH_PATH) + " --minutes 10 --seed 3 --damage 0.05 " +
                           Quote(dir.File("drive.bin")) + " >/dev/null",
                       dir)
                  .status,
              0);
    auto plain = Run("-q drive.bin plain.csv");
    auto held = Run("drive.bin --hold held.csv -q");
    EXPECT_EQ(held.status, plain.status);
    EXPECT_EQ(held.standardError, plain.standardError);
    EXPECT_NE(plain.standardError.find("*** WARNING: skipping data packet"), std::string::npos);
    auto plainRows = CsvCells(Read("plain.csv"));
    auto heldRows = CsvCells(Read("held.csv"));
    ASSERT_EQ(heldRows.size(), plainRows.size());
    ASSERT_GT(plainRows.size(), 5000u);
    constexpr std::size_t kColumns = kColumnCount;
    std::vector<bool> seen(kColumns, false);
    for (std::size_t row = 1; row < plainRows.size(); ++row) {
        ASSERT_EQ(heldRows[row].size(), kColumns);
        bool follows = row > 1 && std::stol(plainRows[row][0]) == std::stol(plainRows[row - 1][0]) + 1;
        for (std::size_t column = 0; column < kColumns; ++column) {
            const std::string& own = plainRows[row][column];
            const std::string& shown = heldRows[row][column];
            if (!own.empty()) {
                ASSERT_EQ(shown, own) << row << "," << column;
                seen[column] = true;
                continue;
            }
            ASSERT_TRUE(!seen[column] || !shown.empty()) << row << "," << column;
            // No skipped packet in between: the value is the one the row before showed.
            if (follows) {
                ASSERT_EQ(shown, heldRows[row - 1][column]) << row << "," << column;
            }
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), kColumnCount);
#endif
}

// A log of a few MiB converts on several threads, as by default, exactly as on one (-j 1): the
// same CSV, the same messages and summary line, the same status; random bytes too, with nothing
// to convert.
TEST_F(Executable, ThreadsChangeNothingTheConverterWrites) {
#ifndef DROVANE_SYNTH_PATH
    GTEST_SKIP() << "needs drovane-synth";
#else
    const std::string synth = "cd " + Quote(dir.Path().string()) + " && " + DROVANE_SYNTH_PATH;
    ASSERT_EQ(RunShell(synth + " --megabytes 5 --seed 4 --damage 0.05 drive.bin >/dev/null", dir).status, 0);
    ASSERT_EQ(RunShell(synth + " --megabytes 3 --seed 5 --damage 0.05 --harsh harsh.bin >/dev/null", dir).status, 0);
    std::string bytes(3 << 20, '\0');
    std::uint64_t state = 88172645463325252ull;
    for (char& byte : bytes) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        byte = static_cast<char>(state);
    }
    test::WriteFile(dir.File("noise.bin"), bytes);
    for (std::string log : {"drive", "harsh", "noise"}) {
        auto one = Run("-j 1 " + log + ".bin one.csv");
        for (std::string threads : {"", "-j 2 ", "-j 5 -US "}) {
            auto many = Run(threads + log + ".bin many.csv");
            if (threads.find("-US") != std::string::npos) one = Run("-US -j 1 " + log + ".bin one.csv");
            std::string messages = many.standardError;
            for (std::size_t at; (at = messages.find("many.csv")) != std::string::npos;)
                messages.replace(at, 8, "one.csv");
            EXPECT_EQ(many.status, one.status) << log << " " << threads;
            EXPECT_EQ(messages, one.standardError) << log << " " << threads;
            EXPECT_EQ(Read("many.csv"), Read("one.csv")) << log << " " << threads;
        }
        EXPECT_EQ(one.status, log == "noise" ? 1 : 0) << log;
    }
#endif
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
