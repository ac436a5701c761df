#include "tools/plot/Summary.h"

#include <cmath>

#include "tools/plot/Axis.h"
#include "tools/plot/Text.h"

namespace drovane::plot {

TripSummary Summarize(const Trip& trip, double packetSeconds) {
    TripSummary summary;
    summary.rows = trip.Rows();
    if (summary.rows == 0) return summary;
    summary.firstPacket = trip.time.front();
    summary.lastPacket = trip.time.back();

    const std::vector<double>& speed = trip.Values(Series::Speed);
    const std::vector<double>& flow = trip.Values(Series::FuelFlow);
    double hours = packetSeconds / 3600.0;
    bool anySpeed = false;
    double distance = 0.0;
    double previousPacket = 0.0;
    double previousSpeed = 0.0;
    double speedSum = 0.0;
    double flowSum = 0.0;
    bool anyPair = false;
    std::vector<std::uint8_t> ev = HeldEvMode(trip);
    std::size_t evRows = 0;
    for (std::size_t row = 0; row < summary.rows; ++row) {
        evRows += ev[row];
        if (std::isnan(speed[row])) continue;
        double magnitude = std::fabs(speed[row]);  // reversing covers ground too
        if (anySpeed) distance += (previousSpeed + magnitude) / 2.0 * (trip.time[row] - previousPacket) * hours;
        anySpeed = true;
        previousPacket = trip.time[row];
        previousSpeed = magnitude;
        if (std::isnan(flow[row])) continue;
        anyPair = true;
        speedSum += magnitude;
        flowSum += flow[row];
    }
    if (anySpeed) summary.distance = distance;
    summary.fuelKnown = anyPair;
    if (anyPair) {
        summary.fuelUsed = flowSum > 0.0;
        if (summary.fuelUsed) summary.averageEconomy = speedSum / flowSum;
    }
    summary.evShare = static_cast<double>(evRows) / static_cast<double>(summary.rows);
    return summary;
}

std::string SummaryLine(const TripSummary& summary, const UnitLabels& units, double packetSeconds) {
    const std::string dot = "  \u00B7  ";
    std::string range = FormatGrouped(summary.firstPacket, 0);
    if (summary.lastPacket != summary.firstPacket) Append(range, "\u2013", FormatGrouped(summary.lastPacket, 0));
    std::string line = Cat(FormatGrouped(static_cast<double>(summary.rows), 0),
                           summary.rows == 1 ? " packet (" : " packets (", range, ")");
    if (summary.distance) {
        double d = *summary.distance;
        double ms = packetSeconds * 1000.0;
        Append(line, dot, "\u2248 ", FormatGrouped(d, d < 100.0 ? 1 : 0), " ", units.distance, " at ",
               FormatGrouped(ms, ms < 10.0 ? 1 : 0), " ms a packet");
    }
    if (summary.averageEconomy) {
        Append(line, dot, "average ", FormatGrouped(*summary.averageEconomy, 1), " ", units.economy);
    } else if (summary.fuelKnown) {
        Append(line, dot, "no fuel used");
    }
    Append(line, dot, "EV mode in ", FormatGrouped(summary.evShare * 100.0, 0), "% of packets");
    return line;
}

}  // namespace drovane::plot
