#include "xlsx/DriveWorkbook.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>
#include <xlsxwriter.h>

#include "decode/Words.h"
#include "summary/EconomyScale.h"
#include "xlsx/CLocale.h"
#include "xlsx/WorkbookMark.h"

namespace drovane::xlsx {
namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// Every document date of the workbook: the same log gives the same bytes on any day.
constexpr std::time_t kDocumentTime = 1'577'836'800;  // 2020-01-01 00:00 UTC

// The value of a number's text, exactly as a correctly rounding reader takes it.
double ValueOf(const char* cell, const char* end) {
    double value = kEmpty;
    std::from_chars(cell, end, value, std::chars_format::general);
    return value;
}

// The system's error number for a failure of the library, EIO where it sets none.
int ErrorOf(lxw_error error) {
    if (error == LXW_NO_ERROR) return 0;
    return errno != 0 ? errno : EIO;
}

// The width of a column that shows its heading in bold, with the autofilter's button beside it.
double WidthOf(const std::string& heading) { return static_cast<double>(heading.size()) * 1.1 + 3.0; }

}  // namespace

DriveWorkbook::DriveWorkbook(UnitSystem units, const WorkbookSettings& settings)
    : units_(units), settings_(settings), summarizer_(settings.packetSeconds) {
    for (const WordColumn& words : kWordColumns) isWord_[words.column] = true;
}

DriveWorkbook::~DriveWorkbook() {
    // A workbook never finished is freed without writing a file.
    if (workbook_ != nullptr) lxw_workbook_free(workbook_);
}

int DriveWorkbook::Open() {
    if (int error = scratch_.Open(); error != 0) return error;
    CLocaleScope cLocale;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    errno = 0;
    workbook_ = workbook_new_opt(scratch_.Name().c_str(), &options);
    if (workbook_ == nullptr) return errno != 0 ? errno : ENOMEM;
    lxw_doc_properties properties{};
    properties.created = kDocumentTime;
    workbook_set_properties(workbook_, &properties);
    bold_ = workbook_add_format(workbook_);
    format_set_bold(bold_);
    // The trip at a glance comes first; it is written once the last row is known.
    summarySheet_ = workbook_add_worksheet(workbook_, "Summary");
    worksheet_activate(summarySheet_);
    return 0;
}

void DriveWorkbook::Fail(int error) {
    if (error_ == 0) error_ = error;
}

bool DriveWorkbook::Write(const char* data, std::size_t size) {
    if (error_ != 0) return false;
    CLocaleScope cLocale;
    lines_.Feed(data, size, [this](const char* line, const char* lineEnd) { Line(line, lineEnd); });
    return error_ == 0;
}

void DriveWorkbook::Line(const char* line, const char* end) {
    if (!headingsRead_) {
        headingsRead_ = true;
        Headings(line, end);
        return;
    }
    Row(line, end);
}

void DriveWorkbook::Headings(const char* at, const char* end) {
    // The CSV's own headings, each in double quotes, without them.
    while (at < end) {
        const char* cell = at;
        while (at != end && *at != ',') ++at;
        std::string heading(cell, at);
        if (heading.size() >= 2 && heading.front() == '"' && heading.back() == '"') {
            heading = heading.substr(1, heading.size() - 2);
        }
        headings_.push_back(std::move(heading));
        if (at != end) ++at;
    }
}

void DriveWorkbook::StartSheet() {
    ++sheets_;
    const std::string name = sheets_ == 1 ? std::string("Drive") : "Drive " + std::to_string(sheets_);
    sheet_ = workbook_add_worksheet(workbook_, name.c_str());
    if (sheet_ == nullptr) {
        Fail(ENOMEM);
        return;
    }
    for (std::size_t column = 0; column < headings_.size(); ++column) {
        const auto col = static_cast<lxw_col_t>(column);
        worksheet_set_column(sheet_, col, col, WidthOf(headings_[column]), nullptr);
        Fail(ErrorOf(worksheet_write_string(sheet_, 0, col, headings_[column].c_str(), bold_)));
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    sheetRow_ = 0;
}

void DriveWorkbook::EndSheet() {
    if (sheet_ == nullptr || headings_.empty()) return;
    worksheet_autofilter(sheet_, 0, 0, sheetRow_, static_cast<lxw_col_t>(headings_.size() - 1));
}

void DriveWorkbook::Row(const char* at, const char* end) {
    if (sheet_ == nullptr || sheetRow_ >= settings_.rowsPerSheet) {
        EndSheet();
        StartSheet();
        if (error_ != 0) return;
    }
    ++sheetRow_;
    ++rows_;
    const EvMode evMode = Cells(at, end);
    const double packet = rowValues_[kColTime];
    summarizer_.Add(packet, rowValues_[kColSpeed], rowValues_[kColFuelFlow], evMode);
    ChartPoints::Values values{};
    for (std::size_t series = 0; series < values.size(); ++series) {
        const double value = rowValues_[ChartPoints::kColumns[series]];
        values[series] = ChartPoints::kColumns[series] == kColEconomy && IsNoFuelEconomy(value) ? kEmpty : value;
    }
    chart_.Add(packet, values);
}

EvMode DriveWorkbook::Cells(const char* at, const char* end) {
    rowValues_.fill(kEmpty);
    EvMode evMode = EvMode::Unknown;
    for (int column = 0; column < kColumnCount; ++column) {
        const char* cell = at;
        while (at != end && *at != ',') ++at;
        if (at == cell) {
            // An empty cell stays empty.
        } else if (!isWord_[column]) {
            rowValues_[column] = NumberCell(column, cell, at);
        } else {
            WordCell(column, cell, at);
            if (column == kColEvMode) evMode = std::string_view(cell, at) == "\"EV\"" ? EvMode::EV : EvMode::Other;
        }
        if (at != end) ++at;  // the comma
    }
    return evMode;
}

double DriveWorkbook::NumberCell(int column, const char* cell, const char* end) {
    // Parsing every cell's text is cheap beside the library's work: keeping a column's last text
    // to pass over repeats saved 0.8% of the instructions (docs/performance.md).
    const double value = ValueOf(cell, end);
    Fail(ErrorOf(worksheet_write_number(sheet_, sheetRow_, static_cast<lxw_col_t>(column), value, nullptr)));
    return value;
}

void DriveWorkbook::WordCell(int column, const char* cell, const char* end) {
    // The word stands in double quotes; an empty word ("") is an empty text.
    const auto length = static_cast<std::size_t>(end - cell);
    const std::string word = length >= 2 ? std::string(cell + 1, length - 2) : std::string();
    Fail(ErrorOf(worksheet_write_string(sheet_, sheetRow_, static_cast<lxw_col_t>(column), word.c_str(), nullptr)));
}

int DriveWorkbook::Finish(std::FILE* destination, std::span<const std::int64_t> warnings) {
    if (error_ != 0) return error_;
    if (workbook_ == nullptr) return EINVAL;
    {
        CLocaleScope cLocale;
        EndSheet();
        if (int error = WriteSummary(warnings); error != 0) return error;
        if (int error = WriteCharts(); error != 0) return error;
        errno = 0;
        const lxw_error closed = workbook_close(workbook_);  // frees the workbook, whatever the outcome
        workbook_ = nullptr;
        if (int error = ErrorOf(closed); error != 0) return error;
    }
    if (int error = MarkWorkbook(scratch_.Name()); error != 0) return error;
    return scratch_.CopyTo(destination);
}

}  // namespace drovane::xlsx
