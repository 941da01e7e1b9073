#include "run_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using namespace std::chrono_literals;
using soak::CheckRun;
using soak::Expected;
using soak::Fault;
using soak::Outcome;
using soak::RunPlan;

const std::string kEnded = "테스트가 완료되어 중단합니다.!!!";
const std::string kEndLog = "\n 테스트완료, 전송중단 12:0:1\n";
const std::string kPortLost = "DNC Message: Com9 연결이 끊어졌습니다.!!!\n";
const std::string kFileFault = "DNC message: 파일을 끝까지 읽을 수 없습니다.!!!\n";

std::string RunnerReport(const char* end, int sent, int written, int level, int xons) {
    return "{\n  \"file_size\": 250000,\n  \"sent_bytes\": " + std::to_string(sent) +
           ",\n  \"written_bytes\": " + std::to_string(written) +
           ",\n  \"percent\": 0,\n  \"transfer_unit\": " + std::to_string(level) +
           ",\n  \"xon_count\": " + std::to_string(xons) + ",\n  \"end_reason\": \"" + end +
           "\",\n  \"event_log\": \"\"\n}\n";
}

std::string MachineReport(int received, int overflow, int enqs, int acks,
                          const char* xons = "[1000, 50000, 990000]", int lastWrote = 600'000,
                          int wireHeld = 100) {
    return "{\n  \"bytes_received\": " + std::to_string(received) +
           ",\n  \"xoff_sent\": 3,\n  \"xon_sent\": 2,\n  \"after_xoff\": {\n    \"max\": 12,\n"
           "    \"median\": 3,\n    \"per_xoff\": [12, 3, 1]\n  },\n  \"uart_queue_max\": " +
           std::to_string(wireHeld) + ",\n  \"enq_sent\": " + std::to_string(enqs) +
           ",\n  \"acks_received\": " + std::to_string(acks) +
           ",\n  \"overflow_bytes\": " + std::to_string(overflow) +
           ",\n  \"xon_written_us\": " + xons +
           ",\n  \"tool_last_wrote_us\": " + std::to_string(lastWrote) +
           ",\n  \"line_hung_up\": false\n}\n";
}

// 1000 bytes handed over in three batches; the machine sent three XONs, the last after the
// tool's last write and two of them surely read before it.
struct Fixture {
    RunPlan plan;
    Expected expected;
    Outcome outcome;

    Fixture() {
        plan.machine.buffer = 1000;
        plan.machine.xoffAt = 1000 - soak::kToolInFlight;
        plan.machine.xonAt = 100;
        plan.machine.rate = 20'000;
        for (int i = 0; i < 1000; ++i) {
            expected.bytes += static_cast<char>('A' + i % 26);
        }
        expected.end = "level";
        expected.finalLevel = 10;
        expected.handOvers = {{300, 7}, {600, 9}, {1000, 10}};
        outcome.status = 0;
        outcome.out = kEnded + "\n" + kEndLog;
        outcome.report = RunnerReport("level", 1000, 1000, 10, 2);
        outcome.machineReport = MachineReport(1000, 0, 0, 0);
        outcome.received = expected.bytes;
        outcome.receivedAtExit = 1000;
        outcome.ended = 3s;
    }

    // The operator stopped it 1 s in; 600 bytes handed over, 550 written.
    void Stopped() {
        plan.fault = {Fault::kStop, 0, 1000ms, 0};
        outcome.faultAt = 1000ms;
        outcome.ended = 2100ms;
        outcome.status = 1;
        outcome.report = RunnerReport("stopped", 600, 550, 9, 2);
        outcome.received = expected.bytes.substr(0, 550);
        outcome.receivedAtExit = 550;
        outcome.machineReport = MachineReport(550, 0, 0, 0);
    }
};

struct CheckCase {
    const char* name;
    std::function<void(Fixture&)> change;
    std::string failure;  // a part of the one failure expected; empty for none
    std::string late;

    friend void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }
};

class SoakCheckTest : public testing::TestWithParam<CheckCase> {};

TEST_P(SoakCheckTest, Verdict) {
    const CheckCase& c = GetParam();
    Fixture f;
    c.change(f);
    // The runner's last status line names the end its report gives.
    const std::string reason = "\"end_reason\": \"";
    if (const auto at = f.outcome.report.find(reason); at != std::string::npos) {
        const auto from = at + reason.size();
        const std::string end =
            f.outcome.report.substr(from, f.outcome.report.find('"', from) - from);
        if (const auto shown = f.outcome.out.find(kEnded); shown != std::string::npos) {
            f.outcome.out.replace(shown, kEnded.size(), soak::EndStatusText(end));
        }
    }
    const soak::Verdict verdict = CheckRun(f.plan, f.expected, f.outcome, false);
    if (c.failure.empty()) {
        EXPECT_THAT(verdict.failures, testing::IsEmpty());
    } else {
        EXPECT_THAT(verdict.failures, testing::ElementsAre(testing::HasSubstr(c.failure)));
    }
    if (c.late.empty()) {
        EXPECT_THAT(verdict.late, testing::IsEmpty());
    } else {
        EXPECT_THAT(verdict.late, testing::ElementsAre(testing::HasSubstr(c.late)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoakCheckTest,
    testing::Values(
        CheckCase{"AsExpected", [](Fixture&) {}, "", ""},
        CheckCase{"OneByteShort",
                  [](Fixture& f) {
                      f.outcome.received.pop_back();
                      f.outcome.machineReport = MachineReport(999, 0, 0, 0);
                  },
                  "the machine received 999 bytes, not the 1000 expected", ""},
        CheckCase{"TwoBytesSwapped",
                  [](Fixture& f) { std::swap(f.outcome.received[10], f.outcome.received[11]); },
                  "first difference at byte 10 (got 0x4c, expected 0x4b)", ""},
        CheckCase{"WrongLevel",
                  [](Fixture& f) { f.outcome.report = RunnerReport("level", 1000, 1000, 9, 2); },
                  "level 9, expected 10", ""},
        CheckCase{"StatusOfAnotherEnd", [](Fixture& f) { f.outcome.status = 1; },
                  "exit status 1 with end level", ""},
        CheckCase{"WrittenShortOfSent",
                  [](Fixture& f) { f.outcome.report = RunnerReport("level", 1000, 990, 10, 2); },
                  "sent_bytes 1000 and written_bytes 990", ""},
        CheckCase{"Stopped", [](Fixture& f) { f.Stopped(); }, "", ""},
        CheckCase{"StoppedBeforeAnything",
                  [](Fixture& f) {
                      f.Stopped();
                      f.outcome.report = RunnerReport("stopped", 0, 0, 5, 0);
                      f.outcome.received.clear();
                      f.outcome.receivedAtExit = 0;
                      f.outcome.machineReport = MachineReport(0, 0, 0, 0, "[]", -1);
                  },
                  "", ""},
        CheckCase{"StoppedNotAtAHandOver",
                  [](Fixture& f) {
                      f.Stopped();
                      f.outcome.report = RunnerReport("stopped", 650, 550, 9, 2);
                  },
                  "sent_bytes 650 at level 9 is no hand-over", ""},
        CheckCase{"StoppedNotAPrefix",
                  [](Fixture& f) {
                      f.Stopped();
                      f.outcome.received[300] = 'x';
                  },
                  "not a prefix of the expected stream", ""},
        CheckCase{"StoppedButWrittenBytesLost",
                  [](Fixture& f) {
                      f.Stopped();
                      f.outcome.received.resize(500);
                      f.outcome.receivedAtExit = 500;
                      f.outcome.machineReport = MachineReport(500, 0, 0, 0);
                  },
                  "the machine received 500 bytes of the 550 written", ""},
        CheckCase{"StoppedWithNoStop",
                  [](Fixture& f) {
                      f.Stopped();
                      f.plan.fault = {};
                      f.outcome.faultAt.reset();
                  },
                  "ended stopped, expected level", ""},
        CheckCase{"StopCameAsItEnded",
                  [](Fixture& f) {
                      f.plan.fault = {Fault::kStop, 0, 2900ms, 0};
                      f.outcome.faultAt = 2900ms;
                  },
                  "", ""},
        CheckCase{"MachineKilled",
                  [](Fixture& f) {
                      f.Stopped();
                      f.plan.fault = {Fault::kMachineKilled, 500, 0ms, 0};
                      f.outcome.status = 3;
                      f.outcome.report = RunnerReport("port_lost", 600, 560, 9, 2);
                      f.outcome.err = kPortLost;
                      f.outcome.machineReport.clear();
                  },
                  "", ""},
        CheckCase{"PortLostWithoutItsMessage",
                  [](Fixture& f) {
                      f.Stopped();
                      f.plan.fault = {Fault::kMachineClosed, 500, 0ms, 0};
                      f.outcome.status = 3;
                      f.outcome.report = RunnerReport("port_lost", 600, 550, 9, 2);
                  },
                  "\" 연결이 끊어졌습니다.!!!\" 0 times, expected 1", ""},
        CheckCase{"MachineKilledYetEndedByLevel",
                  [](Fixture& f) {
                      f.plan.fault = {Fault::kMachineKilled, 500, 0ms, 0};
                      f.outcome.faultAt = 1000ms;
                  },
                  "ended level, expected port_lost", ""},
        CheckCase{"FileTruncated",
                  [](Fixture& f) {
                      f.Stopped();
                      f.plan.fault = {Fault::kFileTruncated, 500, 0ms, 100};
                      f.outcome.status = 5;
                      f.outcome.report = RunnerReport("file", 600, 600, 9, 2);
                      f.outcome.received = f.expected.bytes.substr(0, 600);
                      f.outcome.receivedAtExit = 600;
                      f.outcome.machineReport = MachineReport(600, 0, 0, 0);
                      f.outcome.err = kFileFault;
                  },
                  "", ""},
        CheckCase{"FileFaultLeavesHandedOverUnwritten",
                  [](Fixture& f) {
                      f.Stopped();
                      f.plan.fault = {Fault::kFileTruncated, 500, 0ms, 100};
                      f.outcome.status = 5;
                      f.outcome.report = RunnerReport("file", 600, 550, 9, 2);
                      f.outcome.err = kFileFault;
                  },
                  "a file fault: received 550, written 550, sent 600", ""},
        CheckCase{"EndShownTwice", [](Fixture& f) { f.outcome.out += kEnded; },
                  "2 times, expected 1", ""},
        CheckCase{"Overflow",
                  [](Fixture& f) { f.outcome.machineReport = MachineReport(1000, 3, 0, 0); },
                  "overflowed by 3", ""},
        CheckCase{"OverflowWhileThePtyWasSlowToHandOverTheXoff",
                  [](Fixture& f) {
                      f.plan.machine.xoffAt = 1000 - 600;
                      f.outcome.ptyDelay = std::chrono::milliseconds(5);
                      f.outcome.machineReport = MachineReport(1000, 3, 0, 0);
                  },
                  "", ""},
        CheckCase{"OverflowWithRoomForWhatThePtyDelayLetThrough",
                  [](Fixture& f) {
                      f.plan.machine.xoffAt = 1000 - 700;
                      f.outcome.ptyDelay = std::chrono::milliseconds(5);
                      f.outcome.machineReport = MachineReport(1000, 3, 0, 0);
                  },
                  "the pty's delay 5000 us", ""},
        CheckCase{"OverflowWhenTheSimulatorsWireFellBehind",
                  [](Fixture& f) {
                      f.outcome.machineReport =
                          MachineReport(1000, 3, 0, 0, "[1000, 50000, 990000]", 600'000, 400);
                  },
                  "", ""},
        CheckCase{"OverflowWithLessRoomThanTheToolMaySend",
                  [](Fixture& f) {
                      f.plan.machine.xoffAt = 1000 - 57;
                      f.outcome.machineReport = MachineReport(1000, 3, 0, 0);
                  },
                  "", ""},
        CheckCase{"MoreXonsThanSent",
                  [](Fixture& f) { f.outcome.report = RunnerReport("level", 1000, 1000, 10, 4); },
                  "xon_count 4: the machine sent 3 XONs, of which the tool read at least 2", ""},
        CheckCase{"AnXonMissed",
                  [](Fixture& f) { f.outcome.report = RunnerReport("level", 1000, 1000, 10, 1); },
                  "xon_count 1", ""},
        CheckCase{"AnXonMissedByAToolThatWroteLast",
                  [](Fixture& f) {
                      f.outcome.report = RunnerReport("level", 1000, 1000, 10, 1);
                      f.outcome.machineReport =
                          MachineReport(1000, 0, 0, 0, "[1000, 50000, 990000]", 160'000);
                  },
                  "xon_count 1", ""},
        CheckCase{"AnXonUnreadWhileThePtyWasSlowToHandOverTheLastWrite",
                  [](Fixture& f) {
                      f.outcome.report = RunnerReport("level", 1000, 1000, 10, 1);
                      f.outcome.machineReport =
                          MachineReport(1000, 0, 0, 0, "[1000, 50000, 990000]", 160'000);
                      f.outcome.ptyDelay = std::chrono::milliseconds(20);
                  },
                  "", ""},
        CheckCase{"TheLastXonRead",
                  [](Fixture& f) { f.outcome.report = RunnerReport("level", 1000, 1000, 10, 3); },
                  "", ""},
        CheckCase{"MoreAcksThanEnqs",
                  [](Fixture& f) { f.outcome.machineReport = MachineReport(1000, 0, 4, 5); },
                  "the machine got 5 ACKs for 4 ENQs", ""},
        CheckCase{"BytesAfterTheEnd", [](Fixture& f) { f.outcome.receivedAtExit = 800; },
                  "200 bytes arrived after the runner ended", ""},
        CheckCase{"Killed", [](Fixture& f) { f.outcome.status.reset(); },
                  "the runner did not end and was killed", ""},
        CheckCase{"Slow", [](Fixture& f) { f.outcome.ended = 100s; }, "",
                  "took 100000 ms, more than its bound"},
        CheckCase{"SlowAfterTheStop",
                  [](Fixture& f) {
                      f.Stopped();
                      f.outcome.ended = 3500ms;
                  },
                  "", "ended 2500 ms after the stop, more than 2000 ms"}));

}  // namespace
