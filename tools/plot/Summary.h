#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "tools/plot/TripCsv.h"

// The one-line summary of a trip shown under the picture's title.
namespace drovane::plot {

struct TripSummary {
    std::size_t rows = 0;
    double firstPacket = 0.0;
    double lastPacket = 0.0;
    // Integrated from the vehicle speed over the packet numbers, in km or miles; absent when no
    // row carries a speed.
    std::optional<double> distance;
    // Total distance over total fuel (the sum of the speeds over the sum of the fuel flows, which
    // needs no packet period), over the rows that carry both; absent when no row does.
    std::optional<double> averageEconomy;
    bool fuelKnown = false;  // some row carries both a speed and a fuel flow
    bool fuelUsed = false;   // and some of those show a fuel flow above zero
    double evShare = 0.0;    // the part of the rows in EV mode, the mode held between reports
};

// `packetSeconds` is the time one packet stands for, used only for the distance.
TripSummary Summarize(const Trip& trip, double packetSeconds);

// "6,000 packets (1–6,000) · 7.9 km at 100 ms a packet · average 21.3 km/L · EV mode in 38%".
std::string SummaryLine(const TripSummary& summary, const UnitLabels& units, double packetSeconds);

}  // namespace drovane::plot
