// One session of the control: waiting for the tool to open the port, then answering it until
// it has closed the port again and everything it sent has come down the modelled wire.
#pragma once

#include <chrono>
#include <ostream>

#include "machine_model.h"
#include "pty_endpoint_posix.h"
#include "stop_signals_posix.h"
#include "uart_model.h"

namespace cnc_sim {

enum class SessionEnd { kHungUp, kStopped, kNobodyCame };

struct SessionResult {
    SessionEnd end = SessionEnd::kHungUp;
    // From the tool opening the port to the end; zero if it never did.
    std::chrono::nanoseconds connected{0};
};

// waitTimeout zero waits for the tool for ever. The tool's bytes go through uart to the
// model; data bytes go to record, if given, as they arrive.
SessionResult RunSession(const PtyEndpoint& port, MachineModel& model, UartModel& uart,
                         const StopSignals& stops, std::chrono::nanoseconds waitTimeout,
                         std::ostream* record);

}  // namespace cnc_sim
