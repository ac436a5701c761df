// The platform layer on the system it is built for: an output file appears whole or not at all,
// and file status tells files, folders and names apart. Runs on Linux and, cross-built, under wine.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "platform/FileStatus.h"
#include "platform/WholeFile.h"
#include "support/TempDir.h"

namespace drovane::platform {
namespace {

using test::ReadFile;
using test::WriteFile;

// What a text file holds when read back as text: the system's line ends turned into "\n" again.
std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WholeFileTest : public ::testing::Test {
protected:
    // The names in the folder, hidden ones included.
    std::string Names() const {
        std::string names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            names += entry.path().filename().string() + " ";
        }
        return names;
    }
    static void Put(WholeFile& file, std::string_view text) {
        ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file.Stream()), text.size());
    }
    test::TempDir dir;
};

// The name shows the old file, or none, until the new one is kept; a file not kept leaves no trace.
TEST_F(WholeFileTest, TheNameShowsTheNewFileOnlyOnceItIsKept) {
    const std::string name = dir.File("trip.csv");
    for (bool existed : {false, true}) {
        for (bool kept : {false, true}) {
            std::filesystem::remove(name);
            if (existed) WriteFile(name, "old rows\n");
            {
                WholeFile file;
                ASSERT_EQ(file.Open(name, {}), 0);
                EXPECT_TRUE(file.WritesAside());
                Put(file, "new\nrows\n");
                EXPECT_EQ(file.Close(), 0);
                EXPECT_EQ(std::filesystem::exists(name), existed);
                EXPECT_EQ(ReadFile(name), existed ? "old rows\n" : "");
                if (kept) {
                    EXPECT_EQ(file.Keep(), 0);
                }
            }  // a file not kept is discarded as it goes
            std::string expected = kept ? "new\nrows\n" : existed ? "old rows\n" : "";
            EXPECT_EQ(ReadFile(name), expected) << existed << kept;
            EXPECT_EQ(Names(), kept || existed ? "trip.csv " : "") << existed << kept;
        }
    }
}

// Text has the system's line ends on the disc and reads back as written; bytes are kept as they
// are, line ends and the end-of-file byte of old text files included.
TEST_F(WholeFileTest, TextReadsBackAsWrittenAndBytesStayBytes) {
    const std::string text = "\"Time\",\"Voltage\"\n1,2\n";
    const std::string bytes("\x00\x20\x03\n\r\n\x1a\xff", 9);
    for (const auto& [name, payload, content] : {std::tuple{dir.File("text.csv"), text, FileContent::Text},
                                                 std::tuple{dir.File("raw.bin"), bytes, FileContent::Bytes}}) {
        WholeFile file;
        ASSERT_EQ(file.Open(name, {.content = content}), 0);
        Put(file, payload);
        ASSERT_EQ(file.Close(), 0);
        ASSERT_EQ(file.Keep(), 0);
    }
    EXPECT_EQ(ReadText(dir.File("text.csv")), text);
    EXPECT_EQ(ReadFile(dir.File("raw.bin")), bytes);
}

TEST_F(WholeFileTest, RefusedFilesAndFoldersAreLeftAlone) {
    const std::string name = dir.File("drive.bin");
    WriteFile(name, "a real drive");
    std::filesystem::create_directory(dir.File("folder"));
    WholeFile refused;
    EXPECT_EQ(refused.Open(name, {.existing = IfExists::Refuse}), EEXIST);
    WholeFile folder;
    EXPECT_EQ(folder.Open(dir.File("folder"), {}), EISDIR);
    WholeFile missingFolder;
    EXPECT_EQ(missingFolder.Open(dir.File("no/such.csv"), {}), ENOENT);
    EXPECT_EQ(ReadFile(name), "a real drive");
    EXPECT_EQ(Names(), "drive.bin folder ");
}

// Refusing also holds for a file that appears while the new one is written.
TEST_F(WholeFileTest, AFileThatAppearsMeanwhileIsNotReplacedWhenRefused) {
    const std::string name = dir.File("truth.csv");
    WholeFile file;
    ASSERT_EQ(file.Open(name, {.existing = IfExists::Refuse}), 0);
    Put(file, "rows\n");
    WriteFile(name, "somebody else's");
    ASSERT_EQ(file.Close(), 0);
    EXPECT_EQ(file.Keep(), EEXIST);
    EXPECT_EQ(ReadFile(name), "somebody else's");
    EXPECT_EQ(Names(), "truth.csv ");
}

TEST_F(WholeFileTest, StatusTellsFilesFoldersAndNamesApart) {
    WriteFile(dir.File("trip.bin"), std::string(1234, 'x'));
    WriteFile(dir.File("other.bin"), std::string(1234, 'x'));
    auto file = StatusOf(dir.File("trip.bin"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->kind, FileKind::Regular);
    EXPECT_EQ(file->size, 1234u);
    EXPECT_EQ(StatusOf(dir.Path().string())->kind, FileKind::Directory);
    errno = 0;
    EXPECT_FALSE(StatusOf(dir.File("missing.bin")));
    EXPECT_EQ(errno, ENOENT);

    std::FILE* open = std::fopen(dir.File("trip.bin").c_str(), "rb");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(StatusOf(open)->identity, file->identity);
    std::fclose(open);

    const std::string folder = dir.Path().string();
    EXPECT_TRUE(NameTheSameFile(folder + "/trip.bin", folder + "/./trip.bin"));
    EXPECT_FALSE(NameTheSameFile(folder + "/trip.bin", folder + "/other.bin"));
    EXPECT_TRUE(NameTheSameFile(folder + "/new.csv", folder + "/sub/../new.csv")) << "neither exists yet";
    EXPECT_FALSE(NameTheSameFile(folder + "/new.csv", folder + "/trip.bin"));
}

}  // namespace
}  // namespace drovane::platform
