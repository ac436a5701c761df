// What the converter writes, the plotter reads: raw logs converted in memory by drovane2csv's own
// code, in metric and US units, then read and drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "XmlCheck.h"
#include "convert/Conversion.h"
#include "support/LogBuilder.h"
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

}  // namespace
}  // namespace drovane::plot
