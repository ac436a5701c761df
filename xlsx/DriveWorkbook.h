#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "core/LineSplitter.h"
#include "core/RunOptions.h"
#include "core/WorkbookOutput.h"
#include "decode/Columns.h"
#include "platform/ScratchFile.h"
#include "summary/TripSummary.h"
#include "xlsx/ChartPoints.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace drovane::xlsx {

// The rows a sheet holds after its header row.
inline constexpr std::size_t kRowsPerSheet = 1'048'575;

struct WorkbookSettings {
    std::size_t rowsPerSheet = kRowsPerSheet;  // tests make it tiny
    double packetSeconds = kDefaultPacketSeconds;
};

// The workbook of a conversion, made of its CSV text as it is written: the sheet Drive (and Drive
// 2, Drive 3... past a sheet's rows) with a row for each CSV row, each number a number of exactly
// the value of its text, each word the word without its quotes, each empty cell empty; then, at
// Finish, the sheet Summary with the trip's figures (summary/TripSummary.h) and the warnings, its
// charts, and the sheet of the charts' points. The library (libxlsxwriter) writes in its
// constant-memory mode, a row at a time, into a scratch file that Finish marks as ours
// (xlsx/WorkbookMark.h) and copies to the output.
class DriveWorkbook final : public WorkbookOutput {
public:
    DriveWorkbook(UnitSystem units, const WorkbookSettings& settings);
    ~DriveWorkbook() override;
    DriveWorkbook(const DriveWorkbook&) = delete;
    DriveWorkbook& operator=(const DriveWorkbook&) = delete;

    int Open() override;
    bool Write(const char* data, std::size_t size) override;
    int ErrorNumber() const override { return error_; }
    int Finish(std::FILE* destination, std::span<const std::int64_t> warnings) override;

    std::size_t Rows() const { return rows_; }

private:
    void Line(const char* line, const char* end);
    void Headings(const char* at, const char* end);
    void Row(const char* at, const char* end);
    // Writes the row's cells and keeps their values in rowValues_; the row's EV Mode.
    EvMode Cells(const char* at, const char* end);
    double NumberCell(int column, const char* cell, const char* end);
    void WordCell(int column, const char* cell, const char* end);
    void StartSheet();
    void EndSheet();
    void Fail(int error);
    int WriteSummary(std::span<const std::int64_t> warnings);
    int WriteCharts();

    UnitSystem units_;
    WorkbookSettings settings_;
    platform::ScratchFile scratch_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* summarySheet_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;  // the Drive sheet that takes the rows now
    lxw_format* bold_ = nullptr;
    std::vector<std::string> headings_;
    std::array<bool, kColumnCount> isWord_{};
    LineSplitter lines_;
    bool headingsRead_ = false;
    std::size_t rows_ = 0;
    std::size_t sheets_ = 0;
    std::uint32_t sheetRow_ = 0;  // the last row written in the Drive sheet
    std::array<double, kColumnCount> rowValues_{};
    TripSummarizer summarizer_;
    ChartPoints chart_;
    int error_ = 0;
};

}  // namespace drovane::xlsx
