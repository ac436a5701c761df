// Synthesized drives converted by the real converter and compared with what the drive holds: the
// truth file cell by cell, the packet numbering, and the warnings the converter gives for damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "DriveSynthesizer.h"
#include "TruthColumns.h"

namespace drovane::synth {

void PrintTo(DamageKind kind, std::ostream* out) { *out << DamageKindName(kind); }

namespace {

namespace fs = std::filesystem;

struct Conversion {
    int status = -1;
    std::vector<std::string> lines;  // the CSV, header first
    std::string diagnostics;         // standard error
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1) {
        cells.push_back(line.substr(start, comma - start));
    }
    cells.push_back(line.substr(start));
    return cells;
}

std::int64_t Occurrences(const std::string& text, const std::string& what) {
    std::int64_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

class RoundTripTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::path(DROVANE_SYNTH_TEST_FOLDER) / (std::string(test->test_suite_name()) + "." + test->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }

    SynthesisReport Synthesize(const SynthSettings& settings) {
        FileSink log((folder_ / "drive.bin").string(), tools::ExistingFile::Refuse);
        FileSink truth((folder_ / "truth.csv").string(), tools::ExistingFile::Refuse);
        const SynthesisReport report = SynthesizeDrive(settings, log, &truth);
        log.Commit();
        truth.Commit();
        return report;
    }

    Conversion Convert(const std::string& unitOption) {
        const fs::path csv = folder_ / "drive.csv";
        const fs::path err = folder_ / "stderr.txt";
        const std::string command = std::string("\"") + DROVANE2CSV_PATH + "\" " + unitOption + " \"" +
                                    (folder_ / "drive.bin").string() + "\" \"" + csv.string() + "\" 2> \"" +
                                    err.string() + "\" < /dev/null";
        Conversion conversion;
        const int raw = std::system(command.c_str());
        conversion.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        conversion.lines = Lines(ReadFile(csv));
        conversion.diagnostics = ReadFile(err);
        return conversion;
    }

    std::vector<std::string> Truth() const { return Lines(ReadFile(folder_ / "truth.csv")); }

    // Every truth row must be in the conversion under the same packet number, every cell equal.
    static void ExpectTruthRowsIn(const std::vector<std::string>& truth, const Conversion& conversion,
                                  UnitSystem units) {
        ASSERT_FALSE(truth.empty());
        ASSERT_FALSE(conversion.lines.empty());
        EXPECT_EQ(conversion.lines.front(), truth.front()) << "header row";
        std::map<std::string, const std::string*> byPacket;
        for (std::size_t i = 1; i < conversion.lines.size(); ++i) {
            byPacket[Cells(conversion.lines[i]).front()] = &conversion.lines[i];
        }
        int mismatches = 0;
        for (std::size_t i = 1; i < truth.size() && mismatches < 5; ++i) {
            const auto expected = Cells(truth[i]);
            const auto found = byPacket.find(expected.front());
            if (found == byPacket.end()) {
                ADD_FAILURE() << "no row for packet " << expected.front();
                ++mismatches;
                continue;
            }
            const auto got = Cells(*found->second);
            ASSERT_EQ(got.size(), expected.size()) << *found->second;
            for (std::size_t column = 0; column < expected.size(); ++column) {
                if (got[column] == expected[column]) continue;
                ADD_FAILURE() << "packet " << expected.front() << ", column \""
                              << truth::ColumnName(static_cast<int>(column), units) << "\": expected \""
                              << expected[column] << "\", got \"" << got[column] << "\"";
                ++mismatches;
            }
        }
    }

    static void ExpectWarnings(const Conversion& conversion, const ExpectedConversion& expected) {
        const std::string& text = conversion.diagnostics;
        EXPECT_EQ(Occurrences(text, "*** WARNING: skipped bad packet, writing out unfinished packet\n"),
                  expected.skippedBadPackets);
        EXPECT_EQ(Occurrences(text, "*** WARNING: writing out unfinished packet\n"), expected.unfinishedPackets);
        EXPECT_EQ(Occurrences(text, "*** WARNING: skipping data packet, "), expected.sparsePackets);
        EXPECT_EQ(Occurrences(text, "*** WARNING: bad data, field out of range, "), expected.outOfRangeValues);
        EXPECT_EQ(static_cast<std::int64_t>(conversion.lines.size()) - 1, expected.rows);
        if (expected.rows > 0) {
            EXPECT_LE(std::stoll(Cells(conversion.lines.back()).front()), expected.packets);
        }
    }

    fs::path folder_;
};

struct UnitCase {
    UnitSystem units;
    const char* option;
};

void PrintTo(const UnitCase& unitCase, std::ostream* out) { *out << "converter option \"" << unitCase.option << '"'; }

class CleanRoundTripTest : public RoundTripTest, public ::testing::WithParamInterface<UnitCase> {};

TEST_P(CleanRoundTripTest, EveryCellEqualsTheDrive) {
    SynthSettings settings;
    settings.seed = 11;
    settings.cycles = 1500;
    settings.units = GetParam().units;
    const SynthesisReport report = Synthesize(settings);
    const Conversion conversion = Convert(GetParam().option);
    ASSERT_EQ(conversion.status, 0) << conversion.diagnostics;
    const auto truth = Truth();
    EXPECT_EQ(conversion.lines.size(), truth.size());
    EXPECT_EQ(report.expected.rows, 1500);
    ExpectTruthRowsIn(truth, conversion, settings.units);
    EXPECT_EQ(conversion.diagnostics.find("WARNING"), std::string::npos) << conversion.diagnostics;
}

INSTANTIATE_TEST_SUITE_P(Units, CleanRoundTripTest,
                         ::testing::Values(UnitCase{UnitSystem::Metric, ""}, UnitCase{UnitSystem::US, "-US"},
                                           UnitCase{UnitSystem::Metric, "-UK"}),
                         [](const auto& param) {
                             return std::string(param.index == 0 ? "Metric" : param.index == 1 ? "Us" : "Uk");
                         });

class DamagedRoundTripTest : public RoundTripTest, public ::testing::WithParamInterface<UnitCase> {};

TEST_P(DamagedRoundTripTest, UndamagedCyclesSurviveAndDamageIsReported) {
    SynthSettings settings;
    settings.seed = 23;
    settings.cycles = 2000;
    settings.damage.rate = 0.05;
    settings.units = GetParam().units;
    const SynthesisReport report = Synthesize(settings);
    ASSERT_GT(report.damage.Total(), 50);
    const Conversion conversion = Convert(GetParam().option);
    ASSERT_EQ(conversion.status, 0) << conversion.diagnostics;
    ExpectTruthRowsIn(Truth(), conversion, settings.units);
    ExpectWarnings(conversion, report.expected);
    EXPECT_GT(report.expected.intactRows, 1800);
}

TEST_F(RoundTripTest, AHarshDamagedDriveConvertsToItsTruth) {
    SynthSettings settings;
    settings.seed = 29;
    settings.cycles = 2000;
    settings.damage.rate = 0.05;
    settings.harsh = true;
    const SynthesisReport report = Synthesize(settings);
    const Conversion conversion = Convert("");
    ASSERT_EQ(conversion.status, 0) << conversion.diagnostics;
    ExpectTruthRowsIn(Truth(), conversion, settings.units);
    ExpectWarnings(conversion, report.expected);
    EXPECT_GT(report.expected.intactRows, 1800);
}

INSTANTIATE_TEST_SUITE_P(Units, DamagedRoundTripTest,
                         ::testing::Values(UnitCase{UnitSystem::Metric, ""}, UnitCase{UnitSystem::US, "-US"}),
                         [](const auto& param) { return std::string(param.index == 0 ? "Metric" : "Us"); });

class DamageKindRoundTripTest : public RoundTripTest, public ::testing::WithParamInterface<DamageKind> {};

TEST_P(DamageKindRoundTripTest, ConvertsWithTheAssemblersWarnings) {
    SynthSettings settings;
    settings.seed = 31;
    settings.cycles = 1000;
    settings.damage.rate = 0.2;
    settings.damage.kinds = DamageKinds::None().Add(GetParam());
    const SynthesisReport report = Synthesize(settings);
    const Conversion conversion = Convert("");
    ASSERT_EQ(conversion.status, 0) << conversion.diagnostics;
    ExpectTruthRowsIn(Truth(), conversion, settings.units);
    ExpectWarnings(conversion, report.expected);
    const ExpectedConversion& expected = report.expected;
    switch (GetParam()) {
        case DamageKind::Junk:
            EXPECT_GT(report.damage.longJunk, 0);
            EXPECT_GT(expected.skippedBadPackets, 0);
            EXPECT_EQ(expected.intactRows, 1000);  // junk between cycles spoils none
            break;
        case DamageKind::Unknown:
            EXPECT_GT(report.damage.longUnknown, 0);
            EXPECT_GT(expected.skippedBadPackets, 0);
            break;
        case DamageKind::LostEnd: EXPECT_GT(expected.unfinishedPackets, 100); break;
        case DamageKind::BitFlip: EXPECT_LT(expected.intactRows, 900); break;
        case DamageKind::Cut: EXPECT_EQ(expected.packets, 999); break;
        default: break;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamageKindRoundTripTest,
                         ::testing::Values(DamageKind::Junk, DamageKind::Unknown, DamageKind::LostEnd,
                                           DamageKind::BitFlip, DamageKind::Cut),
                         [](const auto& param) {
                             std::string name(DamageKindName(param.param));
                             std::erase(name, '-');
                             return name;
                         });

// The README's first command: the sample script makes test_raw.bin and lets the converter, run
// with no arguments and an empty reply, name its output test_raw.csv. It makes the sample again
// over its own files, and never over a user's test_raw.bin or test_raw.csv.
TEST_F(RoundTripTest, TheSampleScriptConvertsTheDefaultDriveAndKeepsAUsersLog) {
    const fs::path output = folder_ / ".." / (folder_.filename().string() + ".txt");
    const std::string command = std::string("bash \"") + DROVANE_SOURCE_DIR + "/tools/run-sample.sh\" \"" +
                                DROVANE_SYNTH_PATH + "\" \"" + DROVANE2CSV_PATH + "\" \"" + folder_.string() +
                                "\" > \"" + output.string() + "\" 2>&1";
    const auto names = [&] {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder_)) found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::vector<std::string> sample{"test_raw.bin", "test_raw.csv"};
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(output);
    const auto csv = Lines(ReadFile(folder_ / "test_raw.csv"));
    EXPECT_EQ(csv.size(), 6001U);
    const std::string shown = ReadFile(output);
    EXPECT_NE(shown.find("Enter input filename: "), std::string::npos);
    EXPECT_NE(shown.find(csv.at(1)), std::string::npos) << "the first data row is shown";
    EXPECT_EQ(names(), sample);
    const std::string sampleLog = ReadFile(folder_ / "test_raw.bin");
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(output);
    EXPECT_EQ(ReadFile(folder_ / "test_raw.bin"), sampleLog);
    // A user's log, alone or with its CSV, or a CSV of another drive: both files stay as they are.
    const std::string userLog = sampleLog.substr(0, sampleLog.size() / 2);
    const std::string userCsv = ReadFile(folder_ / "test_raw.csv").substr(0, 2000);
    struct Case {
        const char* log;  // nullptr: none
        const char* csv;
    };
    for (const Case& c :
         {Case{userLog.c_str(), nullptr}, Case{userLog.c_str(), userCsv.c_str()}, Case{nullptr, userCsv.c_str()}}) {
        fs::remove(folder_ / "test_raw.bin");
        fs::remove(folder_ / "test_raw.csv");
        if (c.log != nullptr) std::ofstream(folder_ / "test_raw.bin", std::ios::binary) << c.log;
        if (c.csv != nullptr) std::ofstream(folder_ / "test_raw.csv", std::ios::binary) << c.csv;
        const std::vector<std::string> before = names();
        EXPECT_NE(std::system(command.c_str()), 0) << ReadFile(output);
        EXPECT_NE(ReadFile(output).find("is not the sample drive's, so test_raw.bin and test_raw.csv"),
                  std::string::npos)
            << ReadFile(output);
        if (c.log != nullptr) {
            EXPECT_EQ(ReadFile(folder_ / "test_raw.bin"), c.log);
        }
        if (c.csv != nullptr) {
            EXPECT_EQ(ReadFile(folder_ / "test_raw.csv"), c.csv);
        }
        EXPECT_EQ(names(), before) << "nothing made, nothing left";
    }
}

// The synthesizer keeps what stands under its output names, run as a user runs it.
class SynthCommandTest : public RoundTripTest {
protected:
    // Runs drovane-synth in the test's folder; returns the exit status and keeps standard error.
    int RunSynth(const std::string& arguments) {
        const std::string command = "cd \"" + folder_.string() + "\" && \"" + DROVANE_SYNTH_PATH + "\" " + arguments +
                                    " > /dev/null 2> stderr.txt";
        const int raw = std::system(command.c_str());
        errors_ = ReadFile(folder_ / "stderr.txt");
        fs::remove(folder_ / "stderr.txt");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // The names in the folder, hidden ones included.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }

    std::string errors_;
};

TEST_F(SynthCommandTest, RefusesWhatStandsUnderItsNamesWithoutForce) {
    struct Case {
        const char* arguments;
        const char* message;
    };
    for (const Case& c : {
             Case{"--cycles 20 drive.bin", "drovane-synth: drive.bin exists; give --force to replace it\n"},
             Case{"--cycles 20 --truth old.csv new.bin", "drovane-synth: old.csv exists; give --force to replace it\n"},
             Case{"--cycles 20 --truth ./drive.bin drive.bin --force",
                  "drovane-synth: the truth file would be the log itself: ./drive.bin\n"},
             Case{"--bogus", "drovane-synth: unknown option: --bogus\n(see drovane-synth --help)\n"},
             Case{"-f drive.bin", "drovane-synth: unknown option: -f\n(see drovane-synth --help)\n"},
             Case{"--cycles 20 -- drive.bin", "drovane-synth: drive.bin exists; give --force to replace it\n"},
         }) {
        Write("drive.bin", "a real drive");
        Write("old.csv", "checked rows");
        EXPECT_EQ(RunSynth(c.arguments), 2) << c.arguments;
        EXPECT_EQ(errors_, c.message) << c.arguments;
        EXPECT_EQ(ReadFile(folder_ / "drive.bin"), "a real drive") << c.arguments;
        EXPECT_EQ(ReadFile(folder_ / "old.csv"), "checked rows") << c.arguments;
        EXPECT_EQ(Names(), (std::vector<std::string>{"drive.bin", "old.csv"})) << c.arguments;
    }
}

TEST_F(SynthCommandTest, ForceReplacesTheFileBehindALinkAndKeepsItsMode) {
    Write("drive.bin", "a real drive");
    fs::permissions(folder_ / "drive.bin", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("drive.bin", folder_ / "link.bin");
    ASSERT_EQ(RunSynth("--cycles 20 --force --truth truth.csv link.bin"), 0) << errors_;
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.bin"));
    EXPECT_GT(fs::file_size(folder_ / "drive.bin"), 20U * 200U);
    EXPECT_EQ(fs::status(folder_ / "drive.bin").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A new file gets 0666 less the umask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(folder_ / "truth.csv").permissions() & fs::perms::all), 0666 & ~mask);
    EXPECT_EQ(Names(), (std::vector<std::string>{"drive.bin", "link.bin", "truth.csv"}));
    // A file under two names is written where it stands, so both names see the new drive.
    fs::create_hard_link(folder_ / "drive.bin", folder_ / "twin.bin");
    ASSERT_EQ(RunSynth("--cycles 10 --force drive.bin"), 0) << errors_;
    EXPECT_EQ(fs::hard_link_count(folder_ / "drive.bin"), 2U);
    EXPECT_EQ(ReadFile(folder_ / "twin.bin"), ReadFile(folder_ / "drive.bin"));
    EXPECT_LT(fs::file_size(folder_ / "twin.bin"), 20U * 200U);
}

TEST_F(SynthCommandTest, DashWritesTheLogToStandardOutput) {
    Write("drive.bin", "a real drive");
    const std::string synth = "cd \"" + folder_.string() + "\" && \"" + DROVANE_SYNTH_PATH + "\" --cycles 20 ";
    ASSERT_EQ(std::system((synth + "- > piped.bin 2> summary.txt").c_str()), 0);
    ASSERT_EQ(std::system((synth + "-- -named.bin > /dev/null").c_str()), 0);
    EXPECT_EQ(ReadFile(folder_ / "piped.bin"), ReadFile(folder_ / "-named.bin"));
    EXPECT_EQ(ReadFile(folder_ / "summary.txt").rfind("drovane-synth: -: 20 cycles", 0), 0U);
    EXPECT_EQ(ReadFile(folder_ / "drive.bin"), "a real drive");
    EXPECT_EQ(Names(), (std::vector<std::string>{"-named.bin", "drive.bin", "piped.bin", "summary.txt"}));
}

TEST_F(SynthCommandTest, AFullDiscIsReportedWithStatusOne) {
    struct stat device {};
    if (::stat("/dev/full", &device) != 0 || !S_ISCHR(device.st_mode))
        GTEST_SKIP() << "/dev/full is no character device";
    EXPECT_EQ(RunSynth("--cycles 20 /dev/full"), 1);
    EXPECT_EQ(errors_, "drovane-synth: cannot write /dev/full: No space left on device\n");
}

TEST_F(SynthCommandTest, ASignalLeavesTheOldFileAndNoTemporaryFile) {
    Write("drive.bin", "a real drive");
    // Stopped once its temporary file is there, long before 4000 MiB are written.
    const std::string command =
        "cd \"" + folder_.string() + "\" && { \"" + DROVANE_SYNTH_PATH +
        "\" --megabytes 4000 --force drive.bin > /dev/null & pid=$!; "
        "for i in $(seq 200); do ls .drive.bin.?????? >/dev/null 2>&1 && break; sleep 0.05; done; "
        "kill -TERM $pid; wait $pid; exit $?; } 2>/dev/null";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 128 + SIGTERM);
    EXPECT_EQ(ReadFile(folder_ / "drive.bin"), "a real drive");
    EXPECT_EQ(Names(), (std::vector<std::string>{"drive.bin"}));
}

}  // namespace
}  // namespace drovane::synth
