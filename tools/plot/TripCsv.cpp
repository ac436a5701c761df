#include "tools/plot/TripCsv.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <istream>
#include <limits>
#include <memory>
#include <streambuf>
#include <utility>

#include "platform/ErrorText.h"
#include "platform/FileNames.h"
#include "platform/FileStatus.h"
#include "tools/plot/Text.h"

namespace drovane::plot {
namespace {

// A file opened by the platform layer (by its UTF-8 name on every system), read as a stream.
class FileReadBuffer : public std::streambuf {
public:
    explicit FileReadBuffer(std::FILE* file) : file_(file, std::fclose) {}

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        const std::size_t got = std::fread(buffer_, 1, sizeof buffer_, file_.get());
        if (got == 0) {
            // A read error makes the stream bad, as a file stream's does, with errno left as it was.
            if (std::ferror(file_.get()) != 0) throw std::ios_base::failure("read error");
            return traits_type::eof();
        }
        setg(buffer_, buffer_, buffer_ + got);
        return traits_type::to_int_type(*gptr());
    }

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    char buffer_[1 << 16];
};

struct HeadingPair {
    std::string_view metric;
    std::string_view us;
};

// The converter's headings, metric and US, of every column.
constexpr std::array<HeadingPair, kColumnCount> kHeadings = [] {
    std::array<HeadingPair, kColumnCount> headings{};
    for (std::size_t i = 0; i < kColumnCount; ++i) {
        const ColumnDefinition& column = kColumnDefinitions[i];
        headings[i] = {column.name, column.usName != nullptr ? column.usName : column.name};
    }
    return headings;
}();

constexpr std::array<std::size_t, kSeriesCount> kSeriesColumns = {
    kSpeedColumn,          kSpeedometerColumn, kEngineSpeedColumn, kSocColumn,
    kAmpsColumn,           kFuelFlowColumn,    kEconomyColumn,     kMinBatteryTempColumn,
    kMaxBatteryTempColumn, kEngineTempColumn,  kCoolantTempColumn,
};

// The text between the parentheses of a heading such as "Speed (km/h)".
std::string UnitInParentheses(std::string_view heading) {
    std::size_t open = heading.find('(');
    std::size_t close = heading.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
    return std::string(heading.substr(open + 1, close - open - 1));
}

// A cell as it appears in a message: quoted, cut short, control bytes shown as '?'.
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

// Splits a line into cells. A cell that begins with a double quote runs to the next lone double
// quote and may hold commas; "" inside it stands for one quote. The converter quotes only its
// headings and words; spreadsheets and Python quote as they please. Returns the index of a cell
// whose quoting is broken (not closed, or text after the closing quote), or npos. `raw` keeps each
// cell as it stood, for messages.
std::size_t SplitCells(std::string_view line, std::vector<std::string>& cells, std::vector<std::string_view>& raw) {
    std::size_t count = 0;
    std::size_t broken = std::string_view::npos;
    std::size_t at = 0;
    while (true) {
        if (cells.size() <= count) cells.emplace_back();
        std::string& cell = cells[count];
        cell.clear();
        const std::size_t start = at;
        if (at < line.size() && line[at] == '"') {
            bool closed = false;
            for (++at; at < line.size(); ++at) {
                if (line[at] != '"') {
                    cell += line[at];
                } else if (at + 1 < line.size() && line[at + 1] == '"') {
                    cell += '"';
                    ++at;
                } else {
                    closed = true;
                    ++at;
                    break;
                }
            }
            if (!closed || (at < line.size() && line[at] != ',')) {
                if (broken == std::string_view::npos) broken = count;
                at = std::min(line.find(',', at), line.size());
            }
        } else {
            at = std::min(line.find(',', at), line.size());
            cell.assign(line.substr(start, at - start));
        }
        if (raw.size() <= count) raw.emplace_back();
        raw[count] = line.substr(start, at - start);
        ++count;
        if (at >= line.size()) break;
        ++at;  // the comma
    }
    cells.resize(count);
    raw.resize(count);
    return broken;
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
        errno = 0;  // a failed read leaves its cause here
        while (std::getline(in, line)) {
            ++lineNumber_;
            // A line that the end of the file cut off has no line end.
            const bool lastAndCut = in.eof();
            std::string_view text(line);
            if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
            if (!headerSeen && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
            if (text.empty()) continue;  // the converter writes no blank line; an editor might
            if (!headerSeen) {
                ReadHeader(text);
                headerSeen = true;
                continue;
            }
            const std::string problem = ReadRow(text);
            if (problem.empty()) continue;
            if (!lastAndCut) FailAtLine(problem);
            trip_.warnings.push_back(Cat(name_, ":", std::to_string(lineNumber_),
                                         ": the last row is cut short and left out (", problem, ")"));
        }
        if (in.bad()) {
            Fail(Cat("cannot be read to its end: ", errno != 0 ? platform::ErrorText(errno) : "a read error"));
        }
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
        const std::size_t broken = SplitCells(line, cells_, raw_);
        // pandas writes its row index first, under an empty heading, unless told not to.
        first_ = cells_.size() == kColumnCount + 1 && cells_.front().empty() ? 1 : 0;
        if (cells_.size() - first_ != kColumnCount) {
            FailAtLine(Cat("not a drovane2csv CSV: the header row has ", Cells(cells_.size()), ", expected ",
                           std::to_string(kColumnCount), " headings"));
        }
        std::size_t metricMismatch = kColumnCount;
        std::size_t usMismatch = kColumnCount;
        for (std::size_t i = 0; i < kColumnCount; ++i) {
            const std::string& name = cells_[first_ + i];
            bool metric = broken != first_ + i && name == kHeadings[i].metric;
            bool us = broken != first_ + i && name == kHeadings[i].us;
            if (!metric && !us) {
                std::string expected = Cat("\"", kHeadings[i].metric, "\"");
                if (kHeadings[i].us != kHeadings[i].metric) Append(expected, " or \"", kHeadings[i].us, "\"");
                FailAtLine(Cat("not a drovane2csv CSV: header cell ", std::to_string(i + 1), " is ",
                               Shown(raw_[first_ + i]), ", expected ", expected));
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

    // Adds the row to the trip; returns what is wrong with it instead, or "".
    std::string ReadRow(std::string_view line) {
        // A quote left open takes the rest of the line into its cell: that, not the count, is the cause.
        const std::size_t broken = SplitCells(line, cells_, raw_);
        if (broken != std::string_view::npos && broken >= first_ && broken - first_ < kColumnCount) {
            return Cat(ColumnName(broken - first_, trip_.units), " holds ", Shown(raw_[broken]),
                       ", a quoted cell whose quotes do not pair up");
        }
        if (cells_.size() != first_ + kColumnCount || broken != std::string_view::npos) {
            return Cat("the row has ", Cells(cells_.size() - std::min(first_, cells_.size())), ", expected ",
                       std::to_string(kColumnCount));
        }
        for (std::size_t i = 0; i < kColumnCount; ++i) {
            if (std::string problem = ReadNumber(i); !problem.empty()) return problem;
        }
        double packet = numbers_[kTimeColumn];
        if (trip_.Rows() > 0 && packet < trip_.time.back()) {
            return Cat("packet ", cells_[first_ + kTimeColumn], " comes after packet ", previousTime_,
                       "; rows must be in packet order");
        }
        previousTime_ = cells_[first_ + kTimeColumn];
        std::size_t row = trip_.AddRow(packet);
        for (std::size_t s = 0; s < kSeriesCount; ++s) trip_.series[s][row] = numbers_[kSeriesColumns[s]];
        const std::string& ev = cells_[first_ + kEvModeColumn];
        trip_.evMode[row] = ev.empty() ? EvMode::Unknown : ev == "EV" ? EvMode::EV : EvMode::Other;
        return {};
    }

    // Reads the cell of column `i` into numbers_ (NaN for a word or an empty cell); the problem,
    // or nothing.
    std::string ReadNumber(std::size_t i) {
        const std::string& cell = cells_[first_ + i];
        numbers_[i] = std::numeric_limits<double>::quiet_NaN();
        if (IsWordColumn(i)) return {};
        if (cell.empty()) {
            return i == kTimeColumn ? "the Time cell is empty; every row needs its packet number" : std::string();
        }
        if (!ParseNumber(cell, numbers_[i])) {
            return Cat(ColumnName(i, trip_.units), " holds ", Shown(raw_[first_ + i]), ", which is not a number");
        }
        if (std::fabs(numbers_[i]) > kLargestNumber) {
            char largest[32];
            std::snprintf(largest, sizeof largest, "%g", kLargestNumber);
            return Cat(ColumnName(i, trip_.units), " holds ", Shown(raw_[first_ + i]),
                       ", beyond what the summary can add up (at most ", largest, " either way)");
        }
        return {};
    }

    const std::string& name_;
    std::size_t lineNumber_ = 0;
    std::size_t first_ = 0;  // 1 when an index column comes before the converter's columns
    std::vector<std::string> cells_;
    std::vector<std::string_view> raw_;
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

std::size_t ColumnOf(Series series) { return kSeriesColumns.at(static_cast<std::size_t>(series)); }

UnitLabels LabelsFor(UnitSystem units) {
    UnitLabels labels;
    labels.speed = UnitInParentheses(Heading(kSpeedColumn, units));
    labels.fuelFlow = UnitInParentheses(Heading(kFuelFlowColumn, units));
    labels.distance = UnitOf(SummaryFigure::Distance, units);
    labels.fuel = UnitOf(SummaryFigure::FuelUsed, units);
    labels.economy = UnitOf(SummaryFigure::AverageEconomy, units);
    labels.temperature = units == UnitSystem::US ? "\u00B0F" : "\u00B0C";
    return labels;
}

std::size_t Trip::AddRow(double packet) {
    time.push_back(packet);
    for (auto& values : series) values.push_back(std::numeric_limits<double>::quiet_NaN());
    evMode.push_back(EvMode::Unknown);
    return time.size() - 1;
}

std::vector<std::uint8_t> HeldEvMode(const Trip& trip) { return drovane::HeldEvMode(trip.evMode); }

Trip ReadTrip(std::istream& in, const std::string& name) { return Reader(name).Read(in); }

Trip ReadTripFile(const std::string& path) {
    std::optional<platform::FileStatus> status = platform::StatusOf(path);
    if (status && status->kind == platform::FileKind::Directory)
        throw InputError(Cat(path, " is a folder, not a CSV file"));
    errno = 0;
    std::FILE* file = platform::OpenForReading(path);
    if (file == nullptr)
        throw InputError(
            Cat("cannot open ", path, " for reading: ", errno != 0 ? platform::ErrorText(errno) : "unknown cause"));
    FileReadBuffer buffer(file);
    std::istream in(&buffer);
    return ReadTrip(in, path);
}

}  // namespace drovane::plot
