#include "run_result.h"

#include <algorithm>

namespace {

// A record still running ends, for now, at its latest moment: the last event or the last
// bucket with bytes in it.
std::int64_t EndOf(const RunRecord& record) {
    std::int64_t end = record.events.empty() ? 0 : record.events.back().ms;
    if (!record.ended) {
        end = std::max<std::int64_t>(
            end, static_cast<std::int64_t>(record.bucketBytes.size()) * kRunBucketMs);
    }
    return end;
}

void CollectLevelsAndHolds(const RunRecord& record, std::int64_t endMs, RunResult& result) {
    std::optional<HoldSpan> hold;
    for (const RunEvent& event : record.events) {
        switch (event.kind) {
            case RunEventKind::Start:
            case RunEventKind::LevelStep:
                if (!result.levels.empty()) {
                    result.levels.back().toMs = event.ms;
                    result.levels.back().bytes = event.writtenBytes - result.levels.back().bytes;
                }
                // bytes holds the count at the level's start until the level closes.
                result.levels.push_back({event.level, event.ms, endMs, event.writtenBytes});
                result.highestLevel = std::max(result.highestLevel, event.level);
                break;
            case RunEventKind::Xoff:
                result.xoffCount += 1;
                if (!result.firstXoffLevel) {
                    result.firstXoffLevel = event.level;
                }
                if (!result.levels.empty()) {
                    result.levels.back().xoffCount += 1;
                }
                if (!hold) {
                    hold = HoldSpan{event.ms, endMs, event.level, true};
                }
                break;
            case RunEventKind::Xon:
                result.xonCount += 1;
                if (hold) {
                    hold->toMs = event.ms;
                    hold->open = false;
                    result.holds.push_back(*hold);
                    hold.reset();
                }
                break;
            case RunEventKind::Enq:
                result.enqCount += 1;
                break;
            case RunEventKind::Ack:
                result.ackCount += 1;
                break;
            case RunEventKind::Nak:
                result.nakCount += 1;
                break;
            case RunEventKind::End:
                result.ended = true;
                result.endReason = event.endReason;
                break;
        }
    }
    if (hold) {
        result.holds.push_back(*hold);
    }
    if (!result.levels.empty()) {
        result.levels.back().bytes = record.writtenBytes - result.levels.back().bytes;
    }
}

void AddHoldsToLevels(RunResult& result) {
    for (const HoldSpan& hold : result.holds) {
        result.heldMs += hold.DurationMs();
        bool begun = false;
        for (LevelResult& level : result.levels) {
            const std::int64_t from = std::max(hold.fromMs, level.fromMs);
            const std::int64_t to = std::min(hold.toMs, level.toMs);
            if (to > from) {
                level.heldMs += to - from;
            }
            // The level in force at the XOFF owns the whole hold as its longest.
            if (!begun && level.level == hold.level && hold.fromMs >= level.fromMs &&
                hold.fromMs <= level.toMs) {
                level.longestHoldMs = std::max(level.longestHoldMs, hold.DurationMs());
                begun = true;
            }
        }
    }
}

}  // namespace

RunResult ComputeRunResult(const RunRecord& record) {
    RunResult result;
    result.writtenBytes = record.writtenBytes;
    const std::int64_t endMs = EndOf(record);
    const std::int64_t startMs = record.events.empty() ? 0 : record.events.front().ms;
    result.durationMs = endMs - startMs;
    CollectLevelsAndHolds(record, endMs, result);
    AddHoldsToLevels(result);
    for (LevelResult& level : result.levels) {
        const std::int64_t ms = level.DurationMs();
        level.bytesPerSecond =
            ms > 0 ? static_cast<double>(level.bytes) * 1000.0 / static_cast<double>(ms) : 0;
    }
    result.heldShare = result.durationMs > 0 ? static_cast<double>(result.heldMs) /
                                                   static_cast<double>(result.durationMs)
                                             : 0;
    return result;
}
