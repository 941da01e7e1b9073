// The verdict on one soak run: what the machine received, what the runner and the machine
// reported and how long it took, against what the oracle says the machine must receive.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run_plan.h"

namespace soak {

// What the oracle (expected-stream) says of the program.
struct Expected {
    std::string bytes;
    std::string end;  // "level", "eof" or "long_line"
    int finalLevel = 0;
    // Bytes handed over so far and the level, after each hand-over.
    std::vector<std::pair<std::size_t, int>> handOvers;
};

struct Outcome {
    // The runner's exit status; nothing if it had to be killed.
    std::optional<int> status;
    std::string out, err;
    std::string report;              // the runner's JSON; empty if none
    std::string machineReport;       // the simulator's JSON; empty if it wrote none
    std::string received;            // the machine's record
    std::size_t receivedAtExit = 0;  // of it, when the runner's exit was seen
    // The fault (or stop) was applied, and when, from the runner's start.
    std::optional<std::chrono::milliseconds> faultAt;
    std::chrono::milliseconds ended{0};  // the runner's exit, from its start
    // The machine could not do what the plan asked (a hang-up it was not allowed).
    bool faultRefused = false;
    // The longest the kernel took to hand a byte from a pty's master to its slave while the
    // run went on (pty_delay_probe_posix.h).
    std::chrono::microseconds ptyDelay{0};
};

struct Verdict {
    std::vector<std::string> failures;  // each names what is wrong
    // Over the run's time bound, or more than 2 s from the fault or stop to the end. Kept
    // apart: a soak counts these, a test only prints them.
    std::vector<std::string> late;
    std::string endSeen;  // how the run ended, for the summary
    std::size_t bytesCompared = 0;
    std::optional<double> worstAfterXoff;
    std::vector<double> afterXoff;  // per XOFF of the machine
    std::optional<std::chrono::milliseconds> faultToEnd;
    // Whether the machine's room was enough for the overflow to be judged.
    bool overflowJudged = false;
};

// The longest a test may take from a fault or the operator's stop to its end.
inline constexpr std::chrono::milliseconds kEndAfterFault{2000};

// An XON written this long before the tool's last write was certainly read by it, which
// reads the line before every write.
inline constexpr std::chrono::milliseconds kXonSurelyRead{100};

Verdict CheckRun(const RunPlan& plan, const Expected& expected, const Outcome& outcome, bool wine);

// The runner's last status line for an end reason of its report: it names the end.
std::string_view EndStatusText(const std::string& end);

}  // namespace soak
