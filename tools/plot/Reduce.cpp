#include "tools/plot/Reduce.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace drovane::plot {

PixelColumns::PixelColumns(double x0, double x1, std::size_t count)
    : x0_(x0), x1_(x1 > x0 ? x1 : x0 + 1.0), count_(count > 0 ? count : 1) {}

std::size_t PixelColumns::Of(double x) const {
    double position = (x - x0_) / (x1_ - x0_) * static_cast<double>(count_);
    if (!(position > 0.0)) return 0;  // also NaN
    if (position >= static_cast<double>(count_)) return count_ - 1;
    return static_cast<std::size_t>(position);
}

namespace {

struct ColumnExtremes {
    std::size_t column = 0;
    Point low;
    Point high;
    std::size_t lowRow = 0;
    std::size_t highRow = 0;
    bool breakBefore = false;  // values are missing over a long stretch before this column
};

void Flush(const ColumnExtremes& extremes, std::vector<Polyline>& lines) {
    if (lines.empty() || extremes.breakBefore) lines.emplace_back();
    Polyline& line = lines.back();
    if (extremes.lowRow == extremes.highRow) {
        line.push_back(extremes.low);
    } else if (extremes.lowRow < extremes.highRow) {
        line.push_back(extremes.low);
        line.push_back(extremes.high);
    } else {
        line.push_back(extremes.high);
        line.push_back(extremes.low);
    }
}

}  // namespace

std::vector<Polyline> ReduceMinMax(const std::vector<double>& x, const std::vector<double>& y,
                                   const PixelColumns& columns, double maxGap) {
    double breakAbove = std::max(maxGap, columns.Width());
    std::vector<Polyline> lines;
    std::optional<ColumnExtremes> open;
    double lastX = 0.0;
    std::size_t rows = std::min(x.size(), y.size());
    for (std::size_t row = 0; row < rows; ++row) {
        if (std::isnan(y[row])) continue;
        Point point{x[row], y[row]};
        std::size_t column = columns.Of(point.x);
        if (open && open->column == column) {
            if (point.y < open->low.y) {
                open->low = point;
                open->lowRow = row;
            }
            if (point.y > open->high.y) {
                open->high = point;
                open->highRow = row;
            }
        } else {
            if (open) Flush(*open, lines);
            bool gap = open && point.x - lastX > breakAbove;
            open = ColumnExtremes{column, point, point, row, row, gap};
        }
        lastX = point.x;
    }
    if (open) Flush(*open, lines);
    return lines;
}

double TypicalSpacing(const std::vector<double>& x, const std::vector<double>& y) {
    std::vector<double> spacings;
    std::size_t rows = std::min(x.size(), y.size());
    bool any = false;
    double last = 0.0;
    for (std::size_t row = 0; row < rows; ++row) {
        if (std::isnan(y[row])) continue;
        if (any) spacings.push_back(x[row] - last);
        any = true;
        last = x[row];
    }
    if (spacings.empty()) return 1.0;
    auto middle = spacings.begin() + static_cast<std::ptrdiff_t>(spacings.size() / 2);
    std::nth_element(spacings.begin(), middle, spacings.end());
    return std::max(*middle, 1.0);
}

std::size_t PointCount(const std::vector<Polyline>& lines) {
    std::size_t count = 0;
    for (const Polyline& line : lines) count += line.size();
    return count;
}

std::vector<Span> MarkedSpans(const std::vector<double>& x, const std::vector<std::uint8_t>& marked,
                              const PixelColumns& columns) {
    std::vector<Span> spans;
    double joinBelow = columns.Width();
    std::size_t rows = std::min(x.size(), marked.size());
    bool previousMarked = false;
    for (std::size_t row = 0; row < rows; ++row) {
        if (!marked[row]) {
            previousMarked = false;
            continue;
        }
        Span span{x[row] - 0.5, x[row] + 0.5};
        if (previousMarked || (!spans.empty() && span.x0 - spans.back().x1 < joinBelow)) {
            spans.back().x1 = std::max(spans.back().x1, span.x1);
        } else {
            spans.push_back(span);
        }
        previousMarked = true;
    }
    return spans;
}

}  // namespace drovane::plot
