// XON/XOFF as the machine sees it: the tool against the simulated machine, next to the
// kernel's own XON/XOFF on the same machine. The simulator puts the tool's bytes on a
// modelled wire at the rate the tool set, so every figure is one a real line would show.
//
//   build/linux/bench/flow_bench [--size BYTES]
//
// Prints figures only; nothing here passes or fails on time.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "child_process_posix.h"
#include "flow_bench_busy_cores.h"
#include "flow_bench_hold_cpu_posix.h"
#include "flow_bench_kernel_run_posix.h"
#include "flow_bench_levels.h"
#include "flow_bench_pause.h"
#include "flow_bench_setup.h"
#include "flow_bench_stats.h"
#include "flow_bench_table.h"
#include "flow_bench_tool_run_posix.h"
#include "temp_dir.h"

namespace {

// The tool refuses anything smaller.
constexpr long kMinimumSize = 200000;
constexpr long kDefaultSize = 220000;
constexpr int kPauseCount = 2000;
constexpr std::chrono::seconds kHoldWindow{5};
// The tool waits this long before it closes the port, whatever happened before.
constexpr double kCloseWaitSeconds = 1.0;
// A rate at which the tight machine's tests take seconds, not minutes, and it still says XOFF.
constexpr int kFastBaud = 57600;

struct Arguments {
    long size = kDefaultSize;
    bool ok = true;
};

Arguments ParseArguments(int argc, char** argv) {
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--size" && i + 1 < argc) {
            char* end = nullptr;
            args.size = std::strtol(argv[++i], &end, 10);
            args.ok = args.ok && *end == '\0' && args.size >= kMinimumSize;
        } else {
            args.ok = false;
        }
    }
    return args;
}

long LineBytesPerSecond(const FlowBenchSetup& setup) {
    return std::lround(1.0 / setup.CharacterSeconds());
}

// A tight buffer drained a little slower than the line brings bytes, so holds come all
// through the test: at 9600 baud 7E2 the line brings 873 bytes a second.
std::vector<std::string> TightMachine(const FlowBenchSetup& setup) {
    const long rate = LineBytesPerSecond(setup) * 4 / 5;
    return {"--buffer", "256", "--xoff-at", "192",
            "--xon-at", "64",  "--rate",    std::to_string(rate)};
}

// One hold of about six seconds right at the start: 184 bytes to drain at 30 bytes/s.
const std::vector<std::string> kSlowMachine{"--buffer", "256", "--xoff-at", "192",
                                            "--xon-at", "8",   "--rate",    "30"};

// Takes bytes at the line's own rate, with a margin of many chunks, so a tool that keeps to
// the line is never held; the bytes lost are printed beside it.
std::vector<std::string> LineRateMachine(const FlowBenchSetup& setup) {
    return {"--buffer", "4096", "--xoff-at", "2048",
            "--xon-at", "1024", "--rate",    std::to_string(LineBytesPerSecond(setup))};
}

std::string Count(double n) {
    return Format("%.0f", n);
}

std::string AfterXoffCell(const std::vector<double>& values) {
    return Format("%4zu %5.0f %7.1f", values.size(), Largest(values), Median(values));
}

std::string AfterXoffCell(const JsonValue& machine) {
    const JsonValue& after = machine["after_xoff"];
    return Format("%4.0f %5.0f %7.1f", machine["xoff_sent"].NumberOr(0), after["max"].NumberOr(0),
                  after["median"].NumberOr(0));
}

// The machine's figure runs from the XON being written to the last bit of the next byte;
// that byte's own time on the wire, at the rate the machine saw, is taken off.
std::string XonGapCell(const JsonValue& machine) {
    const JsonValue& gap = machine["xon_to_next_byte_ms"];
    if (gap["count"].NumberOr(0) == 0) {
        return "- (no XON was followed by a byte)";
    }
    const JsonValue& line = machine["line"];
    const double baud = line["baud"].NumberOr(0);
    const double characterMs = baud > 0 ? 1000.0 * line["bits_per_char"].NumberOr(0) / baud : 0;
    return Format("%.3f / %.3f  (n=%.0f)", gap["median"].NumberOr(0) - characterMs,
                  gap["p99"].NumberOr(0) - characterMs, gap["count"].NumberOr(0));
}

std::string LineCell(const JsonValue& machine) {
    const JsonValue& line = machine["line"];
    return Format("%.0f baud, %g bits", line["baud"].NumberOr(0),
                  line["bits_per_char"].NumberOr(0));
}

std::string LevelName(int level) {
    if (level == kUnloggedLevels) {
        return "after XOFF, level <=10 (chunk 1)";
    }
    if (level == kNotRead) {
        return "after XOFF, sent after the tool's last read";
    }
    return Format("after XOFF, level %d (chunk %d)", level, ChunkBytes(level));
}

void AddLevelRows(TextTable& table, const ToolRun& run, std::vector<std::string>& notes) {
    const std::string log = run.tool["event_log"].text;
    const auto levels = LoggedXoffLevels(log);
    const auto xoffsRead = static_cast<std::size_t>(run.tool["xon_count"].NumberOr(0));
    const LevelSplit split =
        SplitByLevel(run.machine["after_xoff"]["per_xoff"].Numbers(), xoffsRead, levels);
    if (!split.consistent) {
        notes.push_back(
            "row 1: the event log names more XOFFs than the tool read; the level "
            "split is not reliable");
    }
    if (LoggedXonCount(log) != levels.size()) {
        notes.push_back(Format("row 1: the log holds %zu Xoff and %zu Xon entries", levels.size(),
                               LoggedXonCount(log)));
    }
    for (const LevelGroup& group : split.groups) {
        table.AddRow({"1", LevelName(group.level), AfterXoffCell(group.afterXoff), "",
                      "XOFFs max median, bytes"});
    }
    table.AddRow(
        {"1", "after XOFF, all XOFFs", AfterXoffCell(run.machine), "", "XOFFs max median, bytes"});
}

void AddWallRows(TextTable& table, const std::string& label, const ToolRun& run,
                 const FlowBenchSetup& setup) {
    const double sent = run.tool["sent_bytes"].NumberOr(0);
    const double wall = run.machine["duration_s"].NumberOr(0);
    const double line = sent * setup.CharacterSeconds();
    table.AddRow({"5", label + ": wall, port open to last byte in", Format("%.3f", wall), "", "s"});
    table.AddRow({"5",
                  Format("%s: line time of %.0f bytes at %d baud, %d bits", label.c_str(), sent,
                         setup.baud, setup.BitsPerCharacter()),
                  Format("%.3f", line), "", "s"});
    table.AddRow({"5", label + ": wall / line time", Format("%.3f", wall / line), "", ""});
    table.AddRow({"5", label + ": (wall - 1-s close wait) / line time",
                  Format("%.3f", (wall - kCloseWaitSeconds) / line), "", ""});
    table.AddRow({"5", label + ": after XOFF, all XOFFs", AfterXoffCell(run.machine), "",
                  "XOFFs max median, bytes"});
    table.AddRow({"5", label + ": bytes the machine lost to overflow",
                  Count(run.machine["overflow_bytes"].NumberOr(0)), "", "bytes"});
    table.AddRow({"5", label + ": most bytes in the tool's UART or on the wire",
                  Count(run.machine["uart_queue_max"].NumberOr(0)), "", "bytes"});
}

void Progress(const char* text) {
    std::fprintf(stderr, "flow_bench: %s\n", text);
}

}  // namespace

int main(int argc, char** argv) {
    const Arguments args = ParseArguments(argc, argv);
    if (!args.ok) {
        std::fprintf(stderr, "usage: flow_bench [--size BYTES]   (BYTES at least %ld)\n",
                     kMinimumSize);
        return 2;
    }
    try {
        const TempDir work;
        FlowBenchSetup setup;
        setup.cliPath = FLOW_BENCH_CLI;
        setup.simPath = FLOW_BENCH_SIM;
        setup.workDir = work.path().string();
        setup.configDir = (work.path() / "xdg").string();
        setup.programPath = (work.path() / "program.nc").string();
        std::filesystem::create_directories(setup.configDir);
        FlowBenchSetup fast = setup;
        fast.baud = kFastBaud;

        const std::vector<std::string> genArgv{
            FLOW_BENCH_NC_GEN, "--size", std::to_string(args.size),
            "--seed",          "1",      setup.programPath};
        ChildProcess gen(genArgv);
        if (gen.Wait(std::chrono::seconds(60)) != 0) {
            throw std::runtime_error("nc-gen failed: " + gen.Errors());
        }

        Progress("rows 1, 2: the tool against a tight buffer at 9600 baud (about 70 s)");
        const auto tightMachine = TightMachine(setup);
        const ToolRun tight = RunToolOnSim(setup, tightMachine, "tight");
        Progress("rows 2, 6: the tool against a tight buffer at 57600 baud (about 12 s)");
        const auto fastTightMachine = TightMachine(fast);
        const ToolRun fastTight = RunToolOnSim(fast, fastTightMachine, "fast-tight");
        Progress("row 2: the same with both cores busy beside it (about 12 s)");
        const ToolRun busy = [&] {
            const BusyCores cores(2);
            return RunToolOnSim(fast, fastTightMachine, "busy");
        }();
        Progress("rows 2, 6: the kernel's XON/XOFF against the same machine (about 12 s)");
        const auto kernelBytes = static_cast<long>(fastTight.tool["sent_bytes"].NumberOr(0));
        const KernelRun kernel =
            RunKernelXonXoff(fast, fastTightMachine, kernelBytes > 0 ? kernelBytes : 1, "kernel");
        // The same pty and machine with the kernel's own XON/XOFF: what a busy machine costs
        // every sender, before anything of the tool.
        Progress("row 2: the kernel's with both cores busy beside it (about 12 s)");
        const KernelRun kernelBusy = [&] {
            const BusyCores cores(2);
            return RunKernelXonXoff(fast, fastTightMachine, kernelBytes > 0 ? kernelBytes : 1,
                                    "kernel-busy");
        }();
        Progress("row 3: CPU during a long hold (about 8 s)");
        const HoldCpu hold = MeasureHoldCpu(setup, kSlowMachine, kHoldWindow, "hold");
        Progress("row 4: 1-ms pauses (about 2 s)");
        const std::vector<double> pauses = TimeOneMillisecondPauses(kPauseCount);
        Progress("rows 3, 5: the whole test at line rate, 9600 baud (about 1 min)");
        const auto lineMachine = LineRateMachine(setup);
        const ToolRun lineRate = RunToolOnSim(setup, lineMachine, "line");

        std::vector<std::string> notes;
        TextTable table({"row", "figure", "tool", "kernel ixon", "unit"});
        table.AddSection("-- 1. bytes after XOFF by level (9600 baud; machine: tight buffer)");
        AddLevelRows(table, tight, notes);
        table.AddRow({"1", "most bytes in the tool's UART or on the wire",
                      Count(tight.machine["uart_queue_max"].NumberOr(0)), "", "bytes"});
        table.AddSection(
            "-- 2. XON to the next byte, less one character time (machine: tight buffer)");
        table.AddRow({"2", "9600 baud: median / p99", XonGapCell(tight.machine), "", "ms"});
        table.AddRow({"2", "57600 baud: median / p99", XonGapCell(fastTight.machine),
                      XonGapCell(kernel.machine), "ms"});
        table.AddRow({"2", "57600 baud, both cores busy beside it: median / p99",
                      XonGapCell(busy.machine), XonGapCell(kernelBusy.machine), "ms"});
        table.AddSection("-- 3. the tool's CPU");
        table.AddRow({"3",
                      Format("CPU per wall second of hold (%.2f s measured)", hold.windowSeconds),
                      Format("%.3f", hold.cpuSeconds / hold.windowSeconds), "", "CPU s / s"});
        table.AddRow({"3", "thread switches per second of hold, voluntary / involuntary",
                      Format("%.0f / %.0f", hold.voluntarySwitchesPerSecond,
                             hold.involuntarySwitchesPerSecond),
                      "", "1/s"});
        table.AddRow(
            {"3",
             Format("CPU per wall second of a 9600-baud test the machine never held (%.1f s)",
                    lineRate.toolWallSeconds),
             Format("%.3f", lineRate.toolCpuSeconds / lineRate.toolWallSeconds), "", "CPU s / s"});
        table.AddSection("-- 4. the 1-ms pause, SystemPlatformServices().Sleep(1)");
        table.AddRow({"4", Format("real length, mean / p99 (n=%d)", kPauseCount),
                      Format("%.3f / %.3f", Mean(pauses), Percentile(pauses, 99)), "", "ms"});
        table.AddRow({"4", "real length, min / max",
                      Format("%.3f / %.3f", Percentile(pauses, 0), Largest(pauses)), "", "ms"});
        table.AddSection("-- 5. whole test against line time (9600 baud; machine at line rate)");
        AddWallRows(table, "line rate", lineRate, setup);
        table.AddSection(
            "-- 6. the tool next to the kernel's XON/XOFF (57600 baud; machine: tight buffer)");
        table.AddRow({"6", "line the machine saw", LineCell(fastTight.machine),
                      LineCell(kernel.machine), ""});
        table.AddRow({"6", "after XOFF, all XOFFs", AfterXoffCell(fastTight.machine),
                      AfterXoffCell(kernel.machine), "XOFFs max median, bytes"});
        table.AddRow({"6", "wall, port open to last byte in",
                      Format("%.3f", fastTight.machine["duration_s"].NumberOr(0)),
                      Format("%.3f", kernel.machine["duration_s"].NumberOr(0)), "s"});
        table.AddRow({"6", "bytes the machine received",
                      Count(fastTight.machine["bytes_received"].NumberOr(0)),
                      Count(kernel.machine["bytes_received"].NumberOr(0)), "bytes"});
        table.AddRow({"6", "bytes the machine lost to overflow",
                      Count(fastTight.machine["overflow_bytes"].NumberOr(0)),
                      Count(kernel.machine["overflow_bytes"].NumberOr(0)), "bytes"});
        table.AddRow({"6", "most bytes in the UART or on the wire",
                      Count(fastTight.machine["uart_queue_max"].NumberOr(0)),
                      Count(kernel.machine["uart_queue_max"].NumberOr(0)), "bytes"});

        if (!kernel.flowControlOn) {
            notes.push_back("row 6: the port did not have IXON on and IXANY off");
        }
        if (!kernel.allArrived) {
            notes.push_back("row 6: the kernel's port was closed before every byte arrived");
        }
        if (!kernelBusy.flowControlOn || !kernelBusy.allArrived) {
            notes.push_back("row 2: the kernel's run with both cores busy did not run as row 6");
        }
        if (!hold.heldThroughout) {
            notes.push_back(
                "row 3: the tool wrote during the measured stretch; the hold was "
                "shorter than it");
        }
        if (lineRate.machine["xoff_sent"].NumberOr(0) != 0) {
            notes.push_back(Format("row 3: the line-rate machine did hold the tool (%.0f XOFFs)",
                                   lineRate.machine["xoff_sent"].NumberOr(0)));
        }
        for (const auto* run : {&tight, &fastTight, &busy, &lineRate}) {
            if (run->tool["end_reason"].text != "level") {
                notes.push_back("a test ended by " + run->tool["end_reason"].text +
                                ", not by the level");
            }
        }

        std::printf(
            "flow_bench: program of %ju bytes, %u CPUs, line %d or %d baud, %d bits a "
            "character\n\n",
            static_cast<std::uintmax_t>(std::filesystem::file_size(setup.programPath)),
            std::thread::hardware_concurrency(), setup.baud, fast.baud, setup.BitsPerCharacter());
        table.Print(stdout);
        std::printf(
            "after XOFF = bytes that went onto the modelled wire after the machine's XOFF was "
            "written and before\nthe sender held its transmitter (or the XON, if it never "
            "did): its own reaction, as a real line shows it.\n"
            "XON to next byte = from the XON written to the last bit of the next byte, less "
            "that byte's own time on the wire.\n");
        for (const std::string& note : notes) {
            std::printf("note: %s\n", note.c_str());
        }
        std::printf(
            "\ncommands ($W: a temporary folder, removed at exit; $SLAVE: the pty path "
            "cnc-sim prints first)\n");
        std::printf("  program:  %s\n", CommandText(genArgv, setup).c_str());
        std::printf("  rows 1-2: %s\n            %s\n", tight.simCommand.c_str(),
                    tight.toolCommand.c_str());
        std::printf("  rows 2,6: %s\n            %s\n", fastTight.simCommand.c_str(),
                    fastTight.toolCommand.c_str());
        std::printf(
            "            busy: the same, with 2 threads of flow_bench spinning beside it "
            "(tool; kernel as in row 6)\n");
        std::printf("  row 3:    %s\n            %s\n", hold.simCommand.c_str(),
                    hold.toolCommand.c_str());
        std::printf(
            "            hold = the tool's writes (wchar of /proc/<tool>/io) stop for "
            "%.1f s; here from %.2f s after its start\n",
            hold.silenceSeconds, hold.holdBeganAfterSeconds);
        std::printf(
            "            CPU = utime + stime of /proc/<tool>/stat at that point and "
            "%ld s later\n",
            static_cast<long>(kHoldWindow.count()));
        std::printf(
            "            never held: the tool of row 5, its CPU (getrusage of the reaped "
            "child) over its wall time\n");
        std::printf(
            "  row 4:    in process, %d x SystemPlatformServices().Sleep(1), each "
            "timed with steady_clock\n",
            kPauseCount);
        std::printf("  row 5:    %s\n", lineRate.simCommand.c_str());
        std::printf("            tool as in rows 1-2; wall = the machine's duration_s\n");
        std::printf("  row 6:    %s\n", kernel.simCommand.c_str());
        for (const std::string& step : kernel.steps) {
            std::printf("            %s\n", step.c_str());
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "flow_bench: %s\n", e.what());
        return 1;
    }
}
