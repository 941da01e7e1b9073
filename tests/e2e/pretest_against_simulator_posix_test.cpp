// The console runner against the simulated machine, both as the real programs on a real pty:
// what the machine receives is compared byte for byte with what it must receive.
#include <signal.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process_posix.h"
#include "expected_stream.h"
#include "nc_program.h"
#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;
using testing::Not;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The number after "key": in the JSON text, looked for behind `within` when given.
double JsonNumber(const std::string& json, const std::string& key, const std::string& within = {}) {
    std::size_t from = within.empty() ? 0 : json.find("\"" + within + "\"");
    const std::size_t at = json.find("\"" + key + "\":", from == std::string::npos ? 0 : from);
    if (at == std::string::npos) {
        ADD_FAILURE() << "no " << key << " in " << json;
        return -1;
    }
    return std::stod(json.substr(json.find(':', at) + 1));
}

std::string JsonText(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\": \"");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t start = at + key.size() + 5;
    return json.substr(start, json.find('"', start) - start);
}

struct Outcome {
    int status = -100;
    std::string out, err;
    std::string received;   // what the machine recorded
    std::string simReport;  // the machine's JSON
    std::string report;     // the runner's JSON
};

class PretestAgainstSimulatorTest : public testing::Test {
  protected:
    // Runs the simulator with simArgs and the runner on the program; `during` may act on
    // both programs while the test runs.
    Outcome Run(const std::string& program, std::vector<std::string> simArgs,
                std::vector<std::string> cliArgs,
                const std::function<void(ChildProcess& cli, ChildProcess& sim)>& during = {}) {
        const auto file = dir_.Write("program.nc", program);
        simArgs.insert(simArgs.begin(), {CNC_SIM_PATH, "--record", Path("received"), "--report",
                                         Path("machine.json"), "--wait-timeout", "30"});
        ChildProcess sim(simArgs);
        const auto slave = sim.ReadLine(10s);
        EXPECT_TRUE(slave.has_value()) << sim.Errors();
        if (!slave) {
            return {};
        }
        // The simulator's wire runs at the rate the runner sets; none of these tests is
        // about line time.
        cliArgs.insert(cliArgs.begin(), {PRETEST_CLI_PATH, "--port", "9", "--device", *slave,
                                         "--baud", "921600", "--report", Path("runner.json")});
        cliArgs.push_back(file.string());
        ChildProcess cli(cliArgs, {{"XDG_CONFIG_DIRS", Path("no-settings")}});
        if (during) {
            during(cli, sim);
        }
        Outcome outcome;
        const auto status = cli.Wait(120s);
        EXPECT_TRUE(status.has_value()) << "the runner did not end";
        outcome.status = status.value_or(-100);
        if (!sim.Wait(10s)) {
            sim.Signal(SIGTERM);
            sim.Wait(10s);
        }
        outcome.out = cli.Output();
        outcome.err = cli.Errors();
        outcome.received = ReadFile(Path("received"));
        outcome.simReport = ReadFile(Path("machine.json"));
        outcome.report = ReadFile(Path("runner.json"));
        return outcome;
    }

    std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }

    TempDir dir_;
};

struct MachineCase {
    const char* name;
    std::vector<std::string> machine;
    std::vector<std::string> runner;
    friend void PrintTo(const MachineCase& c, std::ostream* os) { *os << c.name; }
};

class MachineBehaviourTest : public PretestAgainstSimulatorTest,
                             public testing::WithParamInterface<MachineCase> {};

TEST_P(MachineBehaviourTest, TheMachineReceivesExactlyTheExpectedStream) {
    const MachineCase& c = GetParam();
    std::string program = GenerateNcProgram(250000, 3);
    // A few NULs, which reach the machine as blanks.
    for (std::size_t at = 1000; at < 20000; at += 3001) {
        program[program.find(' ', at)] = '\0';
    }
    const ExpectedStream expected = ExpectedStreamFor(program);
    ASSERT_EQ(expected.end, ExpectedStream::End::LevelPassed);

    const Outcome outcome = Run(program, c.machine, c.runner);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.received.size(), expected.bytes.size());
    EXPECT_TRUE(outcome.received == expected.bytes) << "the received bytes differ";
    EXPECT_EQ(JsonText(outcome.report, "end_reason"), "level");
    EXPECT_EQ(JsonNumber(outcome.report, "transfer_unit"), 65);
    EXPECT_EQ(JsonNumber(outcome.report, "sent_bytes"), expected.bytes.size());
    EXPECT_EQ(JsonNumber(outcome.report, "written_bytes"), expected.bytes.size());
    // A pty delivers the machine's XOFF through a kernel worker, so under load a few chunks
    // can leave before the tool has read it; typically it is at most the chunk on its way.
    EXPECT_LE(JsonNumber(outcome.simReport, "median", "after_xoff"), 56);
    // The tool reads the line only before a chunk: whatever the machine says while it works
    // through what is still on its way after the tool's last chunk (under load, several KB
    // on a pty) is never read. So the tool's counts are bounded by the machine's, not equal.
    const double xons = JsonNumber(outcome.simReport, "xon_sent") +
                        (outcome.simReport.find("\"start_xon_sent\": true") != std::string::npos);
    EXPECT_LE(JsonNumber(outcome.report, "xon_count"), xons);
    const double enqs = JsonNumber(outcome.simReport, "enq_sent");
    const double acks = JsonNumber(outcome.simReport, "acks_received");
    EXPECT_LE(acks, enqs);
    EXPECT_EQ(acks > 0, enqs > 0);
    EXPECT_THAT(outcome.out, HasSubstr("전송 중입니다.!!!"));
    EXPECT_THAT(outcome.out, HasSubstr("테스트가 완료되어 중단합니다.!!!"));
    EXPECT_THAT(outcome.out, HasSubstr(" 테스트완료, 전송중단 "));
}

INSTANTIATE_TEST_SUITE_P(
    Machines, MachineBehaviourTest,
    testing::Values(
        MachineCase{"NeverXoff", {"--rate", "0"}, {}},
        MachineCase{"TightBufferManyXoffs",
                    {"--buffer", "256", "--xoff-at", "192", "--xon-at", "64", "--rate", "9600"},
                    {}},
        MachineCase{"EnqEvery1000", {"--rate", "0", "--enq-every", "1000"}, {}},
        MachineCase{"NakThenAck",
                    {"--rate", "0", "--nak-at", "3000", "--nak-at", "20000", "--nak-hold", "100"},
                    {}},
        MachineCase{"StartSignal", {"--rate", "0", "--start-xon"}, {"--wait-start"}}));

TEST_F(PretestAgainstSimulatorTest, TightBufferLogsXoffAndXonWithTheirLevels) {
    const std::string program = GenerateNcProgram(250000, 4);
    const Outcome outcome =
        Run(program, {"--buffer", "256", "--xoff-at", "192", "--xon-at", "64", "--rate", "9600"},
            {"--quiet"});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_GT(JsonNumber(outcome.simReport, "xoff_sent"), 10);

    // Every entry names a level above 10, the levels never fall, and XOFF and XON alternate.
    const std::regex entry("전송단위 (\\d+) \\\\r\\\\n\\d+:\\d+:\\d+  (Xo(n|ff)) 수신 \\\\r\\\\n");
    int lastLevel = 11, entries = 0;
    std::string lastKind;
    for (auto it = std::sregex_iterator(outcome.report.begin(), outcome.report.end(), entry);
         it != std::sregex_iterator(); ++it) {
        const int level = std::stoi((*it)[1]);
        EXPECT_GE(level, lastLevel) << "entry " << entries;
        EXPECT_NE((*it)[2], lastKind) << "entry " << entries << " at level " << level;
        lastLevel = level;
        lastKind = (*it)[2];
        ++entries;
    }
    EXPECT_GT(entries, 0) << outcome.err;
    EXPECT_GT(lastLevel, 10) << entries << " entries";
}

TEST_F(PretestAgainstSimulatorTest, AnOverLongLineEndsTheTestWithTheMessage) {
    std::string program = GenerateNcProgram(250000, 5);
    program.insert(program.find('\n', 30000) + 1, std::string(251, 'x') + "\n");
    const ExpectedStream expected = ExpectedStreamFor(program);
    ASSERT_EQ(expected.end, ExpectedStream::End::LongLine);

    const Outcome outcome = Run(program, {"--rate", "0"}, {});
    EXPECT_EQ(outcome.status, 4);
    EXPECT_THAT(outcome.err, HasSubstr("Trans message: DATA 블록의 문자수가 너무 많습니다. "));
    EXPECT_TRUE(outcome.received == expected.bytes) << "nothing of the batch or after the line";
    EXPECT_EQ(JsonText(outcome.report, "end_reason"), "long_line");
    // Not "complete": the status names the end; the log's end line marks it as for any end.
    EXPECT_THAT(outcome.out, HasSubstr("DATA 블록이 너무 길어 테스트를 중단합니다.!!!"));
    EXPECT_THAT(outcome.out, Not(HasSubstr("테스트가 완료되어 중단합니다")));
    EXPECT_THAT(outcome.out, HasSubstr(" 테스트완료, 전송중단 "));
}

TEST_F(PretestAgainstSimulatorTest, TheOperatorsStopEndsTheTest) {
    const std::string program = GenerateNcProgram(250000, 6);
    // A slow machine, so the test is still running when the stop comes.
    const Outcome outcome =
        Run(program, {"--rate", "2000"}, {}, [](ChildProcess& cli, ChildProcess&) {
            std::this_thread::sleep_for(1500ms);
            cli.Signal(SIGINT);
        });
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_EQ(JsonText(outcome.report, "end_reason"), "stopped");
    EXPECT_THAT(outcome.out, HasSubstr("요청에 따라 테스트를 중단합니다.!!!"));
    const std::string expected = ExpectedStreamFor(program).bytes;
    EXPECT_GT(outcome.received.size(), 0u);
    EXPECT_LT(outcome.received.size(), expected.size());
    EXPECT_TRUE(expected.starts_with(outcome.received));
}

TEST_F(PretestAgainstSimulatorTest, WaitingForAStartSignalThatNeverComesEndsOnTheStop) {
    const Outcome outcome = Run(GenerateNcProgram(250000), {"--rate", "0"}, {"--wait-start"},
                                [](ChildProcess& cli, ChildProcess&) {
                                    std::this_thread::sleep_for(700ms);
                                    cli.Signal(SIGINT);
                                });
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.received, "");
}

// Stored settings the line cannot take keep the port closed: the port message with the
// device and the settings, and the port's exit status; nothing reaches the machine.
TEST_F(PretestAgainstSimulatorTest, StoredLineSettingsThePortCannotTakeKeepItClosed) {
    dir_.Write("no-settings/Orvane/Velidor.conf", "DataBit=99\n");
    const Outcome outcome =
        Run(GenerateNcProgram(250000), {"--rate", "0", "--wait-timeout", "5"}, {});
    EXPECT_EQ(outcome.status, 3) << outcome.err;
    EXPECT_THAT(outcome.err, HasSubstr("DNC Message: Com9를 열수 없습니다.!!!"));
    EXPECT_THAT(outcome.err, HasSubstr("99, 2)을 쓸 수 없습니다"));
    EXPECT_EQ(outcome.received, "");
}

// Any nonzero start setting waits for the machine's start XON, in the port and the sender
// alike, and then the whole program goes through.
TEST_F(PretestAgainstSimulatorTest, AStoredStartSettingOf99WaitsForTheStartSignal) {
    dir_.Write("no-settings/Orvane/Velidor.conf", "SendSignalWait=99\n");
    const std::string program = GenerateNcProgram(250000, 8);
    const Outcome outcome = Run(program, {"--rate", "0", "--start-xon"}, {});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(outcome.received == ExpectedStreamFor(program).bytes)
        << "the received bytes differ";
    EXPECT_EQ(JsonNumber(outcome.report, "wait_start"), 99);
}

// A program cut short while it is read is a file fault, not a complete test: what reached
// the machine is a prefix of the program, and the runner says so and exits with 5.
TEST_F(PretestAgainstSimulatorTest, AProgramTruncatedMidTestEndsAsAFileFault) {
    const std::string program = GenerateNcProgram(400000, 9);
    const Outcome outcome =
        Run(program, {"--rate", "3000"}, {}, [this](ChildProcess&, ChildProcess&) {
            std::this_thread::sleep_for(1000ms);
            std::filesystem::resize_file(dir_.path() / "program.nc", 20000);
        });
    EXPECT_EQ(outcome.status, 5) << outcome.err;
    EXPECT_EQ(JsonText(outcome.report, "end_reason"), "file");
    EXPECT_THAT(outcome.err, HasSubstr("파일을 끝까지 읽을 수 없습니다"));
    EXPECT_TRUE(ExpectedStreamFor(program).bytes.starts_with(outcome.received));
    EXPECT_EQ(JsonNumber(outcome.report, "written_bytes"), outcome.received.size());
}

// A machine that goes away mid-test (its end of the line closed) ends the test by itself,
// through the normal end path, with the port message and the port's exit status; nobody has
// to press stop.
TEST_F(PretestAgainstSimulatorTest, AMachineThatDisappearsEndsTheTestAsAPortFault) {
    const Outcome outcome = Run(GenerateNcProgram(250000), {"--rate", "2000"}, {},
                                [](ChildProcess&, ChildProcess& sim) {
                                    std::this_thread::sleep_for(1000ms);
                                    sim.Signal(SIGKILL);
                                });
    EXPECT_EQ(outcome.status, 3) << outcome.err;
    EXPECT_EQ(JsonText(outcome.report, "end_reason"), "port_lost");
    EXPECT_THAT(outcome.err, HasSubstr("DNC Message: Com9 연결이 끊어졌습니다.!!!"));
    EXPECT_GT(JsonNumber(outcome.report, "written_bytes"), 0);
}

// A report that can be opened but not written (a full disk) fails after the test: the end
// is printed, and the exit status says the report is missing.
TEST_F(PretestAgainstSimulatorTest, AReportThatCannotBeWrittenAtTheEndFailsTheRun) {
    const Outcome outcome =
        Run(GenerateNcProgram(250000), {"--rate", "0"}, {"--quiet", "--report", "/dev/full"});
    EXPECT_EQ(outcome.status, 6);
    EXPECT_THAT(outcome.err, HasSubstr("cannot write the report /dev/full"));
    EXPECT_THAT(outcome.out, HasSubstr("테스트가 완료되어 중단합니다.!!!"));
}

TEST_F(PretestAgainstSimulatorTest, RefusalsBeforeAnyTest) {
    struct Case {
        const char* name;
        std::string program;
        std::vector<std::string> args;
        int status;
        std::string message;
        std::string output = {};  // a status line printed; empty when none is
    };
    std::filesystem::create_directory(Path("a-folder"));
    // Each report case names a port that does not exist: refused with 2, the path was
    // checked before the port was opened (which would have given 3).
    const std::vector<std::string> noPort = {"--port", "9", "--device", "/nonexistent/tty"};
    auto withReport = [&](const std::string& report) {
        std::vector<std::string> args = noPort;
        args.insert(args.end(), {"--report", report});
        return args;
    };
    const Case cases[] = {
        {"report in a missing folder", GenerateNcProgram(250000),
         withReport(Path("missing/report.json")), 2,
         "cannot write the report " + Path("missing/report.json") + ": its folder does not exist"},
        {"report onto a folder", GenerateNcProgram(250000), withReport(Path("a-folder")), 2,
         "cannot write the report " + Path("a-folder") + ": it is a folder"},
        {"report onto the program", GenerateNcProgram(250000), withReport(Path("refused.nc")), 2,
         ": it is the program under test"},
        {"missing port", GenerateNcProgram(250000), noPort, 3,
         "DNC Message: Com9를 열수 없습니다.!!!", "포트 오류로 테스트를 중단합니다.!!!"},
        {"small file",
         std::string(199999, 'x'),
         {},
         2,
         "DNC message: 파일 크기가 200KB 이상이어야 합니다.!!."},
        {"bad usage", "", {"--parity", "mark"}, 2, "--parity takes none, odd or even"},
    };
    for (const Case& c : cases) {
        const auto file = dir_.Write("refused.nc", c.program);
        std::vector<std::string> args = {PRETEST_CLI_PATH};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(file.string());
        ChildProcess cli(args, {{"XDG_CONFIG_DIRS", Path("no-settings")}});
        EXPECT_EQ(cli.Wait(30s), c.status) << c.name;
        EXPECT_THAT(cli.Errors(), HasSubstr(c.message)) << c.name;
        // Nothing was sent, so nothing says it is sending.
        EXPECT_THAT(cli.Output(), Not(HasSubstr("전송 중입니다"))) << c.name;
        EXPECT_THAT(cli.Output(), HasSubstr(c.output)) << c.name;
        EXPECT_EQ(ReadFile(file), c.program) << c.name;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));
    ChildProcess missing({PRETEST_CLI_PATH, Path("absent.nc")});
    EXPECT_EQ(missing.Wait(30s), 2);
    EXPECT_THAT(missing.Errors(), HasSubstr("DNC message: 파일을 열수 없습니다!!."));
}

}  // namespace
