// What a Windows user expects of files: the CSV is a text file with CR LF line ends, one file
// spelt two ways (case, "/" against "\", a second hard link) is one file, and devices such as NUL
// are written in place.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/RunDriver.h"
#include "convert/Conversion.h"
#include "core/MemoryStreams.h"
#include "platform/FileStatus.h"
#include "platform/Terminal.h"
#include "platform/WholeFile.h"
#include "support/LogBuilder.h"
#include "support/TempDir.h"

namespace drovane {
namespace {

struct DriverRun {
    int status;
    std::string standardError;
};

DriverRun RunWith(std::vector<std::string_view> arguments) {
    std::istringstream input;
    StringOutputSink standardOutput;
    StringOutputSink standardError;
    Console console{input, standardOutput, standardError};
    int status = RunDriver(arguments, console);
    return {status, standardError.Text()};
}

std::string WithCrLf(const std::string& text) {
    std::string converted;
    for (char c : text) converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return converted;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class WindowsFiles : public ::testing::Test {
protected:
    std::string Log() const { return test::LogBuilder().FullCycle().FullCycle().Text(); }
    test::TempDir dir;
};

TEST_F(WindowsFiles, TheCsvHasCrLfLineEnds) {
    test::WriteFile(dir.File("trip.bin"), Log());
    DriverRun run = RunWith({"-q", dir.File("trip.bin")});
    EXPECT_EQ(run.status, kExitSuccess) << run.standardError;
    EXPECT_EQ(test::ReadFile(dir.File("trip.csv")), WithCrLf(ConvertBytes(Log(), RunOptions{}).csv));
}

TEST_F(WindowsFiles, TheInputUnderAnotherSpellingIsNoOutput) {
    const std::string in = dir.File("trip.bin");
    test::WriteFile(in, Log());
    std::filesystem::create_hard_link(in, dir.File("hard.bin"));
    std::string slashes = in;
    for (char& c : slashes) c = c == '\\' ? '/' : c;
    for (const std::string& out : {Upper(in), slashes, dir.File("TRIP.bin"), dir.File("hard.bin")}) {
        DriverRun run = RunWith({"-q", in, out});
        EXPECT_EQ(run.status, kExitFailure) << out;
        EXPECT_EQ(run.standardError, "*** FAIL: output file " + out + " is the same file as the input\n");
        EXPECT_EQ(test::ReadFile(in), Log()) << out;
    }
    EXPECT_TRUE(platform::NameTheSameFile(dir.File("new.csv"), Upper(dir.File("sub/../NEW.CSV"))))
        << "files that do not exist yet, spelt two ways";
}

TEST_F(WindowsFiles, TheDeviceNulIsWrittenInPlaceAndIsNoTerminal) {
    EXPECT_EQ(platform::StatusOf("NUL")->kind, platform::FileKind::Other);
    platform::WholeFile nul;
    ASSERT_EQ(nul.Open("NUL", {.content = platform::FileContent::Text}), 0);
    EXPECT_FALSE(nul.WritesAside());
    EXPECT_FALSE(platform::IsTerminal(nul.Stream()));
    EXPECT_GE(std::fputs("rows\n", nul.Stream()), 0);
    EXPECT_EQ(nul.Close(), 0);
    EXPECT_EQ(nul.Keep(), 0);
}

}  // namespace
}  // namespace drovane
