// The JSON report cnc-sim writes at exit.
#pragma once

#include <chrono>
#include <string>

#include "machine_model.h"
#include "uart_model.h"

namespace cnc_sim {

// line: the tool's transmitter as the wire showed it. duration: from the tool opening the
// port to the end of the session.
std::string ReportJson(const MachineStats& stats, const LineStats& line,
                       std::chrono::nanoseconds duration);

}  // namespace cnc_sim
