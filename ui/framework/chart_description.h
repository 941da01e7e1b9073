// A chart told as data: axes with their ticks, the series, the shaded bands and the labels.
// The Qt host, the Win32 host and the SVG writer each draw it; none of them decides what is
// shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ChartColor {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

struct ChartTick {
    double value = 0;
    std::string label;
};

struct ChartAxis {
    std::string title;
    double min = 0;
    double max = 1;
    std::vector<ChartTick> ticks;
};

enum class ChartSide { Left, Right };

struct ChartPoint {
    double x = 0;
    double y = 0;
};

struct ChartSeries {
    std::string name;
    ChartColor color;
    ChartSide side = ChartSide::Left;
    bool steps = false;  // holds each value until the next point
    double width = 2;    // line width in pixels
    std::vector<ChartPoint> points;
};

// An x range shaded over the whole height of the plot.
struct ChartBand {
    double from = 0;
    double to = 0;
};

// A vertical line across the plot with its label at the top.
struct ChartMarker {
    double x = 0;
    std::string label;
};

struct ChartDescription {
    ChartAxis x;
    ChartAxis left;
    ChartAxis right;
    std::vector<ChartSeries> series;
    std::string bandName;
    ChartColor bandColor;
    std::vector<ChartBand> bands;
    std::vector<ChartMarker> markers;
};
