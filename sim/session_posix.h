// One session of the control: waiting for the tool to open the port, then answering it until
// it closes the port again.
#pragma once

#include <chrono>
#include <ostream>

#include "machine_model.h"
#include "pty_endpoint_posix.h"
#include "stop_signals_posix.h"

namespace cnc_sim {

enum class SessionEnd { kHungUp, kStopped, kNobodyCame };

struct SessionResult {
    SessionEnd end = SessionEnd::kHungUp;
    // From the tool opening the port to the end; zero if it never did.
    std::chrono::nanoseconds connected{0};
};

// waitTimeout zero waits for the tool for ever. Data bytes go to record, if given, as they
// arrive.
SessionResult RunSession(const PtyEndpoint& port, MachineModel& model, const StopSignals& stops,
                         std::chrono::nanoseconds waitTimeout, std::ostream* record);

}  // namespace cnc_sim
