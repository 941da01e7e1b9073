// A chart description laid out on a canvas of a given size, as the few shapes every back
// end can draw: filled rectangles, lines and single-line texts, drawn in that order.
#pragma once

#include <string>
#include <vector>

#include "chart_description.h"

struct SceneRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    ChartColor fill;
    double opacity = 1;  // 0..1
    bool band = false;   // one of the description's bands
};

struct SceneLine {
    std::vector<ChartPoint> points;  // pixels
    ChartColor color;
    double width = 1;
    bool dashed = false;
};

enum class TextAnchor { Start, Middle, End };

// y is the text's vertical middle.
struct SceneText {
    double x = 0;
    double y = 0;
    std::string text;
    ChartColor color;
    double size = 12;  // pixels
    TextAnchor anchor = TextAnchor::Start;
};

struct ChartScene {
    double width = 0;
    double height = 0;
    std::vector<SceneRect> rects;
    std::vector<SceneLine> lines;
    std::vector<SceneText> texts;
};

// textSize is the pixel size of the labels; margins grow with it.
ChartScene LayOutChart(const ChartDescription& chart, double width, double height,
                       double textSize = 12);
