#include "flow_bench_sim_posix.h"

#include <signal.h>

#include <stdexcept>

#include "child_process_posix.h"

namespace {

// The simulator gives up on a tool that never opens the port, so a tool that fails to
// start cannot leave the benchmark waiting.
constexpr const char* kWaitForToolSeconds = "15";

}  // namespace

SimSession::SimSession(const FlowBenchSetup& setup, const std::vector<std::string>& options,
                       const std::string& reportPath)
    : reportPath_(reportPath) {
    std::vector<std::string> argv{setup.simPath};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {"--frame", setup.FrameText(), "--report", reportPath, "--wait-timeout",
                             kWaitForToolSeconds});
    command_ = CommandText(argv, setup);
    process_ = std::make_unique<ChildProcess>(argv);
    const auto line = process_->ReadLine(std::chrono::seconds(5));
    if (!line || line->empty()) {
        process_->Wait(std::chrono::seconds(1));
        throw std::runtime_error("cnc-sim printed no slave path: " + process_->Errors());
    }
    slavePath_ = *line;
}

SimSession::~SimSession() = default;

JsonValue SimSession::Finish(std::chrono::milliseconds within) {
    auto status = process_->Wait(within);
    if (!status) {
        // Its report is still worth having; SIGTERM lets it write one.
        process_->Signal(SIGTERM);
        status = process_->Wait(std::chrono::seconds(5));
    }
    if (!status) {
        throw std::runtime_error("cnc-sim did not end");
    }
    if (*status != 0) {
        throw std::runtime_error("cnc-sim ended with status " + std::to_string(*status) + ": " +
                                 process_->Errors());
    }
    return ReadJsonFile(reportPath_);
}
