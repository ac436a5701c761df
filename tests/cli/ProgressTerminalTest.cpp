#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <utility>

#include "support/Executable.h"
#include "support/LogBuilder.h"

namespace drovane {
namespace {

using test::Quote;
using test::RunShell;

const std::string kConverter = DROVANE2CSV_PATH;

// Each drawing of the progress line is followed by the next drawing or by a wipe.
const std::regex kDrawingOrWipe(R"(\r--- \d+% read, \d+\.\d MB/s, \d+ rows *(?=\r)|\r +\r)");

// A log of drive data, a long stretch of zero bytes (a hole in the file, so it costs no disc space)
// and drive data again.
class LongLog {
public:
    explicit LongLog(const test::TempDir& dir) : path_(dir.File("long.bin")) {
        test::LogBuilder log;
        for (int i = 0; i < 4000; ++i) {
            if (i % 1000 == 500) {
                log.Record(0x020).Record(0x56D);  // too few values: a warning
            } else {
                log.FullCycle();
            }
        }
        drive_ = log.Text();
    }

    const std::string& Path() const { return path_; }

    // Writes the log with `zeros` bytes between the two stretches of drive data.
    void Write(std::uintmax_t zeros) {
        test::WriteFile(path_, drive_);
        std::filesystem::resize_file(path_, drive_.size() + zeros);
        std::ofstream(path_, std::ios::binary | std::ios::app) << drive_;
    }

private:
    std::string path_;
    std::string drive_;
};

bool HaveScript() { return std::system("script --version >/dev/null 2>&1") == 0; }

// Runs its arguments as a command that is paused for 200 ms after every 10 ms it runs, as if it
// read from a very slow disc, so that even a short conversion lasts for seconds.
constexpr std::string_view kThrottle = R"(#!/bin/bash
"$@" &
pid=$!
while kill -STOP "$pid" 2>/dev/null; do
    sleep 0.2
    kill -CONT "$pid" 2>/dev/null
    sleep 0.01
done
wait "$pid"
)";

TEST(ProgressOnATerminal, ShownUnderAPseudoTerminalAndAbsentFromFilesAndPipes) {
    if (!HaveScript()) GTEST_SKIP() << "script (util-linux) is not installed: no pseudo-terminal to test under";
    test::TempDir dir;
    LongLog log(dir);
    test::WriteFile(dir.File("throttle.sh"), kThrottle);
    // Temporary paths hold no blanks or quotes, so the commands need no quoting inside the quotes
    // of the terminal's command line below.
    std::string throttled = "bash " + dir.File("throttle.sh") + " " + kConverter + " " + log.Path() + " ";
    std::string command = throttled + dir.File("long.csv");
    // Rows written to the terminal itself: the line must stay away from them.
    std::string rowsToTerminal = throttled + "/dev/stdout";
    auto underTerminal = [&](const std::string& line, const std::string& transcript) {
        return "script -qec \"" + line + "\" /dev/null </dev/null >" + Quote(dir.File(transcript));
    };
    auto timed = [&](const std::string& shellLine) {
        auto start = std::chrono::steady_clock::now();
        auto run = RunShell(shellLine, dir);
        EXPECT_EQ(run.status, 0) << shellLine;
        return std::make_pair(run, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    };

    // The log grows until each conversion lasts well over the second after which the line first
    // shows. What the converter spends before it starts reading does not count: a run on a tiny
    // log measures it (under the sanitizers the start alone takes most of a second once paced).
    test::WriteFile(dir.File("tiny.bin"), test::LogBuilder().FullCycle().Text());
    double startup = timed("bash " + dir.File("throttle.sh") + " " + kConverter + " " + dir.File("tiny.bin") + " " +
                           dir.File("tiny.csv"))
                         .second;
    constexpr std::uintmax_t kMiB = std::uintmax_t{1} << 20;
    double shortest = 0.0;
    test::ProcessResult inFile;
    for (std::uintmax_t zeros = 768 * kMiB; zeros <= 12288 * kMiB && shortest - startup < 1.5; zeros *= 2) {
        log.Write(zeros);
        RunShell("cat " + log.Path() + " >/dev/null", dir);  // the first reading of the zeros is the slowest
        double terminalSeconds = timed(underTerminal(command, "terminal.txt")).second;
        double rowsSeconds = timed(underTerminal(rowsToTerminal, "rows.txt")).second;
        auto [file, fileSeconds] = timed(command);
        inFile = file;
        shortest = std::min({terminalSeconds, rowsSeconds, fileSeconds});
    }
    if (shortest - startup < 1.5)
        GTEST_SKIP() << "no conversion lasted 1.5 s beyond the " << startup << " s of a start";

    // The transcript of the terminal, whose line ends come out as CR LF.
    std::string seen = std::regex_replace(test::ReadFile(dir.File("terminal.txt")), std::regex("\r\n"), "\n");
    EXPECT_TRUE(std::regex_search(seen, std::regex(R"(\n\r--- \d+% read, \d+\.\d MB/s, \d+ rows)"))) << seen;

    std::string rows = test::ReadFile(dir.File("rows.txt"));
    EXPECT_NE(rows.find("\"Time\","), std::string::npos);
    EXPECT_EQ(rows.find("% read, "), std::string::npos);

    // Standard error in a file and in a pipe: the same bytes, and the terminal's less the line.
    EXPECT_EQ(inFile.standardError.find('\r'), std::string::npos);
    EXPECT_NE(inFile.standardError.find("*** WARNING: skipping data packet"), std::string::npos);
    auto piped = RunShell(command + " 2>&1 >/dev/null | cat >" + Quote(dir.File("piped.txt")), dir);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(test::ReadFile(dir.File("piped.txt")), inFile.standardError);
    EXPECT_EQ(std::regex_replace(seen, kDrawingOrWipe, ""), inFile.standardError) << seen;
}

}  // namespace
}  // namespace drovane
