#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "app/RunDriver.h"
#include "core/MemoryStreams.h"
#include "support/LogBuilder.h"
#include "support/TempDir.h"

namespace drovane {
namespace {

// A clock that moves on by half a second each time it is read, so that every conversion looks long.
ProgressClock SlowClock() {
    auto reads = std::make_shared<int>(0);
    return [reads] { return SteadyTime{} + std::chrono::milliseconds(500 * (*reads)++); };
}

std::string RunConverter(std::vector<std::string_view> arguments, bool onTerminal) {
    std::istringstream typed;
    StringOutputSink standardOutput;
    StringOutputSink standardError;
    Console console{typed, standardOutput, standardError, onTerminal, SlowClock()};
    EXPECT_EQ(RunDriver(arguments, console), kExitSuccess);
    return standardError.Text();
}

// Standard error less the progress line: each drawing, which must be followed by another drawing
// or a wipe, and each wipe.
std::string WithoutProgress(const std::string& text) {
    static const std::regex kDrawingOrWipe(R"(\r--- \d+% read, \d+\.\d MB/s, \d+ rows *(?=\r)|\r +\r)");
    return std::regex_replace(text, kDrawingOrWipe, "");
}

class RunDriverProgressTest : public ::testing::Test {
protected:
    // A log of several input buffers' worth, with a packet too sparse to write now and then, so
    // that warnings arrive while the line is shown.
    std::string WriteLongLog(const std::string& name) {
        test::LogBuilder log;
        for (int i = 0; i < 16000; ++i) {
            if (i % 1500 == 700) {
                log.Record(0x020).Record(0x56D);
            } else {
                log.FullCycle();
            }
        }
        std::string path = dir.File(name);
        test::WriteFile(path, log.Text());
        return path;
    }
    test::TempDir dir;
};

TEST_F(RunDriverProgressTest, OnATerminalTheLineComesAndGoesBetweenUnchangedMessages) {
    std::string in = WriteLongLog("trip.bin");
    std::string plain = RunConverter({in}, false);
    std::string csv = test::ReadFile(dir.File("trip.csv"));
    std::string shown = RunConverter({in}, true);

    EXPECT_EQ(plain.find('\r'), std::string::npos);
    EXPECT_NE(shown.find("% read, "), std::string::npos);
    EXPECT_NE(shown.find(" rows"), std::string::npos);
    EXPECT_TRUE(std::regex_search(shown, std::regex(" rows *\r--- "))) << "the line is redrawn in place";
    EXPECT_NE(shown.find(" \r*** WARNING: skipping data packet"), std::string::npos) << "a warning wipes the line";
    EXPECT_GT(plain.find("*** WARNING: skipping data packet"), plain.find("--- opened out file"));
    EXPECT_EQ(WithoutProgress(shown), plain);
    EXPECT_TRUE(std::regex_search(shown, std::regex("\r +\r--- wrote \\d+ rows to [^\r]*\n$")))
        << "the line is wiped before the summary";
    EXPECT_EQ(test::ReadFile(dir.File("trip.csv")), csv);
}

TEST_F(RunDriverProgressTest, TracesAndVerboseRunsNeverShowTheLine) {
    std::string in = WriteLongLog("trip.bin");
    for (std::string_view option : {"-v", "-d", "-D"}) {
        std::string shown = RunConverter({in, option}, true);
        EXPECT_EQ(shown.find('\r'), std::string::npos) << option;
        EXPECT_EQ(shown, RunConverter({in, option}, false)) << option;
    }
}

TEST_F(RunDriverProgressTest, AnInputWithoutAKnownSizeNeverShowsTheLine) {
    std::string log = WriteLongLog("source.bin");
    std::string fifo = dir.File("trip.pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
        std::ofstream out(fifo, std::ios::binary);
        out << test::ReadFile(log);
    });
    std::string shown = RunConverter({fifo, dir.File("trip.csv")}, true);
    writer.join();
    EXPECT_NE(shown.find("*** WARNING: skipping data packet"), std::string::npos);
    EXPECT_EQ(shown.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace drovane
