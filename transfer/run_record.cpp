#include "run_record.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>

#include "control_chars.h"

namespace {

std::int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class RunRecorder {
  public:
    RunClock SetClock(RunClock clock) {
        std::lock_guard lock(mutex_);
        RunClock previous = std::move(clock_);
        clock_ = clock ? std::move(clock) : RunClock(SteadyMilliseconds);
        return previous;
    }

    void Start(std::int32_t level) {
        const std::int64_t now = clock_();
        RunRecord fresh;
        // A test of minutes fits without the vectors growing while the sender runs.
        fresh.events.reserve(4096);
        fresh.bucketBytes.reserve(8192);
        std::lock_guard lock(mutex_);
        record_ = std::move(fresh);
        origin_ = now;
        level_ = level;
        record_.started = true;
        AppendLocked(RunEventKind::Start, 0, 0);
    }

    void Append(RunEventKind kind, std::int32_t level, std::int32_t endReason) {
        const std::int64_t now = clock_();
        std::lock_guard lock(mutex_);
        if (!record_.started || record_.ended) {
            return;
        }
        if (kind == RunEventKind::LevelStep) {
            level_ = level;
        }
        AppendLocked(kind, now - origin_, endReason);
        if (kind == RunEventKind::End) {
            record_.ended = true;
        }
    }

    void Written(std::int64_t bytes) {
        if (bytes <= 0) {
            return;
        }
        const std::int64_t now = clock_();
        std::lock_guard lock(mutex_);
        if (!record_.started || record_.ended) {
            return;
        }
        const auto bucket =
            static_cast<std::size_t>(std::max<std::int64_t>(now - origin_, 0) / kRunBucketMs);
        if (record_.bucketBytes.size() <= bucket) {
            record_.bucketBytes.resize(bucket + 1, 0);
        }
        record_.bucketBytes[bucket] += bytes;
        record_.writtenBytes += bytes;
    }

    RunRecord Copy() const {
        std::lock_guard lock(mutex_);
        return record_;
    }

  private:
    void AppendLocked(RunEventKind kind, std::int64_t ms, std::int32_t endReason) {
        // A clock that went back (a test clock, a suspended machine) never reorders the record.
        if (!record_.events.empty() && ms < record_.events.back().ms) {
            ms = record_.events.back().ms;
        }
        record_.events.push_back({ms, kind, level_, record_.writtenBytes, endReason});
    }

    mutable std::mutex mutex_;
    RunClock clock_ = SteadyMilliseconds;
    RunRecord record_;
    std::int64_t origin_ = 0;
    std::int32_t level_ = 0;
};

RunRecorder& Recorder() {
    static RunRecorder recorder;
    return recorder;
}

}  // namespace

RunClock SetRunClock(RunClock clock) {
    return Recorder().SetClock(std::move(clock));
}

void RecordRunStart(std::int32_t level) {
    Recorder().Start(level);
}

void RecordLevelStep(std::int32_t level) {
    Recorder().Append(RunEventKind::LevelStep, level, 0);
}

void RecordMachineChar(char c) {
    switch (c) {
        case kXoff:
            Recorder().Append(RunEventKind::Xoff, 0, 0);
            break;
        case kXon:
            Recorder().Append(RunEventKind::Xon, 0, 0);
            break;
        case kEnq:
            Recorder().Append(RunEventKind::Enq, 0, 0);
            break;
        case kAck:
            Recorder().Append(RunEventKind::Ack, 0, 0);
            break;
        case kNak:
            Recorder().Append(RunEventKind::Nak, 0, 0);
            break;
        default:
            break;
    }
}

void RecordBytesWritten(std::int64_t bytes) {
    Recorder().Written(bytes);
}

void RecordRunEnd(std::int32_t endReason) {
    Recorder().Append(RunEventKind::End, 0, endReason);
}

RunRecord CopyRunRecord() {
    return Recorder().Copy();
}
