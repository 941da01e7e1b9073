// The result of a test in words and an aligned table, the same everywhere it is shown: the
// console, the result dialog and the kept report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run_result.h"
#include "text_table.h"

// How the test ended, for the operator.
std::string EndReasonText(std::int32_t endReason);

// The headline first: where the machine began to hold the tool; then how long it held and
// why the test ended.
std::vector<std::string> HeadlineLines(const RunResult& result);

// One row per level reached: level, bytes, seconds, bytes a second, XOFFs, held seconds,
// longest hold.
TextTable LevelTable(const RunResult& result);

// Columns padded to their widest cell, a Korean character counted two columns wide as a
// terminal shows it; numbers right-aligned. Lines end in '\n'.
std::string FormatTextTable(const TextTable& table);

// Seconds with one decimal, from milliseconds.
std::string SecondsText(std::int64_t ms);

// How wide the text shows on a terminal.
std::size_t DisplayWidth(const std::string& text);
