#include "chart_scene.h"

#include <algorithm>

namespace {

constexpr ChartColor kInk{0x20, 0x20, 0x20};
constexpr ChartColor kGrid{0xdd, 0xdd, 0xdd};
constexpr ChartColor kWhite{0xff, 0xff, 0xff};

struct Plot {
    double left, top, right, bottom;

    double X(const ChartAxis& axis, double value) const {
        const double span = axis.max > axis.min ? axis.max - axis.min : 1;
        return left + (std::clamp(value, axis.min, axis.max) - axis.min) / span * (right - left);
    }
    double Y(const ChartAxis& axis, double value) const {
        const double span = axis.max > axis.min ? axis.max - axis.min : 1;
        return bottom - (std::clamp(value, axis.min, axis.max) - axis.min) / span * (bottom - top);
    }
};

void AddSeries(ChartScene& scene, const Plot& plot, const ChartDescription& chart,
               const ChartSeries& series) {
    const ChartAxis& axis = series.side == ChartSide::Left ? chart.left : chart.right;
    SceneLine line{{}, series.color, series.width, false};
    for (std::size_t i = 0; i < series.points.size(); ++i) {
        const ChartPoint& point = series.points[i];
        const double x = plot.X(chart.x, point.x);
        const double y = plot.Y(axis, point.y);
        if (series.steps && i > 0) {
            line.points.push_back({x, line.points.back().y});
        }
        line.points.push_back({x, y});
    }
    if (!line.points.empty()) {
        scene.lines.push_back(std::move(line));
    }
}

// A legend entry: a swatch and its name, from x; returns where the next one starts.
double AddLegendEntry(ChartScene& scene, double x, double y, double size, const std::string& name,
                      ChartColor color, bool band) {
    if (band) {
        scene.rects.push_back({x, y - size / 2, size * 1.6, size, color, 0.3, false});
    } else {
        scene.lines.push_back({{{x, y}, {x + size * 1.6, y}}, color, 2.5, false});
    }
    scene.texts.push_back({x + size * 2, y, name, kInk, size, TextAnchor::Start});
    return x + size * 2 + static_cast<double>(name.size()) * size * 0.45 + size * 1.5;
}

}  // namespace

ChartScene LayOutChart(const ChartDescription& chart, double width, double height,
                       double textSize) {
    ChartScene scene;
    scene.width = width;
    scene.height = height;
    const double t = textSize;
    const Plot plot{t * 4, t * 4.2, width - t * 5, height - t * 3.4};

    scene.rects.push_back({0, 0, width, height, kWhite, 1, false});
    for (const ChartBand& band : chart.bands) {
        const double from = plot.X(chart.x, band.from);
        // A hold shorter than a pixel still shows.
        const double to = std::max(plot.X(chart.x, band.to), from + 1);
        scene.rects.push_back(
            {from, plot.top, to - from, plot.bottom - plot.top, chart.bandColor, 0.25, true});
    }

    for (const ChartTick& tick : chart.left.ticks) {
        const double y = plot.Y(chart.left, tick.value);
        scene.lines.push_back({{{plot.left, y}, {plot.right, y}}, kGrid, 1, false});
        scene.texts.push_back({plot.left - t * 0.4, y, tick.label, kInk, t, TextAnchor::End});
    }
    for (const ChartTick& tick : chart.right.ticks) {
        const double y = plot.Y(chart.right, tick.value);
        scene.texts.push_back({plot.right + t * 0.4, y, tick.label, kInk, t, TextAnchor::Start});
    }
    for (const ChartTick& tick : chart.x.ticks) {
        const double x = plot.X(chart.x, tick.value);
        scene.lines.push_back({{{x, plot.bottom}, {x, plot.bottom + t * 0.3}}, kInk, 1, false});
        scene.texts.push_back({x, plot.bottom + t * 1.0, tick.label, kInk, t, TextAnchor::Middle});
    }
    scene.texts.push_back({(plot.left + plot.right) / 2, plot.bottom + t * 2.4, chart.x.title, kInk,
                           t, TextAnchor::Middle});
    scene.texts.push_back(
        {plot.left, plot.top - t * 0.9, chart.left.title, kInk, t, TextAnchor::Middle});
    scene.texts.push_back(
        {plot.right, plot.top - t * 0.9, chart.right.title, kInk, t, TextAnchor::Middle});

    // Level last among the series: a step line stays on top of a busy curve.
    for (auto it = chart.series.rbegin(); it != chart.series.rend(); ++it) {
        AddSeries(scene, plot, chart, *it);
    }

    // The axes: zero-based level on the left, its own scale for the rate on the right.
    scene.lines.push_back({{{plot.left, plot.top},
                            {plot.left, plot.bottom},
                            {plot.right, plot.bottom},
                            {plot.right, plot.top}},
                           kInk,
                           1,
                           false});

    for (const ChartMarker& marker : chart.markers) {
        const double x = plot.X(chart.x, marker.x);
        scene.lines.push_back({{{x, plot.top}, {x, plot.bottom}}, kInk, 1.5, true});
        scene.texts.push_back(
            {x - t * 0.3, plot.top + t * 0.8, marker.label, kInk, t, TextAnchor::End});
    }

    double x = plot.left;
    const double legendY = t * 1.1;
    for (const ChartSeries& series : chart.series) {
        x = AddLegendEntry(scene, x, legendY, t, series.name, series.color, false);
    }
    AddLegendEntry(scene, x, legendY, t, chart.bandName, chart.bandColor, true);
    return scene;
}
