// The runner's result of a whole test against a simulated machine that holds at known
// marks, checked against what the machine itself reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "child_process_posix.h"
#include "nc_program.h"
#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

long Number(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no " << key;
        return -1;
    }
    return std::stol(json.substr(json.find(':', at) + 1));
}

struct Event {
    long ms;
    std::string kind;
    int level;
    long written;
};

std::vector<Event> Events(const std::string& json) {
    static const std::regex entry(
        R"re(\{"t_ms": (\d+), "event": "(\w+)", "level": (\d+), "written_bytes": (\d+))re");
    std::vector<Event> events;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), entry);
         it != std::sregex_iterator(); ++it) {
        events.push_back({std::stol((*it)[1]), (*it)[2], std::stoi((*it)[3]), std::stol((*it)[4])});
    }
    return events;
}

TEST(RunResultAgainstSimulatorTest, TheResultSaysWhereTheMachinesHoldsBegan) {
    TempDir dir;
    auto path = [&](const char* name) { return (dir.path() / name).string(); };
    const auto program = dir.Write("program.nc", GenerateNcProgram(250000, 7));
    // The machine holds once its 4 KB buffer has 1024 bytes in it and takes 4800 a second:
    // far fewer than the line brings once the levels climb.
    constexpr long kXoffMark = 1024;
    ChildProcess sim({CNC_SIM_PATH, "--buffer", "4096", "--xoff-at", std::to_string(kXoffMark),
                      "--xon-at", "256", "--rate", "4800", "--report", path("machine.json"),
                      "--wait-timeout", "30"});
    const auto slave = sim.ReadLine(10s);
    ASSERT_TRUE(slave.has_value()) << sim.Errors();
    ChildProcess cli({PRETEST_CLI_PATH, "--port", "9", "--device", *slave, "--baud", "115200",
                      "--quiet", "--report", path("runner.json"), "--chart", path("run.svg"),
                      "--html", path("run.html"), program.string()},
                     {{"XDG_CONFIG_DIRS", path("no-settings")}});
    const auto status = cli.Wait(120s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << cli.Errors();
    ASSERT_TRUE(sim.Wait(10s));
    const std::string machine = ReadAll(path("machine.json"));
    const std::string runner = ReadAll(path("runner.json"));

    const std::vector<Event> events = Events(runner);
    ASSERT_FALSE(events.empty()) << runner;
    long xoffs = 0, xons = 0;
    const Event* firstXoff = nullptr;
    int levelAtMark = 0;  // the level in force when the tool had written the mark's bytes
    for (const Event& e : events) {
        if ((e.kind == "start" || e.kind == "level") && e.written <= kXoffMark) {
            levelAtMark = e.level;
        }
        if (e.kind == "xoff") {
            xoffs += 1;
            firstXoff = firstXoff != nullptr ? firstXoff : &e;
        }
        xons += e.kind == "xon" ? 1 : 0;
    }
    // Every hold the machine asked for is in the record, and nothing else; but the machine
    // may still answer the last bytes with one more XOFF and XON once the tool has stopped
    // reading for its close.
    EXPECT_LE(xoffs, Number(machine, "xoff_sent"));
    EXPECT_GE(xoffs, Number(machine, "xoff_sent") - 1);
    EXPECT_LE(xons, Number(machine, "xon_sent"));
    EXPECT_GE(xons, Number(machine, "xon_sent") - 1);
    ASSERT_NE(firstXoff, nullptr) << "the machine must hold at this rate";
    EXPECT_EQ(Number(runner, "first_xoff_level"), firstXoff->level);
    // The machine cannot hold before its buffer reached the mark, so the first hold comes at
    // or after the level the tool was at when it had written that much.
    EXPECT_GE(firstXoff->written, kXoffMark);
    EXPECT_GE(firstXoff->level, levelAtMark);
    EXPECT_EQ(Number(runner, "written_bytes"), Number(machine, "bytes_received"));

    // The operator's view: headline and table after the end line.
    const std::string out = cli.Output();
    EXPECT_THAT(out, HasSubstr("전송단위 " + std::to_string(firstXoff->level) +
                               "부터 기계가 XOFF로 전송을 멈춥니다"));
    EXPECT_THAT(out, HasSubstr("최장 멈춤(초)"));
    EXPECT_LT(out.find("테스트가 완료되어 중단합니다"), out.find("최장 멈춤(초)"));

    const std::string svg = ReadAll(path("run.svg"));
    EXPECT_THAT(svg, HasSubstr("class=\"hold\""));
    const std::string html = ReadAll(path("run.html"));
    EXPECT_THAT(html, HasSubstr("<svg xmlns"));
    EXPECT_THAT(html, HasSubstr("program.nc"));
}

}  // namespace
