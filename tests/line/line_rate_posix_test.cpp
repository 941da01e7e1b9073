// A whole test at 9600 baud over a pty, the simulated machine behind a modelled UART: the
// tool's own count of what the line has not yet carried must keep what is in flight to the
// output queue's 100 bytes and one chunk, as a real UART's count does. It takes line time
// (about a minute), so it runs on its own.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "child_process_posix.h"
#include "expected_stream.h"
#include "nc_program.h"
#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

double JsonNumber(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no " << key << " in " << json;
        return -1;
    }
    return std::stod(json.substr(json.find(':', at) + 1));
}

// The largest chunk, at level 65.
constexpr double kLargestChunk = 56;
constexpr double kOutQueue = 100;

TEST(LineRate, AtTheSetRateNoMoreThanTheOutputQueueAndOneChunkIsInFlight) {
    const TempDir dir;
    const std::string program = GenerateNcProgram(250000, 5);
    const auto file = dir.Write("program.nc", program);
    const ExpectedStream expected = ExpectedStreamFor(program);
    const auto path = [&](const char* name) { return (dir.path() / name).string(); };

    ChildProcess sim({CNC_SIM_PATH, "--rate", "0", "--record", path("received"), "--report",
                      path("machine.json"), "--wait-timeout", "30"});
    const auto slave = sim.ReadLine(10s);
    ASSERT_TRUE(slave.has_value()) << sim.Errors();
    ChildProcess cli(
        {PRETEST_CLI_PATH, "--port", "9", "--device", *slave, "--baud", "9600", "--data-bits", "7",
         "--parity", "even", "--stop-bits", "2", "--quiet", "--report", path("runner.json"),
         file.string()},
        {{"XDG_CONFIG_HOME", path("no-settings")}, {"XDG_CONFIG_DIRS", path("no-settings")}});
    ASSERT_EQ(cli.Wait(240s), 0) << cli.Errors();
    ASSERT_EQ(sim.Wait(30s), 0) << sim.Errors();

    const std::string machine = ReadFile(path("machine.json"));
    const std::string runner = ReadFile(path("runner.json"));
    EXPECT_TRUE(ReadFile(path("received")) == expected.bytes) << "the received bytes differ";
    EXPECT_EQ(JsonNumber(runner, "written_bytes"), expected.bytes.size());
    EXPECT_EQ(JsonNumber(machine, "baud"), 9600);
    EXPECT_LE(JsonNumber(machine, "uart_queue_max"), kOutQueue + kLargestChunk) << machine;
}

}  // namespace
