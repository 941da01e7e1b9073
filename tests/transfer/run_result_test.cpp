#include "run_result.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "transfer_state.h"

namespace {

using K = RunEventKind;

RunEvent At(std::int64_t ms, K kind, std::int32_t level, std::int64_t bytes,
            TransferEnd end = TransferEnd::None) {
    return {ms, kind, level, bytes, static_cast<std::int32_t>(end)};
}

struct ExpectedLevel {
    std::int32_t level;
    std::int64_t fromMs, toMs, bytes;
    double bytesPerSecond;
    std::int32_t xoffCount;
    std::int64_t heldMs, longestHoldMs;
};

struct ResultCase {
    std::string name;
    std::vector<RunEvent> events;
    std::int64_t writtenBytes;
    bool ended;
    std::vector<ExpectedLevel> levels;
    std::vector<HoldSpan> holds;
    std::optional<std::int32_t> firstXoffLevel;
    std::int64_t durationMs;
    double heldShare;
    TransferEnd end;
    std::size_t buckets = 0;  // of bytes, for a record still running
};

// Worked out by hand from the events; every level's time runs from its step to the next.
const ResultCase kCases[] = {
    {"NoHoldsEndOfFile",
     {At(0, K::Start, 5, 0), At(1000, K::LevelStep, 7, 600), At(2500, K::LevelStep, 9, 1200),
      At(4000, K::End, 9, 3000, TransferEnd::EndOfFile)},
     3000,
     true,
     {{5, 0, 1000, 600, 600.0, 0, 0, 0},
      {7, 1000, 2500, 600, 400.0, 0, 0, 0},
      {9, 2500, 4000, 1800, 1200.0, 0, 0, 0}},
     {},
     std::nullopt,
     4000,
     0.0,
     TransferEnd::EndOfFile},
    {"HoldSpanningALevelStep",
     {At(0, K::Start, 10, 0), At(500, K::Xoff, 10, 400), At(800, K::LevelStep, 11, 500),
      At(1300, K::Xon, 11, 500), At(1500, K::Xoff, 11, 700), At(1600, K::Xon, 11, 700),
      At(2000, K::End, 11, 1000, TransferEnd::LevelPassed)},
     1000,
     true,
     // The first hold counts 300 ms at level 10 and 500 at 11, and is level 10's longest.
     {{10, 0, 800, 500, 625.0, 1, 300, 800}, {11, 800, 2000, 500, 500.0 / 1.2, 1, 600, 100}},
     {{500, 1300, 10, false}, {1500, 1600, 11, false}},
     10,
     2000,
     0.45,
     TransferEnd::LevelPassed},
    {"HoldOpenAtTheEndOfAStoppedRun",
     {At(0, K::Start, 5, 0), At(1000, K::LevelStep, 7, 600), At(1200, K::Xoff, 7, 700),
      At(1300, K::Xoff, 7, 700), At(3000, K::End, 7, 700, TransferEnd::Stopped)},
     700,
     true,
     // A second XOFF while held is counted but starts no hold of its own.
     {{5, 0, 1000, 600, 600.0, 0, 0, 0}, {7, 1000, 3000, 100, 50.0, 2, 1800, 1800}},
     {{1200, 3000, 7, true}},
     7,
     3000,
     0.6,
     TransferEnd::Stopped},
    {"StoppedBeforeTheFirstStep",
     {At(0, K::Start, 5, 0), At(250, K::End, 5, 40, TransferEnd::Stopped)},
     40,
     true,
     {{5, 0, 250, 40, 160.0, 0, 0, 0}},
     {},
     std::nullopt,
     250,
     0.0,
     TransferEnd::Stopped},
    {"HandshakeAndAnXonWithoutAHold",
     {At(0, K::Start, 5, 0), At(10, K::Enq, 5, 0), At(20, K::Ack, 5, 0), At(30, K::Xon, 5, 0),
      At(1000, K::LevelStep, 7, 600), At(1100, K::Nak, 7, 650), At(1200, K::Ack, 7, 650),
      At(1500, K::End, 7, 900, TransferEnd::EndOfFile)},
     900,
     true,
     {{5, 0, 1000, 600, 600.0, 0, 0, 0}, {7, 1000, 1500, 300, 600.0, 0, 0, 0}},
     {},
     std::nullopt,
     1500,
     0.0,
     TransferEnd::EndOfFile},
    {"StillRunningEndsAtItsLastBucket",
     {At(0, K::Start, 5, 0), At(700, K::Xoff, 5, 300)},
     300,
     false,
     {{5, 0, 1200, 300, 250.0, 1, 500, 500}},
     {{700, 1200, 5, true}},
     5,
     1200,
     500.0 / 1200,
     TransferEnd::None,
     12},
};

class RunResultTest : public testing::TestWithParam<ResultCase> {};

TEST_P(RunResultTest, PerLevelFiguresAndHeadline) {
    const ResultCase& c = GetParam();
    RunRecord record;
    record.events = c.events;
    record.writtenBytes = c.writtenBytes;
    record.started = true;
    record.ended = c.ended;
    record.bucketBytes.assign(c.buckets, 0);

    const RunResult result = ComputeRunResult(record);

    ASSERT_EQ(result.levels.size(), c.levels.size());
    for (std::size_t i = 0; i < c.levels.size(); ++i) {
        const LevelResult& got = result.levels[i];
        const ExpectedLevel& want = c.levels[i];
        SCOPED_TRACE("level " + std::to_string(want.level));
        EXPECT_EQ(got.level, want.level);
        EXPECT_EQ(got.fromMs, want.fromMs);
        EXPECT_EQ(got.toMs, want.toMs);
        EXPECT_EQ(got.bytes, want.bytes);
        EXPECT_NEAR(got.bytesPerSecond, want.bytesPerSecond, 1e-6);
        EXPECT_EQ(got.xoffCount, want.xoffCount);
        EXPECT_EQ(got.heldMs, want.heldMs);
        EXPECT_EQ(got.longestHoldMs, want.longestHoldMs);
    }
    ASSERT_EQ(result.holds.size(), c.holds.size());
    for (std::size_t i = 0; i < c.holds.size(); ++i) {
        EXPECT_EQ(result.holds[i].fromMs, c.holds[i].fromMs);
        EXPECT_EQ(result.holds[i].toMs, c.holds[i].toMs);
        EXPECT_EQ(result.holds[i].level, c.holds[i].level);
        EXPECT_EQ(result.holds[i].open, c.holds[i].open);
    }
    EXPECT_EQ(result.firstXoffLevel, c.firstXoffLevel);
    EXPECT_EQ(result.durationMs, c.durationMs);
    EXPECT_NEAR(result.heldShare, c.heldShare, 1e-9);
    EXPECT_EQ(result.ended, c.ended);
    EXPECT_EQ(result.endReason, static_cast<std::int32_t>(c.end));
    EXPECT_EQ(result.writtenBytes, c.writtenBytes);
}

INSTANTIATE_TEST_SUITE_P(HandWorked, RunResultTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ResultCase>& c) { return c.param.name; });

TEST(RunResultCounts, ControlCharactersAndHighestLevel) {
    RunRecord record;
    record.events = {At(0, K::Start, 5, 0),      At(10, K::Enq, 5, 0),
                     At(20, K::Ack, 5, 0),       At(30, K::Xoff, 5, 0),
                     At(40, K::Xon, 5, 0),       At(50, K::Nak, 5, 0),
                     At(60, K::LevelStep, 7, 1), At(70, K::End, 7, 1, TransferEnd::EndOfFile)};
    record.ended = true;
    const RunResult result = ComputeRunResult(record);
    EXPECT_EQ(result.enqCount, 1);
    EXPECT_EQ(result.ackCount, 1);
    EXPECT_EQ(result.nakCount, 1);
    EXPECT_EQ(result.xoffCount, 1);
    EXPECT_EQ(result.xonCount, 1);
    EXPECT_EQ(result.highestLevel, 7);
}

TEST(RunResultCounts, AnEmptyRecordHasNoLevels) {
    const RunResult result = ComputeRunResult(RunRecord{});
    EXPECT_TRUE(result.levels.empty());
    EXPECT_EQ(result.durationMs, 0);
    EXPECT_EQ(result.heldShare, 0);
}

}  // namespace
