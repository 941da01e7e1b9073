#include "run_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "result_text.h"

namespace {

constexpr ChartColor kLevelColor{0x1f, 0x4e, 0xa8};
constexpr ChartColor kRateColor{0x2e, 0x8b, 0x3a};
constexpr ChartColor kHoldColor{0xe0, 0x55, 0x3a};
// The curve is drawn from at most this many points, whatever the length of the test.
constexpr std::size_t kMaxRatePoints = 300;

double NiceStep(double max, int count) {
    const double raw = max / std::max(count, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= raw) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

std::string TickLabel(double value, double step) {
    char text[32];
    if (step >= 1.0 || value == 0) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        std::snprintf(text, sizeof text, "%.1f", value);
    }
    return text;
}

double Seconds(std::int64_t ms) {
    return static_cast<double>(ms) / 1000.0;
}

ChartSeries LevelSeries(const RunResult& result) {
    ChartSeries series{"전송단위", kLevelColor, ChartSide::Left, true, 2.5, {}};
    for (const LevelResult& level : result.levels) {
        series.points.push_back({Seconds(level.fromMs), static_cast<double>(level.level)});
    }
    if (!result.levels.empty()) {
        series.points.push_back(
            {Seconds(result.levels.back().toMs), static_cast<double>(result.levels.back().level)});
    }
    return series;
}

// Bytes a second from the buckets, several buckets to a point on a long test.
ChartSeries RateSeries(const RunRecord& record) {
    ChartSeries series{"바이트/초", kRateColor, ChartSide::Right, false, 1.5, {}};
    const std::size_t buckets = record.bucketBytes.size();
    const std::size_t group =
        std::max<std::size_t>(1, (buckets + kMaxRatePoints - 1) / kMaxRatePoints);
    const double groupMs = static_cast<double>(group * kRunBucketMs);
    for (std::size_t first = 0; first < buckets; first += group) {
        std::int64_t bytes = 0;
        const std::size_t last = std::min(buckets, first + group);
        for (std::size_t i = first; i < last; ++i) {
            bytes += record.bucketBytes[i];
        }
        const double middle = (static_cast<double>(first) * kRunBucketMs + groupMs / 2) / 1000.0;
        series.points.push_back({middle, static_cast<double>(bytes) * 1000.0 / groupMs});
    }
    return series;
}

}  // namespace

ChartAxis ZeroBasedAxis(std::string title, double max, int count) {
    ChartAxis axis;
    axis.title = std::move(title);
    const double top = max > 0 ? max : 1;
    const double step = NiceStep(top, count);
    const int steps = static_cast<int>(std::ceil(top / step - 1e-9));
    axis.max = step * steps;
    for (int i = 0; i <= steps; ++i) {
        const double value = step * i;
        axis.ticks.push_back({value, TickLabel(value, step)});
    }
    return axis;
}

ChartDescription BuildRunChart(const RunRecord& record, const RunResult& result) {
    ChartDescription chart;
    chart.series.push_back(LevelSeries(result));
    chart.series.push_back(RateSeries(record));
    double maxRate = 0;
    for (const ChartPoint& point : chart.series[1].points) {
        maxRate = std::max(maxRate, point.y);
    }
    chart.x = ZeroBasedAxis("시간 (초)", Seconds(result.durationMs), 8);
    chart.left = ZeroBasedAxis("전송단위", std::max(result.highestLevel, 10), 6);
    chart.right = ZeroBasedAxis("바이트/초", maxRate, 6);
    chart.bandName = "XOFF 멈춤";
    chart.bandColor = kHoldColor;
    for (const HoldSpan& hold : result.holds) {
        chart.bands.push_back({Seconds(hold.fromMs), Seconds(hold.toMs)});
    }
    if (result.ended) {
        chart.markers.push_back(
            {Seconds(result.durationMs), "종료: " + EndReasonText(result.endReason)});
    }
    return chart;
}
