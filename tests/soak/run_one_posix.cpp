#include "run_one_posix.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "child_process_posix.h"
#include "json_fields.h"
#include "nc_program.h"
#include "program_maker.h"

namespace soak {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteWhole(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::size_t SizeOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::size_t>(info.st_size) : 0;
}

std::chrono::milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

Expected AskTheOracle(const Programs& programs, const fs::path& program, const fs::path& folder) {
    ChildProcess oracle({programs.expectedStream, program.string(), (folder / "expected").string(),
                         (folder / "hand-overs").string()});
    if (oracle.Wait(120s) != 0) {
        throw std::runtime_error("expected-stream failed: " + oracle.Errors());
    }
    Expected expected;
    std::istringstream summary(oracle.Output());
    summary >> expected.end >> expected.finalLevel;
    expected.bytes = ReadWhole(folder / "expected");
    std::istringstream handOvers(ReadWhole(folder / "hand-overs"));
    std::size_t end = 0;
    int level = 0;
    while (handOvers >> end >> level) {
        expected.handOvers.emplace_back(end, level);
    }
    return expected;
}

// The runner's first line: the test has begun, the operator's stop is heard from now on.
constexpr std::string_view kSendingText = "전송 중입니다.!!!";

std::string InWine(const fs::path& path) {
    return "Z:" + path.string();
}

class Run {
  public:
    Run(RunPlan plan, const Programs& programs, const Slot& slot, const DelayRecord& delays)
        : plan_(std::move(plan)), programs_(programs), slot_(slot), delays_(delays) {
        record_.folder = slot.folder / ("run-" + std::to_string(plan_.seed));
        fs::remove_all(record_.folder);
        fs::create_directories(record_.folder / "settings");
        program_ = record_.folder / "program.nc";
    }

    RunRecord Go() {
        WriteWhole(program_, MakeProgram(plan_.program));
        record_.expected = AskTheOracle(programs_, program_, record_.folder);
        FitFaultToStream(plan_, record_.expected.bytes.size());
        record_.plan = plan_;
        bound_ = RunBound(plan_, record_.expected.bytes.size(), programs_.wine);

        ChildProcess sim(SimArguments());
        const auto slave = sim.ReadLine(10s);
        if (!slave) {
            throw std::runtime_error("cnc-sim named no pty: " + sim.Errors());
        }
        const Clock::time_point start = Clock::now();
        ChildProcess runner(RunnerArguments(*slave), RunnerEnvironment());
        Outcome& outcome = record_.outcome;
        outcome.status = Drive(runner, sim, start);
        outcome.ended = Since(start);
        outcome.receivedAtExit = SizeOf(Path("received"));
        outcome.ptyDelay = delays_.LongestBetween(start, Clock::now());
        if (!outcome.status) {
            runner.Signal(SIGKILL);
            runner.Wait(10s);
        }
        outcome.out = runner.Output();
        outcome.err = runner.Errors();
        WriteWhole(record_.folder / "runner.out", outcome.out);
        WriteWhole(record_.folder / "runner.err", outcome.err);

        // The machine ends once the port is closed and all it was sent has come down the wire.
        if (!sim.Wait(10s)) {
            sim.Signal(SIGTERM);
            if (!sim.Wait(5s)) {
                sim.Signal(SIGKILL);
                sim.Wait(5s);
            }
        }
        outcome.received = ReadWhole(Path("received"));
        outcome.machineReport = ReadWhole(Path("machine.json"));
        outcome.report = ReadWhole(Path("runner.json"));
        if (plan_.fault.kind == Fault::kLineHungUp && outcome.faultAt &&
            JsonBool(outcome.machineReport, "line_hung_up") != true) {
            outcome.faultRefused = true;
        }
        record_.plan = plan_;
        return record_;
    }

  private:
    std::string Path(const char* name) const { return (record_.folder / name).string(); }

    std::vector<std::string> SimArguments() const {
        std::vector<std::string> args = {
            programs_.cncSim, "--record", Path("received"), "--report", Path("machine.json"),
            "--wait-timeout", "60"};
        for (const std::string& arg : MachineArguments(plan_)) {
            args.push_back(arg);
        }
        if (programs_.wine) {
            args.push_back("--link");
            args.push_back(slot_.comLink);
        }
        return args;
    }

    std::vector<std::string> RunnerArguments(const std::string& slave) const {
        std::vector<std::string> args;
        if (programs_.wine) {
            args = {programs_.wineRun, programs_.runner, "--port", std::to_string(slot_.comPort)};
        } else {
            args = {programs_.runner, "--port", "9", "--device", slave};
        }
        for (const std::string& arg : LineArguments(plan_)) {
            args.push_back(arg);
        }
        const fs::path report = Path("runner.json");
        args.push_back("--quiet");
        args.push_back("--report");
        args.push_back(programs_.wine ? InWine(report) : report.string());
        args.push_back(programs_.wine ? InWine(program_) : program_.string());
        return args;
    }

    std::vector<std::pair<std::string, std::string>> RunnerEnvironment() const {
        // No settings of the user's or the system's: the command line gives them all.
        const std::string settings = (record_.folder / "settings").string();
        std::vector<std::pair<std::string, std::string>> env = {{"XDG_CONFIG_HOME", settings},
                                                                {"XDG_CONFIG_DIRS", settings}};
        if (!programs_.winePrefix.empty()) {
            env.emplace_back("WINEPREFIX", programs_.winePrefix);
        }
        return env;
    }

    // Watches the run until the runner ends, applying the fault when it is due: once the test
    // has begun (a stop before it would meet a program still starting, under Wine for a
    // second) and the machine has received the fault's bytes. The runner's exit status, or
    // nothing if it had to be given up.
    std::optional<int> Drive(ChildProcess& runner, ChildProcess& sim, Clock::time_point start) {
        std::optional<Clock::time_point> armed;
        Outcome& outcome = record_.outcome;
        const bool faulty = plan_.fault.kind != Fault::kNone;
        for (;;) {
            if (const auto status = runner.Wait(5ms)) {
                return status;
            }
            const auto now = Clock::now();
            if (faulty && !outcome.faultAt) {
                if (!armed && runner.Output().find(kSendingText) != std::string::npos &&
                    SizeOf(Path("received")) >= plan_.fault.afterBytes) {
                    armed = now;
                }
                if (armed && now >= *armed + plan_.fault.thenAfter) {
                    Strike(runner, sim);
                    outcome.faultAt = Since(start);
                }
            }
            // Far beyond any bound: the run is given up, and that is its failure.
            const auto limit = outcome.faultAt ? *outcome.faultAt + 30s : bound_ * 2 + 30s;
            if (Since(start) > limit) {
                return std::nullopt;
            }
        }
    }

    void Strike(ChildProcess& runner, ChildProcess& sim) {
        switch (plan_.fault.kind) {
            case Fault::kStop:
                runner.Signal(SIGINT);
                break;
            case Fault::kMachineKilled:
                sim.Signal(SIGKILL);
                break;
            case Fault::kMachineClosed:
                sim.Signal(SIGTERM);
                break;
            case Fault::kLineHungUp:
                // The simulator hangs up at this count itself.
                break;
            case Fault::kFileTruncated:
                if (::truncate(program_.c_str(), static_cast<off_t>(plan_.fault.truncateTo)) != 0) {
                    throw std::system_error(errno, std::generic_category(), "truncate()");
                }
                break;
            case Fault::kFileDeleted:
                fs::remove(program_);
                break;
            case Fault::kFileGrown: {
                std::ofstream out(program_, std::ios::binary | std::ios::app);
                out << GenerateNcProgram(100'000, plan_.program.generatorSeed + 1);
                break;
            }
            case Fault::kNone:
                break;
        }
    }

    RunPlan plan_;
    const Programs& programs_;
    const Slot& slot_;
    const DelayRecord& delays_;
    RunRecord record_;
    fs::path program_;
    std::chrono::milliseconds bound_{0};
};

}  // namespace

RunRecord RunOne(const RunPlan& plan, const Programs& programs, const Slot& slot,
                 const DelayRecord& delays) {
    return Run(plan, programs, slot, delays).Go();
}

}  // namespace soak
