// The record of one test as it happened, kept for the result and its pictures: when the
// level stepped, when the machine held and released the tool, its ENQ/ACK/NAK, and how many
// bytes went to the port, all on one monotonic clock counted from the start of the test.
// The worker is the only writer; every record call takes a lock for a few words and never
// waits for anything else, so the sender is never held up by a reader. The window and the
// console read a copy.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

enum class RunEventKind : std::uint8_t {
    Start,      // level: the level the test begins at
    LevelStep,  // level: the new level
    Xoff,
    Xon,
    Enq,
    Ack,
    Nak,
    End,  // endReason: a TransferEnd
};

struct RunEvent {
    std::int64_t ms = 0;  // since the start of the test
    RunEventKind kind = RunEventKind::Start;
    std::int32_t level = 0;         // the level in force when it happened (the new one on a step)
    std::int64_t writtenBytes = 0;  // bytes written to the port up to this moment
    std::int32_t endReason = 0;     // End only
};

// Bytes written are summed per bucket of this many milliseconds: fine enough for a curve of
// a run of seconds, coarse enough that an hour is a few tens of thousands of numbers.
inline constexpr std::int64_t kRunBucketMs = 100;

struct RunRecord {
    std::vector<RunEvent> events;           // in time order
    std::vector<std::int64_t> bucketBytes;  // bucket i covers [i, i + 1) * kRunBucketMs
    std::int64_t writtenBytes = 0;
    bool started = false;
    bool ended = false;
};

// The recorder's clock in milliseconds since an arbitrary fixed point; tests install their own.
using RunClock = std::function<std::int64_t()>;
// Installs clock (empty: the system's monotonic clock) and returns the previous one. Not
// while a test runs.
RunClock SetRunClock(RunClock clock);

// Engine side, called by the worker thread only.
void RecordRunStart(std::int32_t level);
void RecordLevelStep(std::int32_t level);
// Any byte from the machine; only its control characters are kept.
void RecordMachineChar(char c);
void RecordBytesWritten(std::int64_t bytes);
void RecordRunEnd(std::int32_t endReason);

// A copy of the record so far (of the last test once it has ended), for any thread.
RunRecord CopyRunRecord();
