#include "tools/plot/Summary.h"

#include <algorithm>
#include <cmath>

#include "tools/plot/Axis.h"
#include "tools/plot/Text.h"

namespace drovane::plot {

TripSummary Summarize(const Trip& trip, double packetSeconds) {
    return drovane::Summarize({.time = trip.time,
                               .speed = trip.Values(Series::Speed),
                               .fuelFlow = trip.Values(Series::FuelFlow),
                               .evMode = trip.evMode},
                              packetSeconds);
}

std::string FormatDuration(double seconds) {
    const auto whole = static_cast<long long>(std::llround(std::max(seconds, 0.0)));
    const auto two = [](long long n) { return Cat(n < 10 ? "0" : "", std::to_string(n)); };
    if (whole < 3600) return Cat(std::to_string(whole / 60), ":", two(whole % 60));
    return Cat(std::to_string(whole / 3600), ":", two(whole / 60 % 60), ":", two(whole % 60));
}

std::vector<std::string> SummaryParts(const TripSummary& summary, const UnitLabels& units, double packetSeconds) {
    std::vector<std::string> parts{Cat(FormatDuration(summary.seconds), " of driving")};
    if (summary.distance) {
        const double d = *summary.distance;
        parts.push_back(Cat(FormatGrouped(d, d < 100.0 ? 1 : 0), " ", units.distance));
    }
    if (summary.topSpeed) parts.push_back(Cat("top speed ", FormatGrouped(*summary.topSpeed, 0), " ", units.speed));
    if (summary.fuelUsed) {
        parts.push_back(*summary.fuelUsed > 0.0 ? Cat(FormatGrouped(*summary.fuelUsed, *summary.fuelUsed < 0.1 ? 3 : 2),
                                                      " ", units.fuel, " of fuel")
                                                : std::string("no fuel used"));
    }
    if (summary.averageEconomy) {
        parts.push_back(Cat("average ", FormatGrouped(*summary.averageEconomy, 1), " ", units.economy));
    }
    parts.push_back(Cat("EV mode ", FormatGrouped(summary.evShare * 100.0, 0), "% of the time"));
    // The rows are counted; the packets, skipped ones included, only spanned.
    std::string range = FormatGrouped(summary.firstPacket, 0);
    const bool onePacket = summary.lastPacket == summary.firstPacket;
    if (!onePacket) Append(range, "\u2013", FormatGrouped(summary.lastPacket, 0));
    const double ms = packetSeconds * 1000.0;
    parts.push_back(Cat(FormatGrouped(static_cast<double>(summary.rows), 0), summary.rows == 1 ? " row (" : " rows (",
                        onePacket ? "packet " : "packets ", range, ", ", FormatGrouped(ms, ms < 10.0 ? 1 : 0),
                        " ms a packet)"));
    return parts;
}

std::string SummaryLine(const TripSummary& summary, const UnitLabels& units, double packetSeconds) {
    std::string line;
    for (const std::string& part : SummaryParts(summary, units, packetSeconds)) {
        Append(line, line.empty() ? "" : "  \u00B7  ", part);
    }
    return line;
}

}  // namespace drovane::plot
