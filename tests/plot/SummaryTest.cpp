#include <gtest/gtest.h>

#include "tools/plot/Summary.h"

namespace drovane::plot {
namespace {

// A trip with one row per listed packet, each at the same speed and fuel flow.
Trip SteadyTrip(const std::vector<double>& packets, double speed, double flow) {
    Trip trip;
    for (double packet : packets) {
        std::size_t row = trip.AddRow(packet);
        trip.Values(Series::Speed)[row] = speed;
        trip.Values(Series::FuelFlow)[row] = flow;
    }
    return trip;
}

TEST(Summary, IntegratesTheSpeedOverThePacketNumbers) {
    std::vector<double> packets;
    for (int p = 1; p <= 101; ++p) packets.push_back(p);
    // 100 packet steps of 0.1 s at 36 km/h: 10 s, 100 m.
    TripSummary summary = Summarize(SteadyTrip(packets, 36.0, 2.0), 0.1);
    EXPECT_EQ(summary.rows, 101u);
    EXPECT_DOUBLE_EQ(summary.firstPacket, 1);
    EXPECT_DOUBLE_EQ(summary.lastPacket, 101);
    ASSERT_TRUE(summary.distance.has_value());
    EXPECT_NEAR(*summary.distance, 0.1, 1e-12);
    ASSERT_TRUE(summary.averageEconomy.has_value());
    EXPECT_NEAR(*summary.averageEconomy, 18.0, 1e-12);
    // 2 L/h for 10 s, and the 101 packets last 10.1 s.
    ASSERT_TRUE(summary.fuelUsed.has_value());
    EXPECT_NEAR(*summary.fuelUsed, 2.0 * 10.0 / 3600.0, 1e-12);
    EXPECT_EQ(summary.topSpeed, 36.0);
    EXPECT_NEAR(summary.seconds, 10.1, 1e-12);
}

TEST(Summary, BridgesSkippedPacketsAndCountsReversing) {
    // Packets 1 and 11 (ten steps, one second at 0.1 s a packet), reversing at 36 km/h: 10 m.
    TripSummary summary = Summarize(SteadyTrip({1, 11}, -36.0, 1.0), 0.1);
    ASSERT_TRUE(summary.distance.has_value());
    EXPECT_NEAR(*summary.distance, 0.01, 1e-12);
}

TEST(Summary, AverageEconomyIsTotalDistanceOverTotalFuel) {
    Trip trip;
    // 100 km/h on 5 L/h (20 km/L), then 50 km/h on 0 L/h (999.9 in the CSV, not averaged in).
    for (int p = 1; p <= 4; ++p) {
        std::size_t row = trip.AddRow(p);
        trip.Values(Series::Speed)[row] = p <= 2 ? 100.0 : 50.0;
        trip.Values(Series::FuelFlow)[row] = p <= 2 ? 5.0 : 0.0;
        trip.Values(Series::Economy)[row] = p <= 2 ? 20.0 : 999.9;
    }
    TripSummary summary = Summarize(trip, 0.1);
    ASSERT_TRUE(summary.averageEconomy.has_value());
    EXPECT_DOUBLE_EQ(*summary.averageEconomy, 30.0);  // 300 / 10
}

TEST(Summary, SaysWhatTheRowsDoNotCarry) {
    Trip noSpeed;
    noSpeed.AddRow(1);
    noSpeed.evMode[0] = EvMode::EV;
    TripSummary summary = Summarize(noSpeed, 0.1);
    EXPECT_FALSE(summary.distance.has_value());
    EXPECT_FALSE(summary.averageEconomy.has_value());
    EXPECT_DOUBLE_EQ(summary.evShare, 1.0);
    EXPECT_FALSE(summary.fuelUsed.has_value());
    EXPECT_EQ(SummaryLine(summary, LabelsFor(UnitSystem::Metric), 0.1),
              "0:00 of driving  \u00B7  EV mode 100% of the time  \u00B7  1 row (packet 1, 100 ms a packet)");

    TripSummary electric = Summarize(SteadyTrip({1, 2, 3}, 20.0, 0.0), 0.1);
    EXPECT_FALSE(electric.averageEconomy.has_value());
    EXPECT_NE(SummaryLine(electric, LabelsFor(UnitSystem::Metric), 0.1).find("no fuel used"), std::string::npos);
}

TEST(Summary, LineUsesTheUnitsOfTheHeadings) {
    std::vector<double> packets;
    for (int p = 1; p <= 12001; ++p) packets.push_back(p);
    TripSummary summary = Summarize(SteadyTrip(packets, 30.0, 0.6), 0.1);
    EXPECT_EQ(SummaryLine(summary, LabelsFor(UnitSystem::US), 0.1),
              "20:00 of driving  \u00B7  10.0 mi  \u00B7  top speed 30 mph  \u00B7  0.20 gal of fuel  \u00B7  "
              "average 50.0 MPG  \u00B7  EV mode 0% of the time  \u00B7  12,001 rows (packets 1\u201312,001, 100 ms a "
              "packet)");
}

TEST(Summary, DurationsReadAsMinutesOrHours) {
    for (const auto& [seconds, text] : std::vector<std::pair<double, std::string>>{{0.0, "0:00"},
                                                                                   {59.6, "1:00"},
                                                                                   {600.0, "10:00"},
                                                                                   {3599.4, "59:59"},
                                                                                   {3600.0, "1:00:00"},
                                                                                   {7208.3, "2:00:08"},
                                                                                   {-1.0, "0:00"}}) {
        EXPECT_EQ(FormatDuration(seconds), text) << seconds;
    }
}

}  // namespace
}  // namespace drovane::plot
