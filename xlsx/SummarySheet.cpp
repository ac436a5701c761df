// The sheet Summary of the workbook: the trip's figures and the warnings, and the charts over the
// minutes of driving, drawn from the sheet of the charts' points.
#include <cerrno>
#include <cmath>
#include <string>
#include <xlsxwriter.h>

#include "summary/EconomyScale.h"
#include "summary/WarningKinds.h"
#include "xlsx/DriveWorkbook.h"

namespace drovane::xlsx {
namespace {

constexpr const char* kPointsSheet = "Chart points";

constexpr const auto& kPointColumns = ChartPoints::kColumns;

// A chart: its title, the series it draws (places in ChartPoints::kColumns), and whether its value
// axis has the economy's fixed scale.
struct ChartDefinition {
    const char* title;
    std::array<int, 2> series;
    bool economyScale;
};
constexpr std::array<ChartDefinition, 3> kCharts{{
    {"Speed", {0, 1}, false},
    {"State of charge and battery current", {2, 3}, false},
    {"Economy and fuel flow", {4, 5}, true},
}};

// How each figure shows, in the order of kSummaryFigures; the cell holds the whole value.
constexpr std::array<const char*, kSummaryFigures.size()> kFigureFormats{"0.0", "0.00", "0.0", "0.00",
                                                                         "0.0", "0.0%", "0",   "0"};

int ErrorOf(lxw_error error) {
    if (error == LXW_NO_ERROR) return 0;
    return errno != 0 ? errno : EIO;
}

}  // namespace

int DriveWorkbook::WriteSummary(std::span<const std::int64_t> warnings) {
    const TripSummary summary = summarizer_.Result();
    lxw_worksheet* sheet = summarySheet_;
    // The figures and the charts on one printed page.
    worksheet_set_landscape(sheet);
    worksheet_fit_to_pages(sheet, 1, 1);
    worksheet_set_column(sheet, 0, 0, 22.0, nullptr);
    worksheet_set_column(sheet, 1, 1, 14.0, nullptr);
    worksheet_set_column(sheet, 2, 2, 8.0, nullptr);
    int error = 0;
    const auto keep = [&error](lxw_error result) {
        if (error == 0) error = ErrorOf(result);
    };
    lxw_row_t row = 0;
    keep(worksheet_write_string(sheet, row, 0, "The trip", bold_));
    keep(worksheet_write_string(sheet, row, 1, "Value", bold_));
    keep(worksheet_write_string(sheet, row, 2, "Unit", bold_));
    for (const SummaryFigureDefinition& figure : kSummaryFigures) {
        ++row;
        keep(worksheet_write_string(sheet, row, 0, std::string(figure.label).c_str(), nullptr));
        if (std::optional<double> value = ValueOf(summary, figure.figure)) {
            lxw_format* format = workbook_add_format(workbook_);
            format_set_num_format(format, kFigureFormats.at(static_cast<std::size_t>(figure.figure)));
            keep(worksheet_write_number(sheet, row, 1, *value, format));
        }
        keep(worksheet_write_string(sheet, row, 2, std::string(UnitOf(figure.figure, units_)).c_str(), nullptr));
    }
    row += 2;
    keep(worksheet_write_string(sheet, row, 0, "Warnings", bold_));
    keep(worksheet_write_string(sheet, row, 1, "Count", bold_));
    for (std::size_t kind = 0; kind <= kWarningKinds.size(); ++kind) {
        ++row;
        const WarningKind& definition = kind < kWarningKinds.size() ? kWarningKinds[kind] : kOtherWarnings;
        keep(worksheet_write_string(sheet, row, 0, std::string(definition.label).c_str(), nullptr));
        const std::int64_t count = kind < warnings.size() ? warnings[kind] : 0;
        keep(worksheet_write_number(sheet, row, 1, static_cast<double>(count), nullptr));
    }
    return error;
}

int DriveWorkbook::WriteCharts() {
    const std::vector<ChartPoints::Point> points = chart_.Points();
    if (points.empty()) return 0;
    lxw_worksheet* sheet = workbook_add_worksheet(workbook_, kPointsSheet);
    if (sheet == nullptr) return ENOMEM;
    int error = 0;
    const auto keep = [&error](lxw_error result) {
        if (error == 0) error = ErrorOf(result);
    };
    keep(worksheet_write_string(sheet, 0, 0, "Minutes", bold_));
    worksheet_set_column(sheet, 0, 0, 10.0, nullptr);
    for (std::size_t series = 0; series < kPointColumns.size(); ++series) {
        const auto col = static_cast<lxw_col_t>(series + 1);
        const std::string& heading = headings_.at(static_cast<std::size_t>(kPointColumns[series]));
        keep(worksheet_write_string(sheet, 0, col, heading.c_str(), bold_));
        worksheet_set_column(sheet, col, col, static_cast<double>(heading.size()) * 1.1 + 2.0, nullptr);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    lxw_row_t row = 0;
    for (const ChartPoints::Point& point : points) {
        ++row;
        // Minutes of driving, packet 1 at minute 0, as drovane-plot's scale reads.
        keep(worksheet_write_number(sheet, row, 0, (point.packet - 1.0) * settings_.packetSeconds / 60.0, nullptr));
        for (std::size_t series = 0; series < kPointColumns.size(); ++series) {
            if (std::isnan(point.mean[series])) continue;
            keep(worksheet_write_number(sheet, row, static_cast<lxw_col_t>(series + 1), point.mean[series], nullptr));
        }
    }

    lxw_row_t chartRow = 0;
    for (const ChartDefinition& definition : kCharts) {
        lxw_chart* chart = workbook_add_chart(workbook_, LXW_CHART_SCATTER_STRAIGHT);
        if (chart == nullptr) return ENOMEM;
        chart_title_set_name(chart, definition.title);
        chart_axis_set_name(chart->x_axis, "Minutes of driving");
        chart_axis_set_min(chart->x_axis, 0.0);
        // The minutes along the bottom, below any negative value (reversing, charging).
        chart_axis_set_crossing_min(chart->y_axis);
        chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
        chart_show_blanks_as(chart, LXW_CHART_BLANKS_AS_CONNECTED);
        if (definition.economyScale) {
            const EconomyAxis axis = EconomyAxisFor(units_);
            chart_axis_set_min(chart->y_axis, axis.lo);
            chart_axis_set_max(chart->y_axis, axis.hi);
        }
        for (int series : definition.series) {
            const auto col = static_cast<lxw_col_t>(series + 1);
            lxw_chart_series* line = chart_add_series(chart, nullptr, nullptr);
            chart_series_set_categories(line, kPointsSheet, 1, 0, row, 0);
            chart_series_set_values(line, kPointsSheet, 1, col, row, col);
            chart_series_set_name(line, headings_.at(static_cast<std::size_t>(kPointColumns[series])).c_str());
        }
        lxw_chart_options place{};
        place.x_scale = 2.0;
        place.y_scale = 1.25;
        keep(worksheet_insert_chart_opt(summarySheet_, chartRow, 4, chart, &place));
        chartRow += 20;
    }
    return error;
}

}  // namespace drovane::xlsx
