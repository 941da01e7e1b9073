// The chart of a test: its description built from the record and its result.
#pragma once

#include <string>

#include "chart_description.h"
#include "run_record.h"
#include "run_result.h"

// About count ticks from 0 to at least max, on steps of 1, 2 or 5 times a power of ten.
ChartAxis ZeroBasedAxis(std::string title, double max, int count);

// Level over time as a step line on a zero-based level axis, every hold as a band, the
// bytes a second on the line as a second line on its own axis, the end marked; time in
// seconds.
ChartDescription BuildRunChart(const RunRecord& record, const RunResult& result);
