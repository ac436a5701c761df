// What a Windows user expects of files: the CSV is a text file with CR LF line ends, one file
// spelt two ways (case, "/" against "\", a second hard link) is one file, and devices such as NUL
// are written in place; names in every script; files in use, read-only and hidden ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/RunDriver.h"
#include "convert/Conversion.h"
#include "core/MemoryStreams.h"
#include "platform/ErrorText.h"
#include "platform/FileNames.h"
#include "platform/FileStatus.h"
#include "platform/ScratchFile.h"
#include "platform/Terminal.h"
#include "platform/WholeFile.h"
#include "platform/WindowsNames.h"
#include "platform/WindowsTemporaries.h"
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

// Names in UTF-8, as the programs hold them; the C++ library's own narrow names are the code page's.
std::filesystem::path PathOf(const std::string& name) { return std::u8string(name.begin(), name.end()); }
DWORD AttributesOf(const std::string& name) { return GetFileAttributesW(platform::WideName(name).c_str()); }

TEST_F(WindowsFiles, EveryNameOpensTheFileItNames) {
    // "α" has "a" as its best fit in code page 1252, "я" and "Ω" have none.
    const std::string other = test::LogBuilder().FullCycle().Text();
    test::WriteFile(dir.File("a.bin"), other);
    std::filesystem::create_directory(PathOf(dir.File("") + "über"));
    for (const std::string name : {"α.bin", "я.bin", "café.bin", "über\\Ωmega.bin"}) {
        std::ofstream(PathOf(dir.File("") + name), std::ios::binary) << Log();
        DriverRun run = RunWith({"-q", dir.File("") + name});
        EXPECT_EQ(run.status, kExitSuccess) << name << ": " << run.standardError;
        std::ifstream csv(PathOf(dir.File("") + name.substr(0, name.size() - 4) + ".csv"), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(csv), {}),
                  WithCrLf(ConvertBytes(Log(), RunOptions{}).csv));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.csv"))) << "a best-fit stand-in was converted";
    DriverRun missing = RunWith({"-q", dir.File("") + "ω.bin"});
    EXPECT_EQ(missing.standardError,
              "*** FAIL: opening input file " + dir.File("") + "ω.bin: No such file or directory\n");
}

TEST_F(WindowsFiles, TypedNamesLoseOnePairOfSurroundingQuotes) {
    const std::pair<std::string, std::string> cases[] = {
        {"\"C:\\Trip 1.bin\"", "C:\\Trip 1.bin"},
        {"\"\"x.bin\"\"", "\"x.bin\""},
        {"\"x.bin", "\"x.bin"},
        {"\"", "\""},
        {"Ωmega.bin", "Ωmega.bin"},
        {"a \"b\" c", "a \"b\" c"},
    };
    for (const auto& [typed, taken] : cases) EXPECT_EQ(platform::TypedName(typed), taken) << typed;
}

// The temporary file is hidden while it is written; the kept file has the attributes of the one it
// replaces, or none for a new one.
TEST_F(WindowsFiles, HiddenWhileWrittenAndAttributesKept) {
    for (const DWORD before : {DWORD{0}, DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE}}) {
        const std::string csv = dir.File("trip.csv");
        std::filesystem::remove(csv);
        if (before != 0) {
            test::WriteFile(csv, "old");
            SetFileAttributesW(platform::WideName(csv).c_str(), before);
        }
        platform::WholeFile file;
        ASSERT_EQ(file.Open(csv, {}), 0);
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            if (entry.path().filename().string().starts_with(".trip.csv.")) {
                EXPECT_NE(AttributesOf(entry.path().string()) & FILE_ATTRIBUTE_HIDDEN, 0u);
            }
        }
        ASSERT_EQ(file.Close(), 0);
        ASSERT_EQ(file.Keep(), 0);
        EXPECT_EQ(AttributesOf(csv) & FILE_ATTRIBUTE_HIDDEN, before & FILE_ATTRIBUTE_HIDDEN);
    }
}

// A file held open without sharing, and a read-only one, are refused before a byte is written, and
// -f does not lift either.
TEST_F(WindowsFiles, InUseAndReadOnlyOutputsAreRefusedUntouched) {
    const std::string in = dir.File("trip.bin");
    const std::string csv = dir.File("trip.csv");
    test::WriteFile(in, Log());
    test::WriteFile(csv, "old");
    HANDLE held = CreateFileW(platform::WideName(csv).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    for (const char* force : {"-q", "-f"}) {
        DriverRun run = RunWith({"-q", force, in});
        EXPECT_EQ(run.status, kExitFailure);
        EXPECT_EQ(run.standardError,
                  "*** FAIL: opening output file " + csv + ": " + platform::ErrorText(platform::kErrorInUse) + "\n");
    }
    CloseHandle(held);
    SetFileAttributesW(platform::WideName(csv).c_str(), FILE_ATTRIBUTE_READONLY);
    DriverRun readOnly = RunWith({"-f", "-q", in});
    EXPECT_EQ(readOnly.standardError,
              "*** FAIL: opening output file " + csv + ": " + platform::ErrorText(platform::kErrorReadOnly) + "\n");
    SetFileAttributesW(platform::WideName(csv).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test::ReadFile(csv), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "a temporary file was left";
}

// The workbook's scratch file: opened again by name as the C library opens it, removed when done
// with; one that an ended run left behind goes when the next is made, one in use stays.
TEST_F(WindowsFiles, ScratchFilesOpenByNameAndLeftoversGoWithTheNextRun) {
    const std::string leftover = platform::SystemTemporaryFolder() + "drovane-scratch.leftov";
    test::WriteFile(leftover, "left by an interrupted run");
    platform::ScratchFile inUse;
    ASSERT_EQ(inUse.Open(), 0);
    EXPECT_FALSE(std::filesystem::exists(PathOf(leftover)));
    std::FILE* library = std::fopen(inUse.Name().c_str(), "wb");
    ASSERT_NE(library, nullptr);
    std::fputs("PK", library);
    std::fclose(library);
    std::string name;
    {
        platform::ScratchFile next;
        ASSERT_EQ(next.Open(), 0);
        name = next.Name();
        EXPECT_TRUE(std::filesystem::exists(PathOf(inUse.Name())));
    }
    EXPECT_FALSE(std::filesystem::exists(PathOf(name)));
    std::FILE* copy = std::fopen(dir.File("copy.bin").c_str(), "w+b");
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(inUse.CopyTo(copy), 0);
    std::rewind(copy);
    char bytes[3] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, copy), 2u);
    EXPECT_STREQ(bytes, "PK");
    std::fclose(copy);
}

}  // namespace
}  // namespace drovane
