#include "summary/TripSummary.h"

#include <algorithm>
#include <cmath>

namespace drovane {
namespace {

// The integral of a series over the packets, in value-hours, by the trapezoid rule between the
// rows that carry a value; absent when no row does. `magnitude` counts reversing as ground covered.
std::optional<double> Integrate(std::span<const double> time, std::span<const double> values, double hoursPerPacket,
                                bool magnitude) {
    std::optional<double> total;
    double previousPacket = 0.0;
    double previousValue = 0.0;
    for (std::size_t row = 0; row < time.size(); ++row) {
        if (std::isnan(values[row])) continue;
        const double value = magnitude ? std::fabs(values[row]) : values[row];
        total = total ? *total + (previousValue + value) / 2.0 * (time[row] - previousPacket) * hoursPerPacket : 0.0;
        previousPacket = time[row];
        previousValue = value;
    }
    return total;
}

}  // namespace

TripSummary Summarize(const TripSeries& trip, double packetSeconds) {
    TripSummary summary;
    summary.rows = trip.time.size();
    if (summary.rows == 0) return summary;
    summary.firstPacket = trip.time.front();
    summary.lastPacket = trip.time.back();
    summary.seconds = (summary.lastPacket - summary.firstPacket + 1.0) * packetSeconds;

    const double hoursPerPacket = packetSeconds / 3600.0;
    summary.distance = Integrate(trip.time, trip.speed, hoursPerPacket, true);
    summary.fuelUsed = Integrate(trip.time, trip.fuelFlow, hoursPerPacket, false);
    for (double value : trip.speed) {
        if (!std::isnan(value)) summary.topSpeed = std::max(summary.topSpeed.value_or(value), value);
    }
    if (summary.distance && summary.fuelUsed && *summary.fuelUsed > 0.0) {
        summary.averageEconomy = *summary.distance / *summary.fuelUsed;
    }
    const std::vector<std::uint8_t> ev = HeldEvMode(trip.evMode);
    const auto evRows = std::count(ev.begin(), ev.end(), 1);
    summary.evShare = static_cast<double>(evRows) / static_cast<double>(summary.rows);
    return summary;
}

std::vector<std::uint8_t> HeldEvMode(std::span<const EvMode> evMode) {
    std::vector<std::uint8_t> held(evMode.size(), 0);
    bool on = false;
    for (std::size_t row = 0; row < held.size(); ++row) {
        if (evMode[row] != EvMode::Unknown) on = evMode[row] == EvMode::EV;
        held[row] = on ? 1 : 0;
    }
    return held;
}

std::string_view UnitOf(SummaryFigure figure, UnitSystem units) {
    const SummaryFigureDefinition& definition = kSummaryFigures.at(static_cast<std::size_t>(figure));
    return units == UnitSystem::US ? definition.usUnit : definition.metricUnit;
}

std::optional<double> ValueOf(const TripSummary& summary, SummaryFigure figure) {
    switch (figure) {
        case SummaryFigure::Duration: return summary.seconds;
        case SummaryFigure::Distance: return summary.distance;
        case SummaryFigure::TopSpeed: return summary.topSpeed;
        case SummaryFigure::FuelUsed: return summary.fuelUsed;
        case SummaryFigure::AverageEconomy: return summary.averageEconomy;
        case SummaryFigure::EvShare: return summary.evShare;
        case SummaryFigure::Packets: return summary.Packets();
        case SummaryFigure::Rows: return static_cast<double>(summary.rows);
    }
    return std::nullopt;
}

}  // namespace drovane
