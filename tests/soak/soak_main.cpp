// soak: many whole tests of the console runner against the simulated machine, each with a
// machine, a program, a line and a fault drawn from its seed, every one checked against the
// oracle. Run through tools/soak; --help lists the options.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "child_process_posix.h"
#include "pty_delay_probe_posix.h"
#include "run_checks.h"
#include "run_one_posix.h"
#include "run_plan.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

const char* const kUsage = R"(usage: tools/soak [options]

Runs whole tests of strandex-pretest-cli against cnc-sim, each with a machine, an NC program,
line settings and (some) a stop or an injected fault drawn from the run's seed, and checks
each against the oracle: the bytes the machine received, the end and exit status, the
runner's counts against the machine's, no overflow where the machine left room, and the
time to the end. A failing run prints its seed and the command that replays it.

  --runs N          how many runs (100)
  --seed S          the seed of the first run; run i has seed S+i (a fresh one, printed)
  --faults          about half the runs meet an injected fault
  --fault-table     run the fixed table of injected faults instead
  --only NAME       of the fault table, only this row
  --quick           the fixed seed list of tools/test and one fresh seed
  --windows         the Windows runner under Wine (needs the windows preset built)
  --jobs J          runs at a time (1)
  --time-printed    a run over its time bound is printed, not counted as a failure (tests
                    never fail on wall-clock time)
  --list            print the runs' plans and run nothing
  --keep            keep every run's folder, not only the failing ones
  --work DIR        where the runs' folders go (a new folder under the temp dir)
  --windows-build DIR   the windows build (the source tree's build/windows)
  -h, --help        this text
)";

// Seeds whose runs together cover the machines, programs, lines and stops the soak draws:
// a fixed part of every tools/test, beside one fresh seed.
constexpr std::uint64_t kQuickSeeds[] = {1,  2,  5,  7,  8,  9,  13, 15,  20, 23,
                                         27, 37, 41, 50, 53, 56, 64, 130, 262};
constexpr std::uint64_t kQuickWineSeeds[] = {1, 37, 262};

struct Options {
    std::uint64_t runs = 100;
    std::optional<std::uint64_t> seed;
    bool faults = false;
    bool faultTable = false;
    std::string only;
    bool quick = false;
    bool windows = false;
    unsigned jobs = 1;
    bool timePrinted = false;
    bool keep = false;
    bool list = false;
    std::string work;
    std::string windowsBuild = SOURCE_DIR "/build/windows";
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 < argc) {
                return std::string(argv[++i]);
            }
            std::fprintf(stderr, "soak: %s needs a value\n", arg.c_str());
            return std::nullopt;
        };
        const auto number = [&](std::uint64_t& into) {
            const auto text = value();
            char* end = nullptr;
            if (!text || text->empty() || (into = std::strtoull(text->c_str(), &end, 10), *end)) {
                std::fprintf(stderr, "soak: %s takes a whole number\n", arg.c_str());
                return false;
            }
            return true;
        };
        std::uint64_t n = 0;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--runs") {
            if (!number(o.runs)) {
                return std::nullopt;
            }
        } else if (arg == "--seed") {
            if (!number(n)) {
                return std::nullopt;
            }
            o.seed = n;
        } else if (arg == "--jobs") {
            if (!number(n) || n == 0 || n > 64) {
                std::fputs("soak: --jobs takes 1 to 64\n", stderr);
                return std::nullopt;
            }
            o.jobs = static_cast<unsigned>(n);
        } else if (arg == "--faults") {
            o.faults = true;
        } else if (arg == "--fault-table") {
            o.faultTable = true;
        } else if (arg == "--only") {
            const auto text = value();
            if (!text) {
                return std::nullopt;
            }
            o.only = *text;
        } else if (arg == "--quick") {
            o.quick = true;
        } else if (arg == "--windows") {
            o.windows = true;
        } else if (arg == "--time-printed") {
            o.timePrinted = true;
        } else if (arg == "--keep") {
            o.keep = true;
        } else if (arg == "--list") {
            o.list = true;
        } else if (arg == "--work" || arg == "--windows-build") {
            const auto text = value();
            if (!text) {
                return std::nullopt;
            }
            (arg == "--work" ? o.work : o.windowsBuild) = *text;
        } else {
            std::fprintf(stderr, "soak: unknown option %s\n\n%s", arg.c_str(), kUsage);
            return std::nullopt;
        }
    }
    return o;
}

std::uint64_t FreshSeed() {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32 | device()) % 1'000'000'000'000ULL;
}

// The command that runs this one run again.
std::string ReplayCommand(const Options& o, const soak::RunPlan& plan) {
    std::string command = "tools/soak";
    if (!plan.name.empty()) {
        command += " --fault-table --only " + plan.name;
    } else {
        command += " --seed " + std::to_string(plan.seed) + " --runs 1";
        if (o.faults) {
            command += " --faults";
        }
    }
    return command + (o.windows ? " --windows" : "");
}

struct Totals {
    std::uint64_t runs = 0;
    std::uint64_t failed = 0;
    std::uint64_t late = 0;
    std::uint64_t refused = 0;
    std::uint64_t bytesCompared = 0;
    std::optional<double> worstAfterXoff;
    std::uint64_t worstAfterXoffSeed = 0;
    std::vector<double> afterXoff;
    std::optional<std::chrono::milliseconds> slowestFaultEnd;
    std::chrono::microseconds longestPtyDelay{0};
    std::uint64_t overflowJudged = 0;
    std::string slowestFaultEndRun;
    std::map<std::string, std::uint64_t> ends;
    std::vector<std::string> replays;
};

class Soak {
  public:
    Soak(Options options, std::vector<soak::RunPlan> plans, soak::Programs programs, fs::path work)
        : options_(std::move(options)),
          plans_(std::move(plans)),
          programs_(std::move(programs)),
          work_(std::move(work)) {}

    // Each job has its own folder and, under Wine, its own COM port.
    std::vector<soak::Slot> Slots() const {
        std::vector<soak::Slot> slots;
        for (unsigned job = 0; job < options_.jobs; ++job) {
            soak::Slot slot;
            slot.folder = work_ / ("job-" + std::to_string(job + 1));
            slot.comPort = programs_.wine ? static_cast<int>(job + 1) : 9;
            slot.comLink = (slot.folder / "com").string();
            fs::create_directories(slot.folder);
            slots.push_back(slot);
        }
        return slots;
    }

    const Totals& Go(const std::vector<soak::Slot>& slots) {
        std::vector<std::thread> jobs;
        for (const soak::Slot& slot : slots) {
            jobs.emplace_back([this, &slot] { Job(slot); });
        }
        for (std::thread& job : jobs) {
            job.join();
        }
        return totals_;
    }

  private:
    void Job(const soak::Slot& slot) {
        for (;;) {
            const std::size_t index = next_++;
            if (index >= plans_.size()) {
                return;
            }
            const Clock::time_point start = Clock::now();
            try {
                const soak::RunRecord record =
                    soak::RunOne(plans_[index], programs_, slot, probe_.Record());
                const soak::Verdict verdict =
                    soak::CheckRun(record.plan, record.expected, record.outcome, programs_.wine);
                Report(index, record, verdict, Clock::now() - start);
            } catch (const std::exception& e) {
                std::lock_guard lock(mutex_);
                ++totals_.runs;
                ++totals_.failed;
                std::printf("run %zu seed %llu: could not be run: %s\n", index + 1,
                            static_cast<unsigned long long>(plans_[index].seed), e.what());
                totals_.replays.push_back(ReplayCommand(options_, plans_[index]));
                std::fflush(stdout);
            }
        }
    }

    void Report(std::size_t index, const soak::RunRecord& record, const soak::Verdict& verdict,
                Clock::duration took) {
        std::lock_guard lock(mutex_);
        Totals& t = totals_;
        ++t.runs;
        const bool lateFails = !verdict.late.empty() && !options_.timePrinted;
        const bool failed = !verdict.failures.empty() || lateFails;
        t.failed += failed ? 1 : 0;
        t.late += verdict.late.empty() ? 0 : 1;
        t.refused += record.outcome.faultRefused ? 1 : 0;
        t.bytesCompared += verdict.bytesCompared;
        t.longestPtyDelay = std::max(t.longestPtyDelay, record.outcome.ptyDelay);
        t.overflowJudged += verdict.overflowJudged ? 1 : 0;
        ++t.ends[verdict.endSeen];
        t.afterXoff.insert(t.afterXoff.end(), verdict.afterXoff.begin(), verdict.afterXoff.end());
        if (verdict.worstAfterXoff &&
            (!t.worstAfterXoff || *verdict.worstAfterXoff > *t.worstAfterXoff)) {
            t.worstAfterXoff = verdict.worstAfterXoff;
            t.worstAfterXoffSeed = record.plan.seed;
        }
        if (verdict.faultToEnd &&
            (!t.slowestFaultEnd || *verdict.faultToEnd > *t.slowestFaultEnd)) {
            t.slowestFaultEnd = verdict.faultToEnd;
            t.slowestFaultEndRun = record.plan.name.empty()
                                       ? "seed " + std::to_string(record.plan.seed)
                                       : record.plan.name;
        }

        const double seconds = std::chrono::duration<double>(took).count();
        std::string line =
            "run " + std::to_string(index + 1) + "/" + std::to_string(plans_.size()) + " seed " +
            std::to_string(record.plan.seed) + ": " + (failed ? "FAILED" : "ok") + ", " +
            verdict.endSeen + ", " + std::to_string(verdict.bytesCompared) + " B";
        if (verdict.faultToEnd) {
            line += ", ended " + std::to_string(verdict.faultToEnd->count()) + " ms after the " +
                    (record.plan.fault.kind == soak::Fault::kStop ? "stop" : "fault");
        }
        if (record.outcome.faultRefused) {
            line += ", fault refused (the hang-up needs CAP_SYS_ADMIN)";
        }
        char took_text[32];
        std::snprintf(took_text, sizeof took_text, ", %.1f s", seconds);
        std::printf("%s%s\n", line.c_str(), took_text);
        if (failed || !verdict.late.empty() || !record.plan.name.empty()) {
            std::printf("    %s\n", soak::Describe(record.plan).c_str());
        }
        for (const std::string& failure : verdict.failures) {
            std::printf("    - %s\n", failure.c_str());
        }
        for (const std::string& late : verdict.late) {
            std::printf("    - %s%s\n", late.c_str(),
                        options_.timePrinted ? " (printed only)" : "");
        }
        if (failed) {
            const std::string replay = ReplayCommand(options_, record.plan);
            std::printf("    replay: %s\n    left in %s\n", replay.c_str(), record.folder.c_str());
            t.replays.push_back(replay);
        } else if (!options_.keep) {
            std::error_code ignored;
            fs::remove_all(record.folder, ignored);
        }
        std::fflush(stdout);
    }

    Options options_;
    std::vector<soak::RunPlan> plans_;
    soak::Programs programs_;
    fs::path work_;
    soak::PtyDelayProbe probe_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    Totals totals_;
};

// COM1, COM2, ... of the Wine prefix point at the jobs' links, which each run's simulator
// points at its pty.
bool MapWinePorts(const soak::Programs& programs, const std::vector<soak::Slot>& slots) {
    std::vector<std::string> args = {SOURCE_DIR "/tests/soak/map_wine_ports"};
    for (const soak::Slot& slot : slots) {
        args.push_back(slot.comLink);
    }
    ChildProcess map(args, {{"WINEPREFIX", programs.winePrefix}});
    if (map.Wait(300s) != 0) {
        std::fprintf(stderr, "soak: mapping the Wine ports failed:\n%s%s", map.Output().c_str(),
                     map.Errors().c_str());
        return false;
    }
    return true;
}

// The prefix's server, kept running between the runs, goes with them: a later program of
// the prefix (a window under another display) must not meet a server started for these.
void EndWineServer(const soak::Programs& programs) {
    ChildProcess end({"/bin/sh", "-c", "wineserver -k"}, {{"WINEPREFIX", programs.winePrefix}});
    end.Wait(60s);
}

void PrintSummary(const Totals& t, const Options& o, Clock::duration took) {
    std::printf("\n== soak: %llu runs, %llu failed", static_cast<unsigned long long>(t.runs),
                static_cast<unsigned long long>(t.failed));
    std::printf(", %llu over their time bound%s", static_cast<unsigned long long>(t.late),
                o.timePrinted ? " (printed only)" : " (counted as failures)");
    if (t.refused != 0) {
        std::printf(", %llu faults refused", static_cast<unsigned long long>(t.refused));
    }
    std::printf("\n   bytes compared: %llu\n", static_cast<unsigned long long>(t.bytesCompared));
    if (t.worstAfterXoff) {
        // What the tool let onto the wire after the machine's XOFF: its reaction, and on a
        // loaded machine the kernel's delay in handing it the XOFF.
        std::vector<double> sorted = t.afterXoff;
        std::ranges::sort(sorted);
        const auto at = [&sorted](double share) {
            return sorted.empty() ? 0.0
                                  : sorted[static_cast<std::size_t>(
                                        share * static_cast<double>(sorted.size() - 1))];
        };
        std::printf(
            "   worst after-XOFF: %.0f characters (seed %llu); of %zu XOFFs, median %.0f, "
            "99%% at most %.0f\n",
            *t.worstAfterXoff, static_cast<unsigned long long>(t.worstAfterXoffSeed), sorted.size(),
            at(0.5), at(0.99));
    }
    std::printf(
        "   overflow judged in %llu runs (room for the tool's queue, a chunk and what the "
        "line carries while the pty is slowest); longest pty delay %.1f ms\n",
        static_cast<unsigned long long>(t.overflowJudged),
        std::chrono::duration<double, std::milli>(t.longestPtyDelay).count());
    if (t.slowestFaultEnd) {
        std::printf("   slowest end after a fault or stop: %lld ms (%s)\n",
                    static_cast<long long>(t.slowestFaultEnd->count()),
                    t.slowestFaultEndRun.c_str());
    }
    std::printf("   ends:");
    for (const auto& [end, count] : t.ends) {
        std::printf(" %s %llu", end.c_str(), static_cast<unsigned long long>(count));
    }
    std::printf("\n   wall time: %.0f s\n", std::chrono::duration<double>(took).count());
    for (const std::string& replay : t.replays) {
        std::printf("   replay: %s\n", replay.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = ParseOptions(argc, argv);
    if (!parsed) {
        return 2;
    }
    const Options& o = *parsed;

    std::vector<soak::RunPlan> plans;
    if (o.faultTable) {
        for (const soak::RunPlan& plan : soak::FaultTable()) {
            if (o.only.empty() || plan.name == o.only) {
                plans.push_back(plan);
            }
        }
        if (plans.empty()) {
            std::fprintf(stderr, "soak: no fault table row %s\n", o.only.c_str());
            return 2;
        }
    } else if (o.quick) {
        const std::uint64_t fresh = o.seed.value_or(FreshSeed());
        for (const std::uint64_t seed :
             o.windows
                 ? std::vector<std::uint64_t>(std::begin(kQuickWineSeeds),
                                              std::end(kQuickWineSeeds))
                 : std::vector<std::uint64_t>(std::begin(kQuickSeeds), std::end(kQuickSeeds))) {
            plans.push_back(soak::DrawRun(seed, o.faults));
        }
        plans.push_back(soak::DrawRun(fresh, o.faults));
        std::printf(
            "soak: the quick list and the fresh seed %llu (replay: tools/soak --seed "
            "%llu --runs 1%s)\n",
            static_cast<unsigned long long>(fresh), static_cast<unsigned long long>(fresh),
            o.windows ? " --windows" : "");
    } else {
        const std::uint64_t first = o.seed.value_or(FreshSeed());
        for (std::uint64_t i = 0; i < o.runs; ++i) {
            plans.push_back(soak::DrawRun(first + i, o.faults));
        }
        std::printf("soak: %llu runs from seed %llu%s%s, %u at a time\n",
                    static_cast<unsigned long long>(o.runs), static_cast<unsigned long long>(first),
                    o.faults ? " with faults" : "", o.windows ? " under Wine" : "", o.jobs);
    }

    if (o.list) {
        for (const soak::RunPlan& plan : plans) {
            std::printf("%llu: %s\n", static_cast<unsigned long long>(plan.seed),
                        soak::Describe(plan).c_str());
        }
        return 0;
    }

    soak::Programs programs;
    programs.cncSim = CNC_SIM_PATH;
    programs.expectedStream = EXPECTED_STREAM_PATH;
    programs.runner = PRETEST_CLI_PATH;
    if (o.windows) {
        programs.wine = true;
        programs.runner = o.windowsBuild + "/app/strandex-pretest-cli.exe";
        programs.wineRun = SOURCE_DIR "/tools/wine-run";
        programs.winePrefix = o.windowsBuild + "/wineprefix";
    }
    for (const std::string& program : {programs.cncSim, programs.expectedStream, programs.runner}) {
        if (::access(program.c_str(), R_OK) != 0) {
            std::fprintf(stderr, "soak: %s is missing; build it first\n", program.c_str());
            return 2;
        }
    }

    fs::path work = o.work;
    if (work.empty()) {
        std::string pattern = (fs::temp_directory_path() / "strandex-soak-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("soak: mkdtemp");
            return 2;
        }
        work = pattern;
    }
    Soak soak(o, std::move(plans), programs, work);
    const auto slots = soak.Slots();
    if (o.windows && !MapWinePorts(programs, slots)) {
        return 2;
    }
    const Clock::time_point start = Clock::now();
    const Totals& totals = soak.Go(slots);
    if (o.windows) {
        EndWineServer(programs);
    }
    PrintSummary(totals, o, Clock::now() - start);
    if (totals.failed == 0 && !o.keep && o.work.empty()) {
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }
    return totals.failed == 0 ? 0 : 1;
}
