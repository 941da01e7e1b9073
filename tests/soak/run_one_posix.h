// One soak run for real: the program written, the oracle asked, the simulated machine and the
// runner (native, or the Windows runner under Wine) started, the fault applied when due,
// and everything they left behind collected.
#pragma once

#include <filesystem>
#include <string>

#include "pty_delay_probe_posix.h"
#include "run_checks.h"
#include "run_plan.h"

namespace soak {

struct Programs {
    std::string cncSim;
    std::string expectedStream;
    std::string runner;  // strandex-pretest-cli, or the .exe under Wine
    bool wine = false;
    std::string wineRun;     // tools/wine-run
    std::string winePrefix;  // empty: wine-run's own choice
};

// Where one job runs: its own folder and, under Wine, its own COM port, which points at the
// link the simulator makes to its pty.
struct Slot {
    std::filesystem::path folder;
    int comPort = 9;
    std::string comLink;
};

struct RunRecord {
    RunPlan plan;  // as run: the fault fitted to the stream
    Expected expected;
    Outcome outcome;
    std::filesystem::path folder;  // what the run left behind
};

// Throws std::runtime_error when the run could not be set up (a program missing, the oracle
// failing); that is no verdict on the tool.
// delays: the pty delays measured meanwhile, of which the run takes the longest.
RunRecord RunOne(const RunPlan& plan, const Programs& programs, const Slot& slot,
                 const DelayRecord& delays);

}  // namespace soak
