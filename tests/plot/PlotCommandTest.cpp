#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "Fixtures.h"
#include "XmlCheck.h"
#include "support/Executable.h"
#include "support/TempDir.h"
#include "tools/plot/PlotCommand.h"
#include "tools/plot/SvgPlot.h"

namespace drovane::plot {
namespace {

namespace fs = std::filesystem;
using drovane::test::Quote;
using drovane::test::ReadFile;
using drovane::test::RunShell;
using drovane::test::TempDir;

class PlotCommand : public ::testing::Test {
protected:
    std::string File(const std::string& name, const std::string& content) const {
        std::string path = dir_.File(name);
        drovane::test::WriteFile(path, content);
        return path;
    }
    std::string Path(const std::string& name) const { return dir_.File(name); }

    // Runs the command in this process; returns its status, keeps what it printed.
    int Run(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        int status = RunPlotCommand(args, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    // Expects status 1 and one line on the error stream that contains `what`.
    void ExpectError(const std::vector<std::string>& args, const std::string& what) {
        EXPECT_EQ(Run(args), 1);
        EXPECT_EQ(err_.rfind("drovane-plot: error: ", 0), 0u) << err_;
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
        EXPECT_NE(err_.find(what), std::string::npos) << err_;
        EXPECT_EQ(out_, "");
    }

    TempDir dir_;
    std::string out_;
    std::string err_;
};

TEST(DefaultSvgName, ReplacesTheCsvExtension) {
    EXPECT_EQ(DefaultSvgName("trip.csv"), "trip.svg");
    EXPECT_EQ(DefaultSvgName("logs/day 1.CSV"), "logs/day 1.svg");
    EXPECT_EQ(DefaultSvgName("trip"), "trip.svg");
    EXPECT_EQ(DefaultSvgName("trip.svg"), "trip.svg.svg");
    EXPECT_EQ(DefaultSvgName("archive.tar"), "archive.tar.svg");
}

TEST_F(PlotCommand, WritesThePictureBesideTheCsv) {
    std::string csv = File("trip.csv", test::kMetricHeader + test::kMetricRows);
    ASSERT_EQ(Run({csv}), 0) << err_;
    EXPECT_EQ(err_, "");
    std::string svg = ReadFile(Path("trip.svg"));
    EXPECT_EQ(test::XmlProblem(svg), "");
    EXPECT_NE(svg.find("Drive: trip.csv"), std::string::npos);
    EXPECT_EQ(out_.rfind(Path("trip.svg") + ": 0:01 of driving", 0), 0u) << out_;
    EXPECT_NE(out_.find("4 rows (packets 1\u20135, 100 ms a packet)\n"), std::string::npos) << out_;
}

TEST_F(PlotCommand, WritesToTheNameGivenAndTakesThePacketTime) {
    std::string csv = File("us.csv", test::kUSHeader + test::kUSRows);
    ASSERT_EQ(Run({"--packet-ms", "250", csv, Path("picture.svg")}), 0) << err_;
    EXPECT_TRUE(fs::exists(Path("picture.svg")));
    EXPECT_FALSE(fs::exists(Path("us.svg")));
    EXPECT_NE(out_.find("2 rows (packets 1\u20132, 250 ms a packet)"), std::string::npos) << out_;
    ASSERT_EQ(Run({"--packet-ms=20", csv}), 0) << err_;
    EXPECT_TRUE(fs::exists(Path("us.svg")));
}

TEST_F(PlotCommand, HelpGoesToStandardOutput) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_EQ(out_.rfind("usage: drovane-plot", 0), 0u);
    EXPECT_EQ(err_, "");
}

TEST_F(PlotCommand, BadCommandLinesAreOneLineErrors) {
    ExpectError({}, "no CSV file given");
    ExpectError({"a.csv", "b.svg", "c"}, "too many file names");
    ExpectError({"--colour", "a.csv"}, "unknown option '--colour'");
    ExpectError({"--packet-ms", "0", "a.csv"}, "--packet-ms takes a number of milliseconds above 0, not '0'");
    ExpectError({"--packet-ms", "fast", "a.csv"}, "not 'fast'");
    ExpectError({"a.csv", "--packet-ms"}, "--packet-ms needs a number");
    std::string csv = File("same.csv", test::kMetricHeader + test::kMetricRows);
    ExpectError({csv, csv}, "the picture would overwrite the CSV");
}

TEST_F(PlotCommand, BadInputIsAOneLineErrorAndNoPicture) {
    ExpectError({Path("missing.csv")},
                "cannot open " + Path("missing.csv") + " for reading: No such file or directory");
    ExpectError({File("empty.csv", "")}, "empty.csv is empty");
    ExpectError({File("header.csv", test::kMetricHeader)}, "header.csv has the header row but no data rows");
    ExpectError({File("other.csv", "name,age\nann,4\n")}, "other.csv:1: not a drovane2csv CSV");
    ExpectError({File("cells.csv", test::kMetricHeader + "1,2,3\n")}, "cells.csv:2: the row has 3 cells, expected 35");
    ExpectError({File("words.csv", test::kMetricHeader + test::Row({{0, "1"}, {2, "full"}}))},
                "words.csv:2: column 3 (SOC %) holds 'full', which is not a number");
    for (const char* name : {"empty.svg", "header.svg", "other.svg", "cells.svg", "words.svg"}) {
        EXPECT_FALSE(fs::exists(Path(name))) << name;
    }
    std::string csv = File("ok.csv", test::kMetricHeader + test::kMetricRows);
    ExpectError({csv, Path("no-such-dir/x.svg")},
                "cannot open " + Path("no-such-dir/x.svg") + " for writing: No such file or directory");
}

TEST_F(PlotCommand, AnOldPictureIsReplacedWholeAndAnyOtherFileKeptWithoutForce) {
    std::string csv = File("trip.csv", test::kMetricHeader + test::kMetricRows);
    ASSERT_EQ(Run({csv}), 0) << err_;
    // The picture of another drive, saved with Windows line ends.
    std::string picture = ReadFile(Path("trip.svg"));
    std::string windows;
    for (char c : picture) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    struct Case {
        std::string old;
        bool replaced;
    };
    // A picture of an earlier version: no mark, the same style sheet.
    std::string earlier = picture;
    earlier.erase(earlier.find(kPictureMark), kPictureMark.size() + 1);
    for (const Case& c : {Case{windows, true}, Case{earlier, true}, Case{"", true}, Case{"an old picture", false},
                          Case{test::kMetricHeader + test::kMetricRows, false},
                          Case{std::string(kXmlDeclaration) + "\n<svg/>\n", false}}) {
        File("trip.svg", c.old);
        if (c.replaced) {
            ASSERT_EQ(Run({csv}), 0) << err_;
            EXPECT_EQ(ReadFile(Path("trip.svg")), picture);
        } else {
            ExpectError({csv}, "trip.svg exists and is not a picture of drovane-plot; use -f to overwrite it");
            EXPECT_EQ(err_.find("second name"), std::string::npos) << err_;
            EXPECT_EQ(ReadFile(Path("trip.svg")), c.old);
            ASSERT_EQ(Run({"-f", csv}), 0) << err_;
            EXPECT_EQ(ReadFile(Path("trip.svg")), picture);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()), 2) << "nothing left";
    }
}

TEST_F(PlotCommand, NumbersBeyondWhatTheSummaryCanAddUpAreRefused) {
    for (const auto& [cells, what] : std::vector<std::pair<std::map<int, std::string>, std::string>>{
             {{{0, "1e308"}}, "column 1 (Time) holds '1e308', beyond what the summary can add up (at most 1e+15"},
             {{{0, "2"}, {8, "-1e16"}}, "column 9 (Speed (km/h)) holds '-1e16', beyond"},
             {{{0, "2"}, {31, "1e308"}}, "column 32 (Fuel Flow (L/hr)) holds '1e308', beyond"}}) {
        ExpectError({File("big.csv", test::kMetricHeader + test::Row({{0, "1"}, {8, "50"}}) + test::Row(cells))},
                    "big.csv:3: " + what);
    }
    EXPECT_FALSE(fs::exists(Path("big.svg")));
    // Up to the limit the summary prints figures, not "inf" or a negative time.
    ASSERT_EQ(Run({File("edge.csv", test::kMetricHeader + test::Row({{0, "-1e15"}, {8, "1e15"}, {31, "1e15"}}) +
                                        test::Row({{0, "1e15"}, {8, "1e15"}, {31, "1e15"}}))}),
              0)
        << err_;
    EXPECT_EQ(out_.find("inf"), std::string::npos) << out_;
    EXPECT_NE(out_.find(".svg: 55555555555:33:20 of driving"), std::string::npos) << out_;
}

TEST_F(PlotCommand, TheProgramExitsWithOneOnBadInputAndNeverCrashes) {
    std::mt19937 random(8);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    std::string noise = File("noise.csv", garbage);
    std::string truncated = test::kMetricHeader + test::kMetricRows;
    truncated.resize(truncated.size() - 20);
    std::string cut = File("cut.csv", truncated);
    std::string good = File("good.csv", test::kMetricHeader + test::kMetricRows);
    struct Case {
        std::string args;
        int status;
        std::string message;  // the start of the one line on standard error, or "" for none
    };
    for (const Case& c :
         {Case{Quote(noise), 1, "drovane-plot: error: "}, Case{Quote(cut), 0, "drovane-plot: warning: "},
          Case{Quote(good), 0, ""}, Case{"", 1, "drovane-plot: error: "}, Case{"--help", 0, ""},
          Case{Quote(good) + " /dev/full", 1, "drovane-plot: error: cannot write /dev/full: No space"},
          Case{Quote(good) + " " + Quote(cut), 1, "drovane-plot: error: " + cut + " exists and is not a picture"}}) {
        std::string command = Quote(DROVANE_PLOT_PATH) + " " + c.args + " >/dev/null";
        drovane::test::ProcessResult result = RunShell(command, dir_);
        EXPECT_EQ(result.status, c.status) << command;
        const std::string& text = result.standardError;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), c.message.empty() ? 0 : 1) << text;
        EXPECT_EQ(text.rfind(c.message, 0), 0u) << text;
    }
}

// As a user runs it: a shell's glob, a raw log as the second name, and "-".
TEST_F(PlotCommand, TheProgramKeepsTheUsersFilesAndWritesDashToStandardOutput) {
    fs::create_directory(Path("trips"));
    const std::string mon = test::kMetricHeader + test::kMetricRows;
    const std::string tue = test::kUSHeader + test::kUSRows;
    const std::string log(110, '\x20');
    File("trips/mon.csv", mon);
    File("trips/tue.csv", tue);
    File("trips/mylog.bin", log);
    const std::string run = "cd " + Quote(Path("trips")) + " && " + Quote(DROVANE_PLOT_PATH) + " ";
    const auto names = [&] {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(Path("trips")))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    for (const char* args : {"*.csv", "mon.csv mylog.bin", "--packet-ms 50 -- mon.csv tue.csv"}) {
        drovane::test::ProcessResult result = RunShell(run + args + " >/dev/null", dir_);
        EXPECT_EQ(result.status, 1) << args;
        EXPECT_NE(result.standardError.find("is not a picture of drovane-plot; use -f to overwrite it (the second "
                                            "name is the picture's: drovane-plot draws one CSV a run)\n"),
                  std::string::npos)
            << result.standardError;
        EXPECT_EQ(ReadFile(Path("trips/tue.csv")), tue);
        EXPECT_EQ(ReadFile(Path("trips/mylog.bin")), log);
        EXPECT_EQ(names(), (std::vector<std::string>{"mon.csv", "mylog.bin", "tue.csv"})) << args;
    }
    drovane::test::ProcessResult result = RunShell(run + "mon.csv - > picture.svg", dir_);
    ASSERT_EQ(result.status, 0) << result.standardError;
    EXPECT_EQ(result.standardError.rfind("-: 0:01 of driving", 0), 0u) << result.standardError;
    EXPECT_EQ(test::XmlProblem(ReadFile(Path("trips/picture.svg"))), "");
    EXPECT_EQ(names(), (std::vector<std::string>{"mon.csv", "mylog.bin", "picture.svg", "tue.csv"}));
}

}  // namespace
}  // namespace drovane::plot
