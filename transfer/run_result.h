// The answer of a test, worked out from its record: what each level the test reached moved
// and how the machine held it there, and the headline an engineer looks for first.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "run_record.h"

struct LevelResult {
    std::int32_t level = 0;
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
    std::int64_t bytes = 0;          // written to the port while at the level
    double bytesPerSecond = 0;       // bytes over the time at the level; 0 for no time
    std::int32_t xoffCount = 0;      // XOFFs received while at the level
    std::int64_t heldMs = 0;         // the part of the level's time the machine held the tool
    std::int64_t longestHoldMs = 0;  // the longest hold that began at the level, whole

    std::int64_t DurationMs() const { return toMs - fromMs; }
};

// From an XOFF that found the tool free to the next XON; a hold the test ended in runs to the
// end and is open.
struct HoldSpan {
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
    std::int32_t level = 0;  // where it began
    bool open = false;

    std::int64_t DurationMs() const { return toMs - fromMs; }
};

struct RunResult {
    std::vector<LevelResult> levels;  // in the order reached
    std::vector<HoldSpan> holds;
    // The level of the machine's first XOFF: the machine holds from there on. None when it
    // never held.
    std::optional<std::int32_t> firstXoffLevel;
    std::int32_t highestLevel = 0;
    std::int64_t durationMs = 0;
    std::int64_t heldMs = 0;
    double heldShare = 0;  // heldMs over durationMs, 0..1
    std::int64_t writtenBytes = 0;
    std::int32_t xoffCount = 0;
    std::int32_t xonCount = 0;
    std::int32_t enqCount = 0;
    std::int32_t ackCount = 0;
    std::int32_t nakCount = 0;
    bool ended = false;
    std::int32_t endReason = 0;  // a TransferEnd, once ended
};

RunResult ComputeRunResult(const RunRecord& record);
