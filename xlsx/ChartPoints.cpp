#include "xlsx/ChartPoints.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace drovane::xlsx {

void ChartPoints::Add(double packet, const Values& values) {
    if (!started_) {
        origin_ = packet;
        started_ = true;
    }
    const double offset = std::max(0.0, packet - origin_);
    auto bucket = static_cast<std::size_t>(offset / static_cast<double>(width_));
    while (bucket >= kMaxPoints) {
        Widen();
        bucket = static_cast<std::size_t>(offset / static_cast<double>(width_));
    }
    if (bucket >= buckets_.size()) buckets_.resize(bucket + 1);
    Bucket& into = buckets_[bucket];
    for (std::size_t series = 0; series < kSeries; ++series) {
        if (std::isnan(values[series])) continue;
        into.sum[series] += values[series];
        ++into.count[series];
    }
}

void ChartPoints::Widen() {
    std::vector<Bucket> joined((buckets_.size() + 1) / 2);
    for (std::size_t i = 0; i < buckets_.size(); ++i) {
        for (std::size_t series = 0; series < kSeries; ++series) {
            joined[i / 2].sum[series] += buckets_[i].sum[series];
            joined[i / 2].count[series] += buckets_[i].count[series];
        }
    }
    buckets_ = std::move(joined);
    width_ *= 2;
}

std::vector<ChartPoints::Point> ChartPoints::Points() const {
    std::vector<Point> points;
    for (std::size_t i = 0; i < buckets_.size(); ++i) {
        Point point;
        point.packet = origin_ + (static_cast<double>(i) + 0.5) * static_cast<double>(width_);
        bool any = false;
        for (std::size_t series = 0; series < kSeries; ++series) {
            const std::uint32_t count = buckets_[i].count[series];
            point.mean[series] = count == 0 ? std::numeric_limits<double>::quiet_NaN()
                                            : buckets_[i].sum[series] / static_cast<double>(count);
            any = any || count != 0;
        }
        if (any) points.push_back(point);
    }
    return points;
}

}  // namespace drovane::xlsx
