#include "flow_bench_hold_cpu_posix.h"

#include <signal.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "child_process_posix.h"
#include "flow_bench_proc_posix.h"
#include "flow_bench_sim_posix.h"
#include "flow_bench_tool_run_posix.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Below level 10 the tool writes a byte at least every couple of milliseconds; this much
// silence means the machine holds it.
constexpr auto kSilence = 300ms;
constexpr auto kLook = 5ms;
constexpr auto kHoldDeadline = 10s;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

ProcessSample Sample(pid_t pid) {
    const auto sample = SampleProcess(pid);
    if (!sample) {
        throw std::runtime_error("the tool ended before the hold was measured");
    }
    return *sample;
}

}  // namespace

HoldCpu MeasureHoldCpu(const FlowBenchSetup& setup, const std::vector<std::string>& simOptions,
                       std::chrono::seconds window, const std::string& name) {
    HoldCpu result;
    SimSession sim(setup, simOptions, setup.workDir + "/" + name + "-sim.json");
    const std::string toolReport = setup.workDir + "/" + name + "-tool.json";
    const auto argv = ToolArgv(setup, sim.SlavePath(), toolReport);
    const auto started = Clock::now();
    // The user's own settings file must not override the bench's.
    ChildProcess tool(argv,
                      {{"XDG_CONFIG_HOME", setup.configDir}, {"XDG_CONFIG_DIRS", setup.configDir}});
    const auto pid = FindChild(std::filesystem::path(setup.cliPath).filename().string());
    if (!pid) {
        throw std::runtime_error("cannot find the tool's process");
    }

    // The hold starts at the last write before a silence.
    std::uint64_t written = 0;
    auto lastWrite = Clock::now();
    for (;;) {
        const ProcessSample now = Sample(*pid);
        if (now.bytesWritten != written) {
            written = now.bytesWritten;
            lastWrite = Clock::now();
        } else if (written > 0 && Clock::now() - lastWrite >= kSilence) {
            break;
        }
        if (Clock::now() - started > kHoldDeadline) {
            throw std::runtime_error("the machine never held the tool");
        }
        std::this_thread::sleep_for(kLook);
    }
    result.holdBeganAfterSeconds = Seconds(lastWrite - started);
    result.silenceSeconds = Seconds(kSilence);

    const ProcessSample first = Sample(*pid);
    const auto from = Clock::now();
    std::this_thread::sleep_for(window);
    const ProcessSample last = Sample(*pid);
    result.windowSeconds = Seconds(Clock::now() - from);
    result.cpuSeconds = last.cpuSeconds - first.cpuSeconds;
    result.voluntarySwitchesPerSecond =
        static_cast<double>(last.voluntarySwitches - first.voluntarySwitches) /
        result.windowSeconds;
    result.involuntarySwitchesPerSecond =
        static_cast<double>(last.involuntarySwitches - first.involuntarySwitches) /
        result.windowSeconds;
    result.heldThroughout = last.bytesWritten == written;

    // The rest of the test would crawl at the machine's low rate; the operator's stop ends
    // it. What the tool left on the modelled wire would take as long, so the simulator is
    // stopped soon after.
    tool.Signal(SIGINT);
    if (!tool.Wait(10s)) {
        throw std::runtime_error("the tool did not stop");
    }
    result.machine = sim.Finish(1s);
    result.simCommand = sim.Command();
    result.toolCommand = "XDG_CONFIG_HOME=" + CommandText({setup.configDir}, setup) +
                         " XDG_CONFIG_DIRS=" + CommandText({setup.configDir}, setup) + " " +
                         CommandText(ToolArgv(setup, "$SLAVE", toolReport), setup) +
                         "   (SIGINT after the measured stretch)";
    return result;
}
