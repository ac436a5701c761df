#include "summary/TripSummary.h"

#include <algorithm>
#include <cmath>

namespace drovane {
void TripSummarizer::Integral::Add(double packet, double value, double hoursPerPacket) {
    total = total ? *total + (previousValue + value) / 2.0 * (packet - previousPacket) * hoursPerPacket : 0.0;
    previousPacket = packet;
    previousValue = value;
}

void TripSummarizer::Add(double packet, double speed, double fuelFlow, EvMode evMode) {
    if (summary_.rows == 0) summary_.firstPacket = packet;
    summary_.lastPacket = packet;
    ++summary_.rows;
    // Reversing counts as ground covered.
    if (!std::isnan(speed)) {
        distance_.Add(packet, std::fabs(speed), hoursPerPacket_);
        summary_.topSpeed = std::max(summary_.topSpeed.value_or(speed), speed);
    }
    if (!std::isnan(fuelFlow)) fuel_.Add(packet, fuelFlow, hoursPerPacket_);
    if (evMode != EvMode::Unknown) evOn_ = evMode == EvMode::EV;
    evRows_ += evOn_ ? 1 : 0;
}

TripSummary TripSummarizer::Result() const {
    TripSummary summary = summary_;
    if (summary.rows == 0) return summary;
    summary.seconds = (summary.lastPacket - summary.firstPacket + 1.0) * packetSeconds_;
    summary.distance = distance_.total;
    summary.fuelUsed = fuel_.total;
    if (summary.distance && summary.fuelUsed && *summary.fuelUsed > 0.0) {
        summary.averageEconomy = *summary.distance / *summary.fuelUsed;
    }
    summary.evShare = static_cast<double>(evRows_) / static_cast<double>(summary.rows);
    return summary;
}

TripSummary Summarize(const TripSeries& trip, double packetSeconds) {
    TripSummarizer summarizer(packetSeconds);
    for (std::size_t row = 0; row < trip.time.size(); ++row) {
        summarizer.Add(trip.time[row], trip.speed[row], trip.fuelFlow[row], trip.evMode[row]);
    }
    return summarizer.Result();
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
