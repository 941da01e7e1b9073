// The JSON report of a console run: checked before the test, written after it.
#pragma once

#include <string>

#include "console_options.h"
#include "run_record.h"
#include "run_result.h"
#include "transfer_state.h"

// Why the report cannot go to reportPath, or empty when it can: the path must name a file
// that can be created or overwritten, and not the program under test. An existing file is
// left as it is, and none is left behind where there was none.
std::string ReportPathProblem(const std::string& reportPath, const std::string& programPath);

// Writes the outcome of the test to options.report, with the run's record and its result
// (levels, holds, the first XOFF's level, every event with its time). False, with the reason
// in problem, when the report could not be written whole.
bool WriteReport(const ConsoleOptions& options, TransferEnd end, const std::string& startedAt,
                 const std::string& endedAt, const RunRecord& record, const RunResult& result,
                 std::string& problem);
