// The chart as an SVG document: the picture kept in the report and written by --chart.
#pragma once

#include <string>

#include "chart_scene.h"

// A standalone SVG document (no external fonts, styles or pictures). Every band of the
// description is a rect of class "hold".
std::string ChartSvg(const ChartScene& scene);

// Text with &, <, >, " escaped, for XML and HTML alike.
std::string XmlEscaped(const std::string& text);
