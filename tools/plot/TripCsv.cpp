#include "tools/plot/TripCsv.h"

#include "tools/plot/Text.h"
#include <charconv>
#include <filesystem>
#include <cmath>
#include <fstream>
#include <istream>
#include <limits>
#include <utility>

namespace drovane::plot {
namespace {

struct HeadingPair {
    std::string_view metric;
    std::string_view us;
};

constexpr std::array<HeadingPair, kColumnCount> kHeadings = {{
    {"Time", "Time"},
    {"Voltage", "Voltage"},
    {"SOC %", "SOC %"},
    {"Amps", "Amps"},
    {"Max Charge Current", "Max Charge Current"},
    {"Max Discharge Current", "Max Discharge Current"},
    {"Min Batt Temp C", "Min Batt Temp F"},
    {"Max Batt Temp C", "Max Batt Temp F"},
    {"Speed (km/h)", "Speed (mph)"},
    {"Speedometer", "Speedometer"},
    {"Speed Related", "Speed Related"},
    {"FL Wheel", "FL Wheel"},
    {"FR Wheel", "FR Wheel"},
    {"RL Wheel", "RL Wheel"},
    {"RR Wheel", "RR Wheel"},
    {"ICE RPM", "ICE RPM"},
    {"ICE Temp C", "ICE Temp F"},
    {"Coolant Temp C", "Coolant Temp F"},
    {"Side Accel", "Side Accel"},
    {"Side Accel1", "Side Accel1"},
    {"Fwd Accel", "Fwd Accel"},
    {"Fwd Accel2", "Fwd Accel2"},
    {"Steering", "Steering"},
    {"Gas Pedal", "Gas Pedal"},
    {"Brake Pedal", "Brake Pedal"},
    {"Brake Pressed", "Brake Pressed"},
    {"Shifter", "Shifter"},
    {"EV Mode", "EV Mode"},
    {"Cruise Control", "Cruise Control"},
    {"Lights", "Lights"},
    {"Fuel Inj", "Fuel Inj"},
    {"Fuel Flow (L/hr)", "Fuel Flow (G/hr)"},
    {"VVTi", "VVTi"},
    {"Gas Gauge", "Gas Gauge"},
    {"iKM/L", "iMPG"},
}};

constexpr std::array<std::size_t, kSeriesCount> kSeriesColumns = {
    kSpeedColumn, kSpeedometerColumn, kEngineSpeedColumn, kSocColumn,
    kAmpsColumn,  kFuelFlowColumn,    kEconomyColumn,
};

// The text between the parentheses of a heading such as "Speed (km/h)".
std::string UnitInParentheses(std::string_view heading) {
    std::size_t open = heading.find('(');
    std::size_t close = heading.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
    return std::string(heading.substr(open + 1, close - open - 1));
}

// A cell as it appears in an error message: quoted, cut short, control bytes shown as '?'.
std::string Shown(std::string_view cell) {
    constexpr std::size_t kMaxShown = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < cell.size() && i < kMaxShown; ++i) {
        unsigned char c = static_cast<unsigned char>(cell[i]);
        out += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
    }
    if (cell.size() > kMaxShown) out += "...";
    out += "'";
    return out;
}

std::string Cells(std::size_t count) { return Cat(std::to_string(count), count == 1 ? " cell" : " cells"); }

std::string ColumnName(std::size_t column, UnitSystem units) {
    return Cat("column ", std::to_string(column + 1), " (", Heading(column, units), ")");
}

// Splits a line at every comma; nothing is quoted around a comma in the converter's output.
void SplitCells(std::string_view line, std::vector<std::string_view>& cells) {
    cells.clear();
    std::size_t start = 0;
    while (true) {
        std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            cells.push_back(line.substr(start));
            return;
        }
        cells.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
}

bool IsQuoted(std::string_view cell) {
    return cell.size() >= 2 && cell.front() == '"' && cell.back() == '"' &&
           cell.substr(1, cell.size() - 2).find('"') == std::string_view::npos;
}

// Parses a whole cell as a finite number, or returns false.
bool ParseNumber(std::string_view cell, double& value) {
    const char* first = cell.data();
    const char* last = first + cell.size();
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    return ec == std::errc() && end == last && std::isfinite(value);
}

class Reader {
public:
    explicit Reader(const std::string& name) : name_(name) {}

    Trip Read(std::istream& in) {
        std::string line;
        bool headerSeen = false;
        while (std::getline(in, line)) {
            ++lineNumber_;
            std::string_view text(line);
            if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
            if (!headerSeen && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
            if (text.empty()) continue;  // the converter writes no blank line; an editor might
            if (!headerSeen) {
                ReadHeader(text);
                headerSeen = true;
            } else {
                ReadRow(text);
            }
        }
        if (in.bad()) Fail("cannot be read to its end");
        if (!headerSeen) Fail("is empty; expected a CSV written by drovane2csv");
        if (trip_.Rows() == 0) Fail("has the header row but no data rows");
        return std::move(trip_);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const { throw InputError(Cat(name_, " ", what)); }
    [[noreturn]] void FailAtLine(const std::string& what) const {
        throw InputError(Cat(name_, ":", std::to_string(lineNumber_), ": ", what));
    }

    void ReadHeader(std::string_view line) {
        SplitCells(line, cells_);
        if (cells_.size() != kColumnCount) {
            FailAtLine(Cat("not a drovane2csv CSV: the header row has ", Cells(cells_.size()), ", expected ",
                           std::to_string(kColumnCount), " quoted headings"));
        }
        std::size_t metricMismatch = kColumnCount;
        std::size_t usMismatch = kColumnCount;
        for (std::size_t i = 0; i < kColumnCount; ++i) {
            std::string_view cell = cells_[i];
            bool quoted = IsQuoted(cell);
            std::string_view name = quoted ? cell.substr(1, cell.size() - 2) : std::string_view();
            bool metric = quoted && name == kHeadings[i].metric;
            bool us = quoted && name == kHeadings[i].us;
            if (!metric && !us) {
                std::string expected = Cat("\"", kHeadings[i].metric, "\"");
                if (kHeadings[i].us != kHeadings[i].metric) Append(expected, " or \"", kHeadings[i].us, "\"");
                FailAtLine(Cat("not a drovane2csv CSV: header cell ", std::to_string(i + 1), " is ", Shown(cell),
                               ", expected ", expected));
            }
            if (!metric && metricMismatch == kColumnCount) metricMismatch = i;
            if (!us && usMismatch == kColumnCount) usMismatch = i;
        }
        if (metricMismatch == kColumnCount) {
            trip_.units = UnitSystem::Metric;
        } else if (usMismatch == kColumnCount) {
            trip_.units = UnitSystem::US;
        } else {
            FailAtLine(Cat("not a drovane2csv CSV: the header mixes metric and US headings (\"",
                           kHeadings[usMismatch].metric, "\" and \"", kHeadings[metricMismatch].us, "\")"));
        }
    }

    void ReadRow(std::string_view line) {
        SplitCells(line, cells_);
        if (cells_.size() != kColumnCount) {
            FailAtLine(Cat("the row has ", Cells(cells_.size()), ", expected ", std::to_string(kColumnCount)));
        }
        for (std::size_t i = 0; i < kColumnCount; ++i) {
            std::string_view cell = cells_[i];
            if (IsWordColumn(i)) {
                if (!cell.empty() && !IsQuoted(cell)) {
                    FailAtLine(Cat(ColumnName(i, trip_.units), " holds ", Shown(cell),
                                   ", expected a quoted word such as \"EV\", or nothing"));
                }
                numbers_[i] = std::numeric_limits<double>::quiet_NaN();
                continue;
            }
            if (cell.empty()) {
                if (i == kTimeColumn) FailAtLine("the Time cell is empty; every row needs its packet number");
                numbers_[i] = std::numeric_limits<double>::quiet_NaN();
                continue;
            }
            if (!ParseNumber(cell, numbers_[i])) {
                FailAtLine(Cat(ColumnName(i, trip_.units), " holds ", Shown(cell), ", which is not a number"));
            }
        }
        double packet = numbers_[kTimeColumn];
        if (trip_.Rows() > 0 && packet < trip_.time.back()) {
            FailAtLine(Cat("packet ", cells_[kTimeColumn], " comes after packet ", previousTime_,
                           "; rows must be in packet order"));
        }
        previousTime_.assign(cells_[kTimeColumn]);
        std::size_t row = trip_.AddRow(packet);
        for (std::size_t s = 0; s < kSeriesCount; ++s) trip_.series[s][row] = numbers_[kSeriesColumns[s]];
        std::string_view ev = cells_[kEvModeColumn];
        trip_.evMode[row] = ev.empty() ? EvMode::Unknown : ev == "\"EV\"" ? EvMode::EV : EvMode::Other;
    }

    const std::string& name_;
    std::size_t lineNumber_ = 0;
    std::vector<std::string_view> cells_;
    std::array<double, kColumnCount> numbers_{};
    std::string previousTime_;
    Trip trip_;
};

}  // namespace

std::string_view Heading(std::size_t column, UnitSystem units) {
    return units == UnitSystem::US ? kHeadings.at(column).us : kHeadings.at(column).metric;
}

bool IsWordColumn(std::size_t column) {
    return column == kShifterColumn || column == kEvModeColumn || column == kLightsColumn;
}

bool IsNoFuelEconomy(double economy) { return std::fabs(economy - kNoFuelEconomy) < 1e-6; }

std::size_t ColumnOf(Series series) { return kSeriesColumns.at(static_cast<std::size_t>(series)); }

UnitLabels LabelsFor(UnitSystem units) {
    UnitLabels labels;
    labels.speed = UnitInParentheses(Heading(kSpeedColumn, units));
    labels.fuelFlow = UnitInParentheses(Heading(kFuelFlowColumn, units));
    labels.distance = units == UnitSystem::US ? "mi" : "km";
    labels.economy = units == UnitSystem::US ? "MPG" : "km/L";
    return labels;
}

std::size_t Trip::AddRow(double packet) {
    time.push_back(packet);
    for (auto& values : series) values.push_back(std::numeric_limits<double>::quiet_NaN());
    evMode.push_back(EvMode::Unknown);
    return time.size() - 1;
}

std::vector<std::uint8_t> HeldEvMode(const Trip& trip) {
    std::vector<std::uint8_t> held(trip.evMode.size(), 0);
    bool on = false;
    for (std::size_t row = 0; row < held.size(); ++row) {
        if (trip.evMode[row] != EvMode::Unknown) on = trip.evMode[row] == EvMode::EV;
        held[row] = on ? 1 : 0;
    }
    return held;
}

Trip ReadTrip(std::istream& in, const std::string& name) { return Reader(name).Read(in); }

Trip ReadTripFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw InputError(Cat(path, " is a folder, not a CSV file"));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(Cat("cannot open ", path, " for reading"));
    return ReadTrip(in, path);
}

}  // namespace drovane::plot
