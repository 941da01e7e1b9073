// One whole test of the console runner against the simulator.
#pragma once

#include <string>
#include <vector>

#include "flow_bench_json.h"
#include "flow_bench_setup.h"

struct ToolRun {
    JsonValue machine;  // the simulator's report
    JsonValue tool;     // the console runner's report
    int toolStatus = 0;
    // The tool process from start to exit: its CPU time (all threads, user and system) and
    // the wall time it ran.
    double toolCpuSeconds = 0;
    double toolWallSeconds = 0;
    std::string simCommand;
    std::string toolCommand;
};

// name tells the report files of this run apart.
ToolRun RunToolOnSim(const FlowBenchSetup& setup, const std::vector<std::string>& simOptions,
                     const std::string& name);

// The console runner's command line for one run on the given device.
std::vector<std::string> ToolArgv(const FlowBenchSetup& setup, const std::string& device,
                                  const std::string& reportPath);
