// What one soak run does: the program it sends, the machine it sends it to, the line
// between them and the fault it meets, all drawn from one seed so that a failing run can be
// replayed from its seed alone.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace soak {

enum class LineEnds { kMixed, kLf, kCrLf };

struct ProgramPlan {
    unsigned generatorSeed = 1;
    std::size_t minBytes = 250'000;
    LineEnds lineEnds = LineEnds::kMixed;
    // Within the part a test sends (the first 55 KB or so).
    std::size_t nuls = 0;
    // Lines of 249 or 250 bytes before their line feed, a CR counted: the longest allowed.
    std::size_t fullLines = 0;
    // One line of 251 bytes near this offset, which ends the test.
    std::optional<std::size_t> overLongNear;
    // Comment lines of random code page 949 characters, many with trail bytes that have the
    // values of ASCII letters.
    std::size_t hangulComments = 0;
    bool lastLineUnterminated = false;
};

struct MachinePlan {
    std::size_t buffer = 256;
    std::size_t xoffAt = 192;
    std::size_t xonAt = 64;
    std::uint64_t rate = 0;  // bytes a second; 0 takes each at once
    std::uint64_t enqEvery = 0;
    std::uint64_t nulEvery = 0;
    std::vector<std::uint64_t> nakAt;
    std::chrono::milliseconds nakHold{200};
    // The machine sends a start XON this long after the open and the runner waits for it.
    std::optional<std::chrono::milliseconds> startXonAfter;
    // The runner waits for a start XON that the machine never sends.
    bool startNever = false;
    std::optional<std::uint64_t> stopReadingAt;
    std::optional<std::chrono::milliseconds> stopReadingFor;  // none: for ever
    std::chrono::milliseconds noiseEvery{0};
    std::uint64_t noiseSeed = 1;
    std::optional<std::uint64_t> hangUpAt;
};

struct LinePlan {
    int baud = 921'600;
    int dataBits = 8;
    char parity = 'N';  // N, O or E
    int stopBits = 1;
};

// What the harness itself does to a run.
enum class Fault {
    kNone,
    kStop,           // the operator's stop: SIGINT to the runner
    kMachineKilled,  // SIGKILL to the simulator: its end of the line vanishes
    kMachineClosed,  // SIGTERM: the simulator ends in order and closes its end of the line
    kLineHungUp,     // the simulator hangs up the tool's side (MachinePlan::hangUpAt)
    kFileTruncated,
    kFileDeleted,
    kFileGrown,
};

struct FaultPlan {
    Fault kind = Fault::kNone;
    // Strikes once the machine has received this many bytes, and then this much later.
    std::uint64_t afterBytes = 0;
    std::chrono::milliseconds thenAfter{0};
    std::size_t truncateTo = 0;  // kFileTruncated
};

struct RunPlan {
    std::uint64_t seed = 0;
    std::string name;  // a fault table row's; empty for a drawn run
    ProgramPlan program;
    MachinePlan machine;
    LinePlan line;
    FaultPlan fault;
};

// withFaults: about half the runs meet an injected fault; otherwise some runs are stopped by
// the operator at a random moment, and every run on a slow line or to a slow machine is.
RunPlan DrawRun(std::uint64_t seed, bool withFaults);

// The fixed table of injected faults, each row a whole run.
std::vector<RunPlan> FaultTable();

// A fault that waits for a byte count must strike while the tool still has a good part of
// the stream to send, or its end would not show it: moved to no later than 4 KB before the
// end of the stream, or dropped for a stream too short.
void FitFaultToStream(RunPlan& plan, std::size_t streamBytes);

// The simulator's options for the machine and the tool's frame (no record, report or link).
std::vector<std::string> MachineArguments(const RunPlan& plan);
// The runner's options for the line (no port, device, report or file).
std::vector<std::string> LineArguments(const RunPlan& plan);

std::string Describe(const RunPlan& plan);
std::string FaultName(Fault fault);

// The characters the tool may have on their way when the machine says XOFF: its output
// queue of 100 and the largest chunk, 56 at level 65.
inline constexpr std::size_t kToolInFlight = 100 + 56;

// Whether the machine's room above its XOFF mark takes all the tool may still send, so that
// its buffer must never overflow. Noise (whose XONs lift holds at random) never qualifies.
bool HeadroomCoversTheTool(const MachinePlan& machine);

// How long the run should take at most, for a stream of streamBytes, on Linux or under Wine.
std::chrono::milliseconds RunBound(const RunPlan& plan, std::size_t streamBytes, bool wine);

}  // namespace soak
