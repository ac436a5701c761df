#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

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
// and drive data again; the stretch grows until a conversion takes long enough.
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

TEST(ProgressOnATerminal, ShownUnderAPseudoTerminalAndAbsentFromFilesAndPipes) {
    if (!HaveScript()) GTEST_SKIP() << "script (util-linux) is not installed: no pseudo-terminal to test under";
    test::TempDir dir;
    LongLog log(dir);
    // Temporary paths hold no blanks or quotes, so the command needs no quoting inside the quotes
    // of the terminal's command line below.
    std::string command = kConverter + " " + log.Path() + " " + dir.File("long.csv");
    std::string transcript = Quote(dir.File("terminal.txt"));

    // Under a pseudo-terminal (whose transcript has CR LF line ends), with the log made longer until
    // the conversion lasts well over the second after which the line first shows.
    double seconds = 0.0;
    constexpr std::uintmax_t kGiB = std::uintmax_t{1} << 30;
    for (std::uintmax_t zeros = kGiB; zeros <= 64 * kGiB && seconds < 1.5; zeros *= 4) {
        log.Write(zeros);
        auto start = std::chrono::steady_clock::now();
        auto terminal = RunShell("script -qec \"" + command + "\" /dev/null </dev/null >" + transcript, dir);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_EQ(terminal.status, 0);
    }
    if (seconds < 1.5) GTEST_SKIP() << "even 64 GiB converted in under 1.5 s";
    std::string seen = std::regex_replace(test::ReadFile(dir.File("terminal.txt")), std::regex("\r\n"), "\n");
    EXPECT_TRUE(std::regex_search(seen, std::regex(R"(\n\r--- \d+% read, \d+\.\d MB/s, \d+ rows)"))) << seen;

    // Standard error in a file and in a pipe: the same bytes, and the terminal's less the line.
    auto inFile = RunShell(command, dir);
    EXPECT_EQ(inFile.status, 0);
    EXPECT_EQ(inFile.standardError.find('\r'), std::string::npos);
    EXPECT_NE(inFile.standardError.find("*** WARNING: skipping data packet"), std::string::npos);
    auto piped = RunShell(command + " 2>&1 >/dev/null | cat >" + Quote(dir.File("piped.txt")), dir);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(test::ReadFile(dir.File("piped.txt")), inFile.standardError);
    EXPECT_EQ(std::regex_replace(seen, kDrawingOrWipe, ""), inFile.standardError) << seen;
}

}  // namespace
}  // namespace drovane
