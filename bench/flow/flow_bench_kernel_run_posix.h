// The reference: the kernel's own XON/XOFF on the same simulated machine, with the program
// copied into the port the way cat copies a file.
#pragma once

#include <string>
#include <vector>

#include "flow_bench_json.h"
#include "flow_bench_setup.h"

struct KernelRun {
    JsonValue machine;  // the simulator's report
    std::string simCommand;
    std::vector<std::string> steps;  // what was done to the port, in order
    // Whether the port really had IXON on and IXANY off while the copy ran.
    bool flowControlOn = false;
    double copySeconds = 0;  // the writes alone
};

KernelRun RunKernelXonXoff(const FlowBenchSetup& setup, const std::vector<std::string>& simOptions,
                           const std::string& name);
