#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/RunOptions.h"

// The trip at a glance: the figures of a converted drive that drovane-plot prints under its
// picture, the Python module returns as a dict and the fleet table gives a row. Computed here
// only, from the columns of the conversion, so that every place shows the same figures.
namespace drovane {

// The EV Mode cell of a row: empty (the packet had no EV mode message), "EV", or another word.
enum class EvMode : std::uint8_t { Unknown, Other, EV };

// The columns the figures are computed from, one entry per data row, in the order of the rows.
struct TripSeries {
    std::span<const double> time;      // the packet numbers, never decreasing
    std::span<const double> speed;     // the vehicle speed, km/h or mph; NaN for an empty cell
    std::span<const double> fuelFlow;  // the fuel flow, L/hr or G/hr; NaN for an empty cell
    std::span<const EvMode> evMode;
};

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

    // The packets from the first row's to the last row's, both counted; rows may skip some.
    double Packets() const { return rows == 0 ? 0.0 : lastPacket - firstPacket + 1.0; }
};

// `packetSeconds` is the time one packet stands for.
TripSummary Summarize(const TripSeries& trip, double packetSeconds);

// 1 for each row in EV mode: the last EV Mode word at or before the row is "EV". The car reports
// its mode only every few packets, and the mode holds in between.
std::vector<std::uint8_t> HeldEvMode(std::span<const EvMode> evMode);

// The figures by name, in the order a table lists them, each with its unit in either unit system
// ("" for a count or a share; the EV share is a part of 1).
enum class SummaryFigure : std::uint8_t {
    Duration,
    Distance,
    TopSpeed,
    FuelUsed,
    AverageEconomy,
    EvShare,
    Packets,
    Rows,
};
struct SummaryFigureDefinition {
    SummaryFigure figure;
    std::string_view key;  // the name in a table or a dict
    std::string_view metricUnit;
    std::string_view usUnit;
    bool count;  // a whole number
};
inline constexpr std::array<SummaryFigureDefinition, 8> kSummaryFigures{{
    {SummaryFigure::Duration, "duration", "s", "s", false},
    {SummaryFigure::Distance, "distance", "km", "mi", false},
    {SummaryFigure::TopSpeed, "top_speed", "km/h", "mph", false},
    {SummaryFigure::FuelUsed, "fuel_used", "L", "gal", false},
    {SummaryFigure::AverageEconomy, "average_economy", "km/L", "MPG", false},
    {SummaryFigure::EvShare, "ev_share", "", "", false},
    {SummaryFigure::Packets, "packets", "", "", true},
    {SummaryFigure::Rows, "rows", "", "", true},
}};
static_assert([] {
    for (std::size_t i = 0; i < kSummaryFigures.size(); ++i) {
        if (static_cast<std::size_t>(kSummaryFigures[i].figure) != i) return false;
    }
    return true;
}());

std::string_view UnitOf(SummaryFigure figure, UnitSystem units);
// The figure's value; absent where the summary has none (a distance without a speed column).
std::optional<double> ValueOf(const TripSummary& summary, SummaryFigure figure);

}  // namespace drovane
