// One cnc-sim session: started on a fresh pty, ended by whoever opened the port closing it,
// and read back through its JSON report.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "flow_bench_json.h"
#include "flow_bench_setup.h"

class ChildProcess;

class SimSession {
  public:
    // options: the machine's settings; the tool's frame comes from setup, its rate from
    // whatever the tool sets on the port. The report goes to reportPath. Throws when the
    // simulator does not come up.
    SimSession(const FlowBenchSetup& setup, const std::vector<std::string>& options,
               const std::string& reportPath);
    ~SimSession();
    SimSession(const SimSession&) = delete;
    SimSession& operator=(const SimSession&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    const std::string& Command() const { return command_; }

    // Waits for the simulator to end after the hang-up (it first lets what is still on the
    // modelled wire arrive) and returns its report; throws if it does not end in time or
    // leaves no report.
    JsonValue Finish(std::chrono::milliseconds within);

  private:
    std::unique_ptr<ChildProcess> process_;
    std::string reportPath_;
    std::string command_;
    std::string slavePath_;
};
