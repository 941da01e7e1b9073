#include "flow_bench_tool_run_posix.h"

#include <sys/resource.h>

#include <chrono>
#include <stdexcept>

#include "child_process_posix.h"
#include "flow_bench_sim_posix.h"

namespace {

// A test at line rate takes about a minute; this only catches a tool that hangs.
constexpr std::chrono::minutes kToolLimit{3};
// What the tool left in its modelled UART when it closed the port still has to arrive; at
// 9600 baud a whole test's worth would take about a minute.
constexpr std::chrono::minutes kDrainLimit{3};

double ChildrenCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

std::vector<std::string> ToolArgv(const FlowBenchSetup& setup, const std::string& device,
                                  const std::string& reportPath) {
    std::vector<std::string> argv{setup.cliPath, "--port", "1", "--device", device};
    const auto line = setup.LineOptions();
    argv.insert(argv.end(), line.begin(), line.end());
    argv.insert(argv.end(), {"--report", reportPath, "--quiet", setup.programPath});
    return argv;
}

ToolRun RunToolOnSim(const FlowBenchSetup& setup, const std::vector<std::string>& simOptions,
                     const std::string& name) {
    const std::string simReport = setup.workDir + "/" + name + "-sim.json";
    const std::string toolReport = setup.workDir + "/" + name + "-tool.json";
    SimSession sim(setup, simOptions, simReport);

    const auto argv = ToolArgv(setup, sim.SlavePath(), toolReport);
    // The simulator is still running, so the only child reaped meanwhile is the tool.
    const double cpuBefore = ChildrenCpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    // The user's own settings file must not override the bench's.
    ChildProcess tool(argv,
                      {{"XDG_CONFIG_HOME", setup.configDir}, {"XDG_CONFIG_DIRS", setup.configDir}});
    const auto status = tool.Wait(kToolLimit);
    if (!status) {
        throw std::runtime_error("the tool did not finish " + name);
    }

    ToolRun run;
    run.toolWallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.toolCpuSeconds = ChildrenCpuSeconds() - cpuBefore;
    run.machine = sim.Finish(kDrainLimit);
    run.tool = ReadJsonFile(toolReport);
    run.toolStatus = *status;
    run.simCommand = sim.Command();
    run.toolCommand = "XDG_CONFIG_HOME=" + CommandText({setup.configDir}, setup) +
                      " XDG_CONFIG_DIRS=" + CommandText({setup.configDir}, setup) + " " +
                      CommandText(ToolArgv(setup, "$SLAVE", toolReport), setup);
    return run;
}
