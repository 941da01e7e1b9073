// The JSON report cnc-sim writes at exit.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "machine_model.h"
#include "uart_model.h"

namespace cnc_sim {

// What the session saw of the tool beyond the wire, every time from the tool opening the
// port. A test harness tells from them which XONs the tool must have read: it reads before
// each write.
struct SessionFacts {
    std::chrono::nanoseconds duration{0};  // to the end of the session
    std::vector<std::chrono::nanoseconds> xonWritten;
    std::optional<std::chrono::nanoseconds> toolLastWrote;
    bool lineHungUp = false;
};

// line: the tool's transmitter as the wire showed it.
std::string ReportJson(const MachineStats& stats, const LineStats& line,
                       const SessionFacts& session);

}  // namespace cnc_sim
