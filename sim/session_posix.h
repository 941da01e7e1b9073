// One session of the control: waiting for the tool to open the port, then answering it until
// it has closed the port again and everything it sent has come down the modelled wire.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>

#include "machine_model.h"
#include "pty_endpoint_posix.h"
#include "report.h"
#include "stop_signals_posix.h"
#include "uart_model.h"

namespace cnc_sim {

enum class SessionEnd { kHungUp, kStopped, kNobodyCame };

struct SessionOptions {
    // Zero waits for the tool for ever.
    std::chrono::nanoseconds waitTimeout{0};
    // Hang up the tool's side of the line once this many data bytes have arrived.
    std::optional<std::uint64_t> hangUpAt;
};

struct SessionResult {
    SessionEnd end = SessionEnd::kHungUp;
    // Times from the tool opening the port; all zero and empty if it never did.
    SessionFacts facts;
};

// The tool's bytes go through uart to the model; data bytes go to record, if given, as they
// arrive.
SessionResult RunSession(const PtyEndpoint& port, MachineModel& model, UartModel& uart,
                         const StopSignals& stops, const SessionOptions& options,
                         std::ostream* record);

}  // namespace cnc_sim
