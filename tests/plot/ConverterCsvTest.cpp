// What the converter writes, the plotter reads: raw logs converted in memory by drovane2csv's own
// code, in metric and US units, then read and drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "XmlCheck.h"
#include "convert/Conversion.h"
#include "support/Executable.h"
#include "support/LogBuilder.h"
#include "support/TempDir.h"
#include "tools/plot/SvgPlot.h"
#include "tools/plot/TripCsv.h"

namespace drovane::plot {
namespace {

// Three full cycles, then one whose 0x529 says "Denied" and which lacks the speed message.
std::string ThreeCyclesAndAPartOne() {
    drovane::test::LogBuilder log;
    log.FullCycle().FullCycle().FullCycle();
    log.Record(0x020)
        .Record(0x022, {0x02, 0x10, 0x01, 0xF0})
        .Record(0x023, {0x02, 0x05, 0x01, 0xFB})
        .Record(0x025, {0x00, 0x05, 0x0F, 0xFB})
        .Record(0x030, {0x80, 0, 0, 0, 128})
        .Record(0x038, {0, 25})
        .Record(0x03B, {0x0F, 0xFF, 0x01, 0x2C})
        .Record(0x3C8, {0, 0, 0x20, 0x00})
        .Record(0x529, {0, 0, 0, 0, 0x80})
        .Record(0x56D);
    return log.Text();
}

Trip Read(const std::string& csv) {
    std::istringstream in(csv);
    return ReadTrip(in, "converted.csv");
}

TEST(ConverterCsv, MetricOutputReadsBack) {
    RunOptions options;
    Trip trip = Read(ConvertBytes(ThreeCyclesAndAPartOne(), options).csv);
    EXPECT_EQ(trip.units, UnitSystem::Metric);
    ASSERT_EQ(trip.Rows(), 4u);
    EXPECT_EQ(trip.time, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_DOUBLE_EQ(trip.Values(Series::Speed)[0], 62.5);
    EXPECT_DOUBLE_EQ(trip.Values(Series::FuelFlow)[0], 2.5);
    EXPECT_DOUBLE_EQ(trip.Values(Series::Economy)[0], 25);
    EXPECT_DOUBLE_EQ(trip.Values(Series::EngineSpeed)[3], 1024);
    EXPECT_TRUE(std::isnan(trip.Values(Series::Speed)[3]));
    EXPECT_EQ(trip.evMode, (std::vector<EvMode>{EvMode::EV, EvMode::EV, EvMode::EV, EvMode::Other}));
    std::string svg = RenderSvg(trip, PlotOptions{});
    EXPECT_EQ(test::XmlProblem(svg), "");
    EXPECT_NE(svg.find(">km/h<"), std::string::npos);
}

TEST(ConverterCsv, USOutputReadsBackWithItsUnits) {
    RunOptions options;
    options.units = drovane::UnitSystem::US;
    Trip trip = Read(ConvertBytes(ThreeCyclesAndAPartOne(), options).csv);
    EXPECT_EQ(trip.units, UnitSystem::US);
    ASSERT_EQ(trip.Rows(), 4u);
    EXPECT_DOUBLE_EQ(trip.Values(Series::FuelFlow)[0], 0.66);
    EXPECT_DOUBLE_EQ(trip.Values(Series::Economy)[0], 58.8);
    std::string svg = RenderSvg(trip, PlotOptions{});
    EXPECT_EQ(test::XmlProblem(svg), "");
    EXPECT_NE(svg.find(">mph<"), std::string::npos);
    EXPECT_NE(svg.find(">MPG<"), std::string::npos);
}

// A converter CSV saved again by Python's csv module (nothing quoted, CR LF line ends) and by
// pandas (an index column, floats), then drawn by the program: the same drive as the original.
TEST(ConverterCsv, SavedAgainByPythonItDrawsTheSameDrive) {
    const char* python = "/usr/bin/python3";
    if (std::system("test -x /usr/bin/python3") != 0) GTEST_SKIP() << "/usr/bin/python3 is not installed";
    drovane::test::TempDir dir;
    RunOptions options;
    drovane::test::WriteFile(dir.File("trip.csv"), ConvertBytes(ThreeCyclesAndAPartOne(), options).csv);
    const std::string resave =
        "import csv, sys\n"
        "with open('trip.csv', newline='') as f: rows = list(csv.reader(f))\n"
        "with open('csv-module.csv', 'w', newline='') as f: csv.writer(f).writerows(rows)\n"
        "try:\n"
        "    import pandas\n"
        "except ImportError:\n"
        "    sys.exit(0)\n"
        "pandas.read_csv('trip.csv').to_csv('pandas.csv')\n";
    drovane::test::WriteFile(dir.File("resave.py"), resave);
    const auto saved = drovane::test::RunShell("cd '" + dir.Path().string() + "' && " + python + " resave.py", dir);
    ASSERT_EQ(saved.status, 0) << saved.standardError;
    ASSERT_NE(drovane::test::ReadFile(dir.File("csv-module.csv")).find("Time,Voltage,SOC %"), std::string::npos);

    // What the program prints after the picture's name: the summary of the drive.
    const auto summary = [&](const std::string& csv) {
        const std::string out = dir.File(csv + ".txt");
        const auto run = drovane::test::RunShell(
            std::string("'") + DROVANE_PLOT_PATH + "' '" + dir.File(csv) + "' > '" + out + "'", dir);
        EXPECT_EQ(run.status, 0) << csv << ": " << run.standardError;
        EXPECT_EQ(run.standardError, "") << csv;
        const std::string text = drovane::test::ReadFile(out);
        return text.substr(std::min(text.find(".svg: "), text.size()));
    };
    const std::string original = summary("trip.csv");
    EXPECT_NE(original.find("4 rows (packets 1\u20134"), std::string::npos) << original;
    EXPECT_EQ(summary("csv-module.csv"), original);
    if (!std::filesystem::exists(dir.File("pandas.csv"))) GTEST_SKIP() << "pandas (python3-pandas) is not installed";
    EXPECT_EQ(summary("pandas.csv"), original);
}

}  // namespace
}  // namespace drovane::plot
