// What the tool costs while the machine holds it: one long XOFF, the tool's CPU time read
// from /proc before and after a fixed stretch of it.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "flow_bench_json.h"
#include "flow_bench_setup.h"

struct HoldCpu {
    double windowSeconds = 0;
    double cpuSeconds = 0;
    double voluntarySwitchesPerSecond = 0;
    double involuntarySwitchesPerSecond = 0;
    // When the tool's writes stopped, from its start; the hold began then.
    double holdBeganAfterSeconds = 0;
    // How long the writes had to stay stopped before the stretch was started.
    double silenceSeconds = 0;
    // The tool wrote nothing from the start of the hold to the end of the window.
    bool heldThroughout = false;
    JsonValue machine;  // the simulator's report
    std::string simCommand;
    std::string toolCommand;
};

// simOptions must make the first hold last longer than window plus a fraction of a second.
HoldCpu MeasureHoldCpu(const FlowBenchSetup& setup, const std::vector<std::string>& simOptions,
                       std::chrono::seconds window, const std::string& name);
