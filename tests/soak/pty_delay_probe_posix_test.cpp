#include "pty_delay_probe_posix.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;
using soak::DelayRecord;
using soak::ProbeClock;

TEST(SoakDelayRecordTest, TheLongestDelayOfTheSecondsAWindowTouches) {
    DelayRecord record;
    const ProbeClock::time_point t0{std::chrono::seconds(100)};
    record.Add(t0 + 100ms, 300us);
    record.Add(t0 + 900ms, 2ms);
    record.Add(t0 + 1500ms, 40us);
    record.Add(t0 + 3200ms, 7ms);
    EXPECT_EQ(record.LongestBetween(t0 + 1100ms, t0 + 1200ms), 40us);
    EXPECT_EQ(record.LongestBetween(t0 + 950ms, t0 + 1200ms), 2ms) << "whole seconds";
    EXPECT_EQ(record.LongestBetween(t0, t0 + 10s), 7ms);
    EXPECT_EQ(record.LongestBetween(t0 + 2s, t0 + 2500ms), 0us) << "nothing measured";
}

// On a real pty: a byte written to the master reaches the slave in some time, never none.
TEST(SoakPtyDelayProbeTest, MeasuresThePtysDelayWhileItRuns) {
    soak::PtyDelayProbe probe;
    const auto start = ProbeClock::now();
    std::this_thread::sleep_for(100ms);
    const auto longest = probe.Record().LongestBetween(start, ProbeClock::now());
    EXPECT_GT(longest, 0us);
    EXPECT_LT(longest, 1s);
}

}  // namespace
