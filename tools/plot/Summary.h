#pragma once
#include <string>
#include <vector>

#include "summary/TripSummary.h"
#include "tools/plot/TripCsv.h"

// The one-line summary of a trip, under the picture's title and on standard output: what two
// drives are compared by.
namespace drovane::plot {

// The figures themselves come from the one trip summary (summary/TripSummary.h); this is their line.
using drovane::TripSummary;

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
