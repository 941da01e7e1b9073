#include "simulator_posix.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "machine_model.h"
#include "port_link_posix.h"
#include "prompt_scheduling_posix.h"
#include "pty_endpoint_posix.h"
#include "report.h"
#include "session_posix.h"
#include "stop_signals_posix.h"
#include "uart_model.h"

namespace cnc_sim {

namespace {

constexpr int kSystemError = 1;
constexpr int kNobodyCame = 3;

// Opened before the slave path is made known, so a path that cannot be written fails the
// run before a tool is kept waiting on it.
std::optional<std::ofstream> OpenOutput(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    return out;
}

}  // namespace

int RunSimulator(const Options& options) {
    RunPromptly();
    try {
        const StopSignals stops;
        auto record = OpenOutput(options.recordPath);
        auto report = OpenOutput(options.reportPath);
        const PtyEndpoint port;
        std::optional<PortLink> link;
        if (!options.linkPath.empty()) {
            link.emplace(options.linkPath, port.SlavePath());
        }
        std::printf("%s\n", port.SlavePath().c_str());
        std::fflush(stdout);

        MachineModel model(options.machine);
        // Until the tool sets its own, the rate a fresh pty has.
        UartModel uart(options.frame, port.ToolBaud().value_or(0));
        const SessionResult session =
            RunSession(port, model, uart, stops, {options.waitTimeout, options.hangUpAt},
                       record ? &*record : nullptr);

        bool written = true;
        if (record) {
            record->flush();
            written = static_cast<bool>(*record);
        }
        if (report) {
            *report << ReportJson(model.Stats(), uart.Stats(), session.facts);
            report->flush();
            written = written && static_cast<bool>(*report);
        }
        if (!written) {
            std::cerr << "cnc-sim: writing the record or the report failed\n";
            return kSystemError;
        }
        return session.end == SessionEnd::kNobodyCame ? kNobodyCame : 0;
    } catch (const std::exception& e) {
        std::cerr << "cnc-sim: " << e.what() << '\n';
        return kSystemError;
    }
}

}  // namespace cnc_sim
