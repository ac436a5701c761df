#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/Columns.h"

namespace drovane::xlsx {

// The series the workbook's charts draw, reduced as the rows come to at most kMaxPoints points
// over the packets, whatever the length of the drive: the mean of each series over a stretch of
// packets (a bucket) as wide as a power of two, at least kFirstWidth packets; when the drive
// outgrows the buckets, neighbours are joined and the width doubles. Memory stays the same for a
// drive of minutes or of days, and a chart opens at once in any spreadsheet program.
class ChartPoints {
public:
    static constexpr std::size_t kSeries = 6;
    // The CSV column of each series, in the order of its values: the charts draw them in pairs.
    static constexpr std::array<Column, kSeries> kColumns{kColSpeed, kColSpeedometer, kColSoc,
                                                          kColAmps,  kColEconomy,     kColFuelFlow};
    static constexpr std::size_t kMaxPoints = 2048;
    static constexpr std::int64_t kFirstWidth = 16;  // 1.6 s of driving
    using Values = std::array<double, kSeries>;      // NaN for a series without a value

    // A row: its packet number (never less than the last one's) and its values.
    void Add(double packet, const Values& values);

    struct Point {
        double packet = 0.0;  // the middle of the bucket
        Values mean{};        // NaN where the bucket holds no value of the series
    };
    // The buckets that hold a value, in the order of the packets.
    std::vector<Point> Points() const;
    std::int64_t Width() const { return width_; }

private:
    struct Bucket {
        std::array<double, kSeries> sum{};
        std::array<std::uint32_t, kSeries> count{};
    };
    void Widen();

    std::vector<Bucket> buckets_;
    double origin_ = 0.0;  // the first row's packet: the start of the first bucket
    bool started_ = false;
    std::int64_t width_ = kFirstWidth;
};

}  // namespace drovane::xlsx
