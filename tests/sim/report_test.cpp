#include "report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine_model.h"

namespace {

using namespace std::chrono_literals;
using cnc_sim::LineStats;
using cnc_sim::MachineConfig;
using cnc_sim::MachineModel;
using cnc_sim::MachineStats;
using cnc_sim::ReportJson;
using cnc_sim::SessionFacts;
using testing::HasSubstr;

TEST(CncSimReportTest, ScriptedSession) {
    MachineConfig config;
    config.bufferBytes = 16;
    config.xoffAt = 12;
    config.xonAt = 4;
    config.drainRate = 200;
    config.enqEvery = 10;
    config.nakAt = {15};
    config.nakHold = 50ms;
    config.startXon = true;
    config.startXonDelay = 0ms;
    MachineModel model(config);

    EXPECT_EQ(model.Connect(0ms), "\x11");
    EXPECT_EQ(model.Receive("abcdefghijkl", 10ms).reply, "\x05\x13");
    model.RepliesWritten(10ms);
    EXPECT_EQ(model.Receive("\x06mn", 12ms).reply, "");
    EXPECT_EQ(model.Advance(60ms), "\x11");
    model.RepliesWritten(61ms);
    EXPECT_EQ(model.Receive("o", 63ms).reply, "\x15");
    EXPECT_EQ(model.Advance(113ms), "\x06");
    EXPECT_EQ(model.Receive("pqrst", 120ms).reply, "\x05");

    LineStats line;
    line.baud = 9600;
    line.frame = {8, 'N', 3};
    line.afterXoff = {2};
    line.writtenAfterXoff = {1};
    line.queueMax = 14;
    line.purged = 3;

    const SessionFacts session{1250ms, {10ms, 61'000'999ns}, 120ms, false};
    EXPECT_EQ(ReportJson(model.Stats(), line, session), R"({
  "bytes_received": 20,
  "xoff_sent": 1,
  "xon_sent": 1,
  "after_xoff": {
    "max": 2,
    "median": 2,
    "per_xoff": [2]
  },
  "written_after_xoff": {
    "max": 1,
    "median": 1
  },
  "uart_queue_max": 14,
  "enq_sent": 2,
  "acks_received": 1,
  "naks_sent": 1,
  "nuls_sent": 0,
  "noise_sent": 0,
  "overflow_bytes": 0,
  "xon_to_next_byte_ms": {
    "median": 2,
    "p99": 2,
    "max": 2,
    "count": 1
  },
  "line": {
    "baud": 9600,
    "bits_per_char": 10.5,
    "purged_bytes": 3
  },
  "duration_s": 1.25,
  "start_xon_sent": true,
  "reading_stopped": false,
  "xon_written_us": [10000, 61000],
  "tool_last_wrote_us": 120000,
  "line_hung_up": false
}
)");
}

struct SummaryCase {
    const char* name;

    friend void PrintTo(const SummaryCase& c, std::ostream* os) { *os << c.name; }
    std::vector<std::uint64_t> afterXoff;
    std::vector<std::chrono::nanoseconds> xonGaps;
    std::string afterXoffBlock;
    std::string xonBlock;
};

class CncSimReportSummaryTest : public testing::TestWithParam<SummaryCase> {};

TEST_P(CncSimReportSummaryTest, FiguresOfTheLists) {
    const SummaryCase& c = GetParam();
    MachineStats stats;
    stats.xonToNextByte = c.xonGaps;
    LineStats line;
    line.afterXoff = c.afterXoff;
    const std::string json = ReportJson(stats, line, SessionFacts{});
    EXPECT_THAT(json, HasSubstr("\"after_xoff\": {\n" + c.afterXoffBlock + "\n  },"));
    EXPECT_THAT(json, HasSubstr("\"xon_to_next_byte_ms\": {\n" + c.xonBlock + "\n  },"));
    EXPECT_THAT(json, HasSubstr("\"duration_s\": 0,"));
    EXPECT_THAT(json, HasSubstr("\"xon_written_us\": [],\n  \"tool_last_wrote_us\": -1,"))
        << "a tool that sent nothing";
}

std::string AfterXoffBlock(const char* max, const char* median, const char* list) {
    return std::string("    \"max\": ") + max + ",\n    \"median\": " + median +
           ",\n    \"per_xoff\": " + list;
}

std::string XonBlock(const char* median, const char* p99, const char* max, const char* count) {
    return std::string("    \"median\": ") + median + ",\n    \"p99\": " + p99 +
           ",\n    \"max\": " + max + ",\n    \"count\": " + count;
}

// 1 ms to 200 ms, out of order.
std::vector<std::chrono::nanoseconds> TwoHundredGaps() {
    std::vector<std::chrono::nanoseconds> gaps;
    for (int i = 0; i < 200; ++i) {
        gaps.push_back(std::chrono::milliseconds(i * 7 % 200 + 1));
    }
    return gaps;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimReportSummaryTest,
    testing::Values(
        SummaryCase{"Empty", {}, {}, AfterXoffBlock("0", "0", "[]"), XonBlock("0", "0", "0", "0")},
        SummaryCase{"EvenCounts",
                    {3, 0, 2, 5},
                    {4ms, 1ms, 3ms, 2ms},
                    AfterXoffBlock("5", "2.5", "[3, 0, 2, 5]"),
                    XonBlock("2.5", "4", "4", "4")},
        SummaryCase{"NearestRankP99",
                    {7},
                    TwoHundredGaps(),
                    AfterXoffBlock("7", "7", "[7]"),
                    XonBlock("100.5", "198", "200", "200")},
        SummaryCase{"MicrosecondsKept",
                    {1, 4, 2},
                    {1'234'567ns, 250us},
                    AfterXoffBlock("4", "2", "[1, 4, 2]"),
                    XonBlock("0.742", "1.235", "1.235", "2")}));

}  // namespace
