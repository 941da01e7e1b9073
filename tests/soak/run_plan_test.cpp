#include "run_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "options.h"

namespace {

using namespace std::chrono_literals;
using soak::DrawRun;
using soak::Fault;
using soak::RunPlan;

std::string ArgumentText(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args) {
        text += (text.empty() ? "" : " ") + arg;
    }
    return text;
}

TEST(SoakRunPlanTest, ASeedAlwaysGivesTheSameRunAndNeighboursDiffer) {
    for (const bool faults : {false, true}) {
        EXPECT_EQ(soak::Describe(DrawRun(42, faults)), soak::Describe(DrawRun(42, faults)));
        EXPECT_NE(soak::Describe(DrawRun(42, faults)), soak::Describe(DrawRun(43, faults)));
    }
}

// Every machine drawn must be one the simulator takes, and every line one the runner offers;
// a run that cannot start is no test.
TEST(SoakRunPlanTest, EveryDrawnRunIsOneTheProgramsTake) {
    for (std::uint64_t seed = 0; seed < 3000; ++seed) {
        const RunPlan plan = DrawRun(seed, seed % 2 == 1);
        const auto line = cnc_sim::ParseCommandLine(soak::MachineArguments(plan));
        ASSERT_EQ(line.error, "") << "seed " << seed << ": "
                                  << ArgumentText(soak::MachineArguments(plan));
        EXPECT_EQ(line.options.machine.bufferBytes, plan.machine.buffer);
        EXPECT_EQ(line.options.machine.xoffAt, plan.machine.xoffAt) << "seed " << seed;

        const auto args = soak::LineArguments(plan);
        ASSERT_EQ(args.size(), 9u);
        EXPECT_THAT(args[1], testing::MatchesRegex("1200|2400|4800|9600|19200|38400|57600|"
                                                   "115200|230400|460800|921600"));
        EXPECT_THAT(args[7], testing::MatchesRegex("none|odd|even"));
        EXPECT_EQ(args[8] == "--wait-start",
                  plan.machine.startXonAfter.has_value() || plan.machine.startNever);
    }
}

// A slow line or a slow machine would keep a whole test going for minutes or hours: such a
// run must be stopped, or end early by itself.
TEST(SoakRunPlanTest, SlowRunsAreStoppedOrEndEarly) {
    for (std::uint64_t seed = 0; seed < 3000; ++seed) {
        const RunPlan plan = DrawRun(seed, seed % 2 == 1);
        const bool slow =
            plan.line.baud < 115'200 || (plan.machine.rate != 0 && plan.machine.rate < 5'000);
        if (!slow) {
            continue;
        }
        const bool stopped = plan.fault.kind == Fault::kStop && plan.fault.afterBytes == 0;
        const bool endsEarly = plan.program.overLongNear && *plan.program.overLongNear <= 4'000;
        EXPECT_TRUE(stopped || endsEarly) << "seed " << seed << ": " << soak::Describe(plan);
    }
}

// What the soak promises to exercise must turn up among the draws, each more than a handful
// of times in a thousand runs.
TEST(SoakRunPlanTest, TheDrawsCoverEveryMachineProgramLineAndFault) {
    std::map<std::string, int> seen;
    for (std::uint64_t seed = 0; seed < 2000; ++seed) {
        const RunPlan plan = DrawRun(seed, seed % 2 == 1);
        const auto& m = plan.machine;
        const auto& p = plan.program;
        const std::size_t headroom = m.buffer - m.xoffAt;
        const auto count = [&seen](const char* what, bool happened) { seen[what] += happened; };
        count("buffer under 128", m.buffer < 128);
        count("buffer over 4096", m.buffer > 4096);
        count("headroom one above the largest chunk", headroom == 57);
        count("room for the tool's in-flight and a slow pty", headroom > 2 * soak::kToolInFlight);
        count("XOFF storm", m.xoffAt - m.xonAt <= 3);
        count("instant machine", m.rate == 0);
        count("a few bytes a second", m.rate != 0 && m.rate < 100);
        count("ENQ", m.enqEvery != 0);
        count("ENQ after every byte", m.enqEvery == 1);
        count("NUL", m.nulEvery != 0);
        count("NAK", !m.nakAt.empty());
        count("start XON", m.startXonAfter.has_value());
        count("stops reading for a while", m.stopReadingAt && m.stopReadingFor);
        count("7 bits", plan.line.dataBits == 7);
        count("parity", plan.line.parity != 'N');
        count("2 stop bits", plan.line.stopBits == 2);
        count("slow line", plan.line.baud < 115'200);
        count("921600", plan.line.baud == 921'600);
        count("LF only", p.lineEnds == soak::LineEnds::kLf);
        count("CR LF only", p.lineEnds == soak::LineEnds::kCrLf);
        count("NULs in the program", p.nuls != 0);
        count("full lines", p.fullLines != 0);
        count("Hangul comments", p.hangulComments != 0);
        count("over-long line", p.overLongNear.has_value());
        count("last line without LF", p.lastLineUnterminated);
        count("program over 2 MB", p.minBytes > 2'000'000);
        count("stop", plan.fault.kind == Fault::kStop);
        count("machine killed", plan.fault.kind == Fault::kMachineKilled);
        count("machine closed", plan.fault.kind == Fault::kMachineClosed);
        count("line hung up", plan.fault.kind == Fault::kLineHungUp);
        count("file truncated", plan.fault.kind == Fault::kFileTruncated);
        count("file deleted", plan.fault.kind == Fault::kFileDeleted);
        count("file grown", plan.fault.kind == Fault::kFileGrown);
        count("holds for ever", m.stopReadingAt && !m.stopReadingFor);
        count("NAK for ever", m.nakHold > 1h);
        count("start XON never", m.startNever);
        count("noise", m.noiseEvery.count() != 0);
    }
    for (const auto& [what, times] : seen) {
        EXPECT_GE(times, 10) << what;
    }
}

TEST(SoakRunPlanTest, TheFaultTableHasEveryFaultUnderANameOfItsOwn) {
    std::set<std::string> names;
    std::set<Fault> faults;
    for (const RunPlan& plan : soak::FaultTable()) {
        EXPECT_TRUE(names.insert(plan.name).second) << plan.name;
        faults.insert(plan.fault.kind);
        EXPECT_EQ(cnc_sim::ParseCommandLine(soak::MachineArguments(plan)).error, "") << plan.name;
        EXPECT_TRUE(soak::HeadroomCoversTheTool(plan.machine) || plan.machine.rate == 0)
            << plan.name;
    }
    EXPECT_EQ(faults.size(), 8u) << "every kind of fault, and runs without one";
}

struct FitCase {
    const char* name;
    Fault fault;
    std::uint64_t afterBytes;
    std::size_t truncateTo;
    std::size_t stream;
    Fault fitted;
    std::uint64_t fittedAfter;
    std::size_t fittedTruncate;

    friend void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }
};

class SoakFitFaultTest : public testing::TestWithParam<FitCase> {};

TEST_P(SoakFitFaultTest, StrikesWhileThereIsStillMuchToSend) {
    const FitCase& c = GetParam();
    RunPlan plan;
    plan.fault = {c.fault, c.afterBytes, 0ms, c.truncateTo};
    if (c.fault == Fault::kLineHungUp) {
        plan.machine.hangUpAt = c.afterBytes;
    }
    soak::FitFaultToStream(plan, c.stream);
    EXPECT_EQ(plan.fault.kind, c.fitted);
    EXPECT_EQ(plan.fault.afterBytes, c.fittedAfter);
    EXPECT_EQ(plan.fault.truncateTo, c.fittedTruncate);
    if (c.fault == Fault::kLineHungUp) {
        EXPECT_EQ(plan.machine.hangUpAt,
                  c.fitted == Fault::kNone ? std::nullopt : std::optional(c.fittedAfter));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoakFitFaultTest,
    testing::Values(FitCase{"Untouched", Fault::kMachineKilled, 10'000, 0, 50'000,
                            Fault::kMachineKilled, 10'000, 0},
                    FitCase{"MovedBefore", Fault::kFileTruncated, 40'000, 30'000, 20'000,
                            Fault::kFileTruncated, 16'000, 16'000},
                    FitCase{"HangUpMovedWithIt", Fault::kLineHungUp, 9'000, 0, 10'000,
                            Fault::kLineHungUp, 6'000, 0},
                    FitCase{"DroppedForAShortStream", Fault::kLineHungUp, 1'000, 0, 4'400,
                            Fault::kNone, 0, 0},
                    FitCase{"StopsAreTimed", Fault::kStop, 0, 0, 100, Fault::kStop, 0, 0}));

TEST(SoakRunPlanTest, HeadroomCoversTheToolOnlyWhenTheMachineBuffersAndHasRoom) {
    soak::MachinePlan m;
    m.buffer = 1000;
    m.xoffAt = 1000 - 156;
    m.rate = 100;
    EXPECT_TRUE(soak::HeadroomCoversTheTool(m));
    m.xoffAt += 1;
    EXPECT_FALSE(soak::HeadroomCoversTheTool(m)) << "one byte short";
    m.xoffAt -= 1;
    m.noiseEvery = 2ms;
    EXPECT_FALSE(soak::HeadroomCoversTheTool(m)) << "noise lifts holds at random";
    m.noiseEvery = 0ms;
    m.rate = 0;
    EXPECT_FALSE(soak::HeadroomCoversTheTool(m)) << "takes every byte at once";
    m.stopReadingAt = 500;
    EXPECT_TRUE(soak::HeadroomCoversTheTool(m)) << "but fills while it does not read";
}

TEST(SoakRunPlanTest, TheBoundGrowsWithTheLineTheMachineAndItsHolds) {
    RunPlan plan;
    plan.line.baud = 921'600;
    const auto fast = soak::RunBound(plan, 50'000, false);
    EXPECT_GT(fast, 2s);
    EXPECT_LT(fast, 10s);
    plan.line.baud = 9'600;
    EXPECT_GT(soak::RunBound(plan, 50'000, false), 70s) << "50 KB at 960 bytes a second";
    plan.line.baud = 921'600;
    plan.machine.rate = 1'000;
    EXPECT_GT(soak::RunBound(plan, 50'000, false), 70s) << "a machine that takes 1000 a second";
    plan.machine.rate = 0;
    plan.machine.nakAt = {1'000, 60'000};
    plan.machine.nakHold = 10s;
    EXPECT_GT(soak::RunBound(plan, 50'000, false), fast + 10s) << "one NAK within the stream";
    EXPECT_LT(soak::RunBound(plan, 50'000, false), fast + 20s);
    EXPECT_GT(soak::RunBound(plan, 50'000, true), soak::RunBound(plan, 50'000, false));
}

}  // namespace
