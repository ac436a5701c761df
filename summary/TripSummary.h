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

// The time one packet stands for, unless a reader is told otherwise: the car sends its cycle ten
// times a second.
inline constexpr double kDefaultPacketSeconds = 0.1;

// `packetSeconds` is the time one packet stands for.
TripSummary Summarize(const TripSeries& trip, double packetSeconds);

// The same figures taken one row at a time, as the rows come, for an output that keeps no columns
// (the workbook): Summarize is this over a whole series.
class TripSummarizer {
public:
    explicit TripSummarizer(double packetSeconds)
        : hoursPerPacket_(packetSeconds / 3600.0), packetSeconds_(packetSeconds) {}
    // The next row: its packet number, speed and fuel flow (NaN for an empty cell), EV Mode cell.
    void Add(double packet, double speed, double fuelFlow, EvMode evMode);
    TripSummary Result() const;

private:
    // The integral of a series over the packets, in value-hours, by the trapezoid rule between
    // the rows that carry a value; absent while no row does.
    struct Integral {
        std::optional<double> total;
        double previousPacket = 0.0;
        double previousValue = 0.0;
        void Add(double packet, double value, double hoursPerPacket);
    };

    double hoursPerPacket_;
    double packetSeconds_;
    TripSummary summary_;
    Integral distance_;
    Integral fuel_;
    bool evOn_ = false;  // the last EV Mode word was "EV"
    std::size_t evRows_ = 0;
};

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
    bool count;              // a whole number
    std::string_view label;  // the name a reader of a sheet sees
};
inline constexpr std::array<SummaryFigureDefinition, 8> kSummaryFigures{{
    {SummaryFigure::Duration, "duration", "s", "s", false, "Duration"},
    {SummaryFigure::Distance, "distance", "km", "mi", false, "Distance"},
    {SummaryFigure::TopSpeed, "top_speed", "km/h", "mph", false, "Top speed"},
    {SummaryFigure::FuelUsed, "fuel_used", "L", "gal", false, "Fuel used"},
    {SummaryFigure::AverageEconomy, "average_economy", "km/L", "MPG", false, "Average economy"},
    {SummaryFigure::EvShare, "ev_share", "", "", false, "EV share"},
    {SummaryFigure::Packets, "packets", "", "", true, "Packets"},
    {SummaryFigure::Rows, "rows", "", "", true, "Rows written"},
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
