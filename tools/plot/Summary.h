#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tools/plot/TripCsv.h"

// The one-line summary of a trip, under the picture's title and on standard output: what two
// drives are compared by.
namespace drovane::plot {

struct TripSummary {
    std::size_t rows = 0;
    double firstPacket = 0.0;
    double lastPacket = 0.0;
    double seconds = 0.0;  // the packets from the first to the last, each `packetSeconds` long
    // The vehicle speed integrated over the packets, in km or miles; absent when no row carries a
    // speed. Rows without a speed are bridged, as the speed message comes in almost every packet.
    std::optional<double> distance;
    std::optional<double> topSpeed;  // the highest speed, km/h or mph
    // The fuel flow integrated the same way, in litres or US gallons; absent when no row carries a
    // fuel flow.
    std::optional<double> fuelUsed;
    // Distance over fuel used; absent when either is missing or no fuel was used.
    std::optional<double> averageEconomy;
    double evShare = 0.0;  // the part of the rows in EV mode, the mode held between reports
};

// `packetSeconds` is the time one packet stands for.
TripSummary Summarize(const Trip& trip, double packetSeconds);

// The parts of the summary line, in order.
std::vector<std::string> SummaryParts(const TripSummary& summary, const UnitLabels& units, double packetSeconds);

// The parts joined: "10:00 of driving  ·  7.9 km  ·  top speed 98 km/h  ·  0.45 L of fuel  ·  average 17.6 km/L  ·
// EV mode 38% of the time  ·  6,000 rows (packets 1–6,000, 100 ms a packet)".
std::string SummaryLine(const TripSummary& summary, const UnitLabels& units, double packetSeconds);

// A length of time as m:ss, or h:mm:ss from an hour on.
std::string FormatDuration(double seconds);

}  // namespace drovane::plot
