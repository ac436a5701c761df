#include "tools/plot/Summary.h"

#include <algorithm>
#include <cmath>

#include "tools/plot/Axis.h"
#include "tools/plot/Text.h"

namespace drovane::plot {
namespace {

// The integral of a series over the packets, in value-hours, by the trapezoid rule between the
// rows that carry a value; absent when no row does. `magnitude` counts reversing as ground covered.
std::optional<double> Integrate(const Trip& trip, const std::vector<double>& values, double hoursPerPacket,
                                bool magnitude) {
    std::optional<double> total;
    double previousPacket = 0.0;
    double previousValue = 0.0;
    for (std::size_t row = 0; row < trip.Rows(); ++row) {
        if (std::isnan(values[row])) continue;
        const double value = magnitude ? std::fabs(values[row]) : values[row];
        total =
            total ? *total + (previousValue + value) / 2.0 * (trip.time[row] - previousPacket) * hoursPerPacket : 0.0;
        previousPacket = trip.time[row];
        previousValue = value;
    }
    return total;
}

}  // namespace

TripSummary Summarize(const Trip& trip, double packetSeconds) {
    TripSummary summary;
    summary.rows = trip.Rows();
    if (summary.rows == 0) return summary;
    summary.firstPacket = trip.time.front();
    summary.lastPacket = trip.time.back();
    summary.seconds = (summary.lastPacket - summary.firstPacket + 1.0) * packetSeconds;

    const double hoursPerPacket = packetSeconds / 3600.0;
    const std::vector<double>& speed = trip.Values(Series::Speed);
    summary.distance = Integrate(trip, speed, hoursPerPacket, true);
    summary.fuelUsed = Integrate(trip, trip.Values(Series::FuelFlow), hoursPerPacket, false);
    for (double value : speed) {
        if (!std::isnan(value)) summary.topSpeed = std::max(summary.topSpeed.value_or(value), value);
    }
    if (summary.distance && summary.fuelUsed && *summary.fuelUsed > 0.0) {
        summary.averageEconomy = *summary.distance / *summary.fuelUsed;
    }
    const std::vector<std::uint8_t> ev = HeldEvMode(trip);
    const auto evRows = std::count(ev.begin(), ev.end(), 1);
    summary.evShare = static_cast<double>(evRows) / static_cast<double>(summary.rows);
    return summary;
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
