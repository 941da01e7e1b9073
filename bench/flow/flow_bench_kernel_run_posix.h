// The reference: the kernel's own XON/XOFF on the same simulated machine, with the program
// copied into the port the way cat copies a file. The kernel's hold stops the modelled UART
// just as the tool's does, so both are measured alike.
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
    // Whether every byte copied reached the machine before the port was closed.
    bool allArrived = false;
};

// Copies the first `bytes` bytes of the program, at the setup's rate, and holds the port open
// until the machine has had them all: a real port's close waits for its transmitter, and
// the kernel's XON/XOFF acts only while the port is open.
KernelRun RunKernelXonXoff(const FlowBenchSetup& setup, const std::vector<std::string>& simOptions,
                           long bytes, const std::string& name);
