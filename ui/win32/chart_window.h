// The chart control of the Win32 host: a window class of its own that draws a chart
// description with GDI, into a memory bitmap first so a repaint never flickers.
#pragma once

#include <windows.h>

#include "chart_description.h"

inline constexpr wchar_t kChartWindowClass[] = L"StrandexChart";

// Once per process, before a template names the class; true when it is there.
bool RegisterChartWindowClass(HINSTANCE module);

// The window keeps its own copy and repaints.
void SetChartWindowContent(HWND chart, const ChartDescription& description);
