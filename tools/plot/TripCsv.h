#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/RunOptions.h"
#include "decode/Columns.h"
#include "summary/EconomyScale.h"
#include "summary/TripSummary.h"

// Reading a CSV file written by drovane2csv: the header row of 35 quoted headings (metric or US),
// then one row per data packet with unquoted numbers, empty cells for values the packet lacked,
// and three columns of quoted words. The same file saved again by a spreadsheet, Python's csv
// module or pandas reads too: headings and words quoted or not, any cell quoted, CR LF line ends,
// a byte order mark, pandas' unnamed index column first, and a last row cut short (left out, with
// a warning).
namespace drovane::plot {

// The columns are the converter's own table (decode/Columns.h).
inline constexpr std::size_t kColumnCount = drovane::kColumnCount;

// Columns of the converter's CSV that the picture uses, and the three that hold words.
inline constexpr std::size_t kTimeColumn = kColTime;
inline constexpr std::size_t kSocColumn = kColSoc;
inline constexpr std::size_t kAmpsColumn = kColAmps;
inline constexpr std::size_t kMinBatteryTempColumn = kColMinBattTemp;
inline constexpr std::size_t kMaxBatteryTempColumn = kColMaxBattTemp;
inline constexpr std::size_t kSpeedColumn = kColSpeed;
inline constexpr std::size_t kSpeedometerColumn = kColSpeedometer;
inline constexpr std::size_t kEngineSpeedColumn = kColIceRpm;
inline constexpr std::size_t kEngineTempColumn = kColIceTemp;
inline constexpr std::size_t kCoolantTempColumn = kColCoolantTemp;
inline constexpr std::size_t kShifterColumn = kColShifter;
inline constexpr std::size_t kEvModeColumn = kColEvMode;
inline constexpr std::size_t kLightsColumn = kColLights;
inline constexpr std::size_t kFuelFlowColumn = kColFuelFlow;
inline constexpr std::size_t kEconomyColumn = kColEconomy;

// The converter's unit systems (core/RunOptions.h); a CSV tells metric from US by its headings.
using drovane::UnitSystem;

// The heading of a column (0..34) as the converter writes it, without the quotes.
std::string_view Heading(std::size_t column, UnitSystem units);
// Shifter, EV Mode and Lights hold quoted words; every other column holds numbers.
bool IsWordColumn(std::size_t column);

// The largest number, either way, that a cell may hold: far beyond anything the converter writes,
// and small enough that the sums and the times of the summary stay finite and printable.
inline constexpr double kLargestNumber = 1e15;

// The economy the converter writes when the car moves and no fuel flows (summary/EconomyScale.h).
using drovane::IsNoFuelEconomy;
using drovane::kNoFuelEconomy;

// The numeric series the picture draws, each one a column of the CSV.
enum class Series : std::size_t {
    Speed,
    Speedometer,
    EngineSpeed,
    Soc,
    Current,
    FuelFlow,
    Economy,
    MinBatteryTemp,
    MaxBatteryTemp,
    EngineTemp,
    CoolantTemp,
};
inline constexpr std::size_t kSeriesCount = 11;
std::size_t ColumnOf(Series series);

// Units shown on the axes, taken from the headings.
struct UnitLabels {
    std::string speed;        // "km/h" or "mph"
    std::string distance;     // "km" or "mi"
    std::string fuelFlow;     // "L/hr" or "G/hr"
    std::string fuel;         // "L" or "gal", the fuel flow over an hour
    std::string economy;      // "km/L" or "MPG"
    std::string temperature;  // "°C" or "°F"
};
UnitLabels LabelsFor(UnitSystem units);

// The EV Mode cell of a row, as the trip summary takes it (summary/TripSummary.h).
using drovane::EvMode;

// What the picture needs of a trip, one entry per data row. An empty cell reads as NaN.
struct Trip {
    UnitSystem units = UnitSystem::Metric;
    std::vector<double> time;  // packet numbers, never decreasing
    std::array<std::vector<double>, kSeriesCount> series;
    std::vector<EvMode> evMode;
    // What reading passed over, one line each, such as a last row cut short.
    std::vector<std::string> warnings;

    std::size_t Rows() const { return time.size(); }
    const std::vector<double>& Values(Series s) const { return series[static_cast<std::size_t>(s)]; }
    std::vector<double>& Values(Series s) { return series[static_cast<std::size_t>(s)]; }
    // Adds a row with every cell empty; returns its index.
    std::size_t AddRow(double packet);
};

// 1 for each row in EV mode: the last EV Mode word at or before the row is "EV". The car reports
// its mode only every few packets, and the mode holds in between.
std::vector<std::uint8_t> HeldEvMode(const Trip& trip);

// A file that is not a converter CSV, nor one saved again from it. what() is one line that names
// the file, the line where there is one, and the cause.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a whole converter CSV; `name` is used in error messages. Throws InputError.
Trip ReadTrip(std::istream& in, const std::string& name);
Trip ReadTripFile(const std::string& path);

}  // namespace drovane::plot
