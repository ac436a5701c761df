#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/ProgressLine.h"
#include "core/MemoryStreams.h"
#include "core/TextBuffer.h"

namespace drovane {
namespace {

using std::chrono::milliseconds;

// What wipes a line of `width` columns.
std::string Wipe(std::size_t width) {
    std::string wipe(width + 2, ' ');
    wipe.front() = '\r';
    wipe.back() = '\r';
    return wipe;
}

class ProgressLineTest : public ::testing::Test {
protected:
    void Start(std::uint64_t total = 1000000000) {
        line.Start(total, diagnostics, [this] { return rows; });
    }
    void At(int ms, std::uint64_t bytes) {
        now = SteadyTime{} + milliseconds(ms);
        line.OnInputProgress(bytes);
    }
    const std::string& Terminal() const { return terminal.Text(); }

    SteadyTime now{};
    std::int64_t rows = 0;
    StringOutputSink terminal;
    ProgressLine line{terminal, [this] { return now; }};
    TextBuffer diagnostics{line};
};

TEST_F(ProgressLineTest, TextTellsPercentRateAndRows) {
    EXPECT_EQ(ProgressLine::Text(500000000, 1000000000, 2.0, 1234), "--- 50% read, 250.0 MB/s, 1234 rows");
    EXPECT_EQ(ProgressLine::Text(999, 1000, 4.0, 0), "--- 99% read, 0.0 MB/s, 0 rows");
    // A file that grew while it was read never shows more than 100%.
    EXPECT_EQ(ProgressLine::Text(1500, 1000, 1.0, 7), "--- 100% read, 0.0 MB/s, 7 rows");
}

TEST_F(ProgressLineTest, ShownOnlyAfterTheFirstSecondAndThenAtMostFourTimesASecond) {
    Start();
    At(999, 100000000);
    EXPECT_EQ(Terminal(), "");
    rows = 42;
    At(1000, 200000000);
    EXPECT_EQ(Terminal(), "\r--- 20% read, 200.0 MB/s, 42 rows");
    At(1249, 300000000);
    EXPECT_EQ(Terminal(), "\r--- 20% read, 200.0 MB/s, 42 rows");
    At(1250, 300000000);
    EXPECT_EQ(Terminal(), "\r--- 20% read, 200.0 MB/s, 42 rows\r--- 30% read, 240.0 MB/s, 42 rows");
}

TEST_F(ProgressLineTest, ALastStepIsToldAtFullInputOnlyOnceTheLineIsDue) {
    Start();
    now = SteadyTime{} + milliseconds(999);
    line.Finishing("writing the workbook");
    EXPECT_EQ(Terminal(), "");
    rows = 7;
    now = SteadyTime{} + milliseconds(2000);
    line.Finishing("writing the workbook");
    EXPECT_EQ(Terminal(), "\r--- 100% read, 500.0 MB/s, 7 rows; writing the workbook");
}

TEST_F(ProgressLineTest, MessagesWipeTheLineAndGoFirst) {
    Start();
    diagnostics.Append("--- opened out file trip.csv\n\n");
    At(1000, 100000000);
    // What waited in the buffer comes out before the line is drawn.
    EXPECT_EQ(Terminal(), "--- opened out file trip.csv\n\n\r--- 10% read, 100.0 MB/s, 0 rows");

    diagnostics.Append("*** WARNING: writing out unfinished packet\n");
    diagnostics.Flush();
    EXPECT_TRUE(Terminal().ends_with("0 rows" + Wipe(32) + "*** WARNING: writing out unfinished packet\n"))
        << Terminal();
    EXPECT_FALSE(line.Shown());

    At(1250, 125000000);
    EXPECT_TRUE(Terminal().ends_with("packet\n\r--- 12% read, 100.0 MB/s, 0 rows"));
}

TEST_F(ProgressLineTest, AShorterLineCoversALongerOneAndTheWipeCoversBoth) {
    Start(100000000000);
    rows = 1000000;
    At(1000, 10000000000);
    const std::string longer = "--- 10% read, 10000.0 MB/s, 1000000 rows";
    rows = 5;
    At(2000, 10000000000);
    const std::string shorter = "--- 10% read, 5000.0 MB/s, 5 rows";
    std::string twoDrawings = std::string("\r").append(longer).append("\r").append(shorter);
    twoDrawings.append(longer.size() - shorter.size(), ' ');
    EXPECT_EQ(Terminal(), twoDrawings);
    line.Stop();
    EXPECT_TRUE(Terminal().ends_with(Wipe(longer.size())));
}

TEST_F(ProgressLineTest, StopWipesOnceAndThenEverythingPassesUntouched) {
    Start();
    At(1000, 100000000);
    line.Stop();
    std::string shown = Terminal();
    EXPECT_TRUE(shown.ends_with("rows" + Wipe(32)));
    line.Stop();
    At(5000, 900000000);
    diagnostics.Append("*** FAIL: writing output file out.csv: No space left on device\n");
    diagnostics.Flush();
    EXPECT_EQ(Terminal(), shown + "*** FAIL: writing output file out.csv: No space left on device\n");
}

TEST_F(ProgressLineTest, NeverDrawnBehindAnUnfinishedLine) {
    Start();
    diagnostics.Append("*** ERROR: unable to read file");
    At(1000, 100000000);
    EXPECT_EQ(Terminal(), "*** ERROR: unable to read file");
    EXPECT_FALSE(line.Shown());
}

TEST_F(ProgressLineTest, PassesEverythingThroughBeforeStart) {
    At(5000, 100);
    diagnostics.Append("Velmor Drovane Raw Format Data Converter\n");
    diagnostics.Flush();
    EXPECT_EQ(Terminal(), "Velmor Drovane Raw Format Data Converter\n");
}

}  // namespace
}  // namespace drovane
