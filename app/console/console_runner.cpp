#include "console_runner.h"

#include <chrono>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#include "chart_scene.h"
#include "chart_svg.h"
#include "device_override.h"
#include "file_failure.h"
#include "html_report.h"
#include "json_text.h"
#include "load_port_settings.h"
#include "port_list.h"
#include "port_settings.h"
#include "result_text.h"
#include "run_chart.h"
#include "run_record.h"
#include "run_result.h"
#include "test_status.h"
#include "transfer_state.h"
#include "transfer_worker.h"
#include "utf8_path.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* EndReasonName(TransferEnd end) {
    switch (end) {
        case TransferEnd::LevelPassed:
            return "level";
        case TransferEnd::EndOfFile:
            return "eof";
        case TransferEnd::Stopped:
            return "stopped";
        case TransferEnd::PortNotOpened:
            return "port";
        case TransferEnd::LongLine:
            return "long_line";
        case TransferEnd::FileNotOpened:
            return "file";
        case TransferEnd::PortLost:
            return "port_lost";
        case TransferEnd::None:
            break;
    }
    return "none";
}

int ExitStatusOf(TransferEnd end) {
    switch (end) {
        case TransferEnd::LevelPassed:
        case TransferEnd::EndOfFile:
            return kExitEnded;
        case TransferEnd::Stopped:
            return kExitStopped;
        case TransferEnd::PortNotOpened:
        case TransferEnd::PortLost:
            return kExitPortNotOpened;
        case TransferEnd::LongLine:
            return kExitLongLine;
        case TransferEnd::FileNotOpened:
        case TransferEnd::None:
            break;
    }
    return kExitFileNotOpened;
}

// The log is kept with CR LF line ends, as the window shows it; a console wants LF.
std::string ForConsole(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            out += text[i];
        }
    }
    return out;
}

// Prints the three status lines as one, rewritten in place on a terminal, and the event log
// as it grows.
class ConsoleView {
  public:
    ConsoleView(std::FILE* out, bool quiet)
        : out_(out), quiet_(quiet), terminal_(OutputIsTerminal()) {}

    void Status() {
        if (quiet_) {
            return;
        }
        const std::string line = ProgressLine() + "   " + TransferUnitLine() + "   " + CountLine();
        std::fprintf(out_, terminal_ ? "\r\033[K%s" : "%s\n", line.c_str());
        statusShown_ = terminal_;
        std::fflush(out_);
    }

    void NewLogText(bool evenWhenQuiet = false) {
        const std::string log = g_transferState.CopyEventLog();
        if (log.size() <= printed_ || (quiet_ && !evenWhenQuiet)) {
            return;
        }
        ClearStatus();
        std::fputs(ForConsole(log.substr(printed_)).c_str(), out_);
        printed_ = log.size();
        std::fflush(out_);
    }

    void Line(const std::string& text) {
        ClearStatus();
        std::fprintf(out_, "%s\n", text.c_str());
        std::fflush(out_);
    }

    void SkipLogSoFar() { printed_ = g_transferState.CopyEventLog().size(); }

  private:
    void ClearStatus() {
        if (statusShown_) {
            std::fputs("\r\033[K", out_);
            statusShown_ = false;
        }
    }

    std::FILE* out_;
    bool quiet_;
    bool terminal_;
    bool statusShown_ = false;
    std::size_t printed_ = 0;
};

const char* EventName(RunEventKind kind) {
    switch (kind) {
        case RunEventKind::Start:
            return "start";
        case RunEventKind::LevelStep:
            return "level";
        case RunEventKind::Xoff:
            return "xoff";
        case RunEventKind::Xon:
            return "xon";
        case RunEventKind::Enq:
            return "enq";
        case RunEventKind::Ack:
            return "ack";
        case RunEventKind::Nak:
            return "nak";
        case RunEventKind::End:
            break;
    }
    return "end";
}

std::string Seconds3(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(ms) / 1000.0);
    return text;
}

// The record and its result as the report's members: levels, holds, the first XOFF's level
// and every event with its time.
std::string ResultJson(const RunRecord& record, const RunResult& result) {
    std::string json = "  \"levels\": [";
    for (std::size_t i = 0; i < result.levels.size(); ++i) {
        const LevelResult& l = result.levels[i];
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.1f", l.bytesPerSecond);
        json += std::string(i > 0 ? "," : "") + "\n    {\"level\": " + std::to_string(l.level) +
                ", \"from_s\": " + Seconds3(l.fromMs) + ", \"to_s\": " + Seconds3(l.toMs) +
                ", \"bytes\": " + std::to_string(l.bytes) + ", \"bytes_per_s\": " + rate +
                ", \"xoff_count\": " + std::to_string(l.xoffCount) +
                ", \"held_s\": " + Seconds3(l.heldMs) +
                ", \"longest_hold_s\": " + Seconds3(l.longestHoldMs) + "}";
    }
    json += "\n  ],\n  \"holds\": [";
    for (std::size_t i = 0; i < result.holds.size(); ++i) {
        const HoldSpan& h = result.holds[i];
        json += std::string(i > 0 ? "," : "") + "\n    {\"from_s\": " + Seconds3(h.fromMs) +
                ", \"to_s\": " + Seconds3(h.toMs) + ", \"level\": " + std::to_string(h.level) +
                ", \"open\": " + (h.open ? "true" : "false") + "}";
    }
    json += "\n  ],\n  \"first_xoff_level\": " +
            (result.firstXoffLevel ? std::to_string(*result.firstXoffLevel) : "null") + ",\n";
    char share[32];
    std::snprintf(share, sizeof share, "%.4f", result.heldShare);
    json += "  \"duration_s\": " + Seconds3(result.durationMs) +
            ",\n  \"held_s\": " + Seconds3(result.heldMs) + ",\n  \"held_share\": " + share + ",\n";
    json += "  \"events\": [";
    for (std::size_t i = 0; i < record.events.size(); ++i) {
        const RunEvent& e = record.events[i];
        json += std::string(i > 0 ? "," : "") + "\n    {\"t_ms\": " + std::to_string(e.ms) +
                ", \"event\": \"" + EventName(e.kind) +
                "\", \"level\": " + std::to_string(e.level) +
                ", \"written_bytes\": " + std::to_string(e.writtenBytes);
        if (e.kind == RunEventKind::End) {
            json += ", \"end_reason\": " +
                    JsonString(EndReasonName(static_cast<TransferEnd>(e.endReason)));
        }
        json += "}";
    }
    return json + "\n  ],\n";
}

void WriteReport(const std::string& path, const ConsoleOptions& options, TransferEnd end,
                 const std::string& startedAt, const std::string& endedAt, const RunRecord& record,
                 const RunResult& result) {
    const TransferState& state = g_transferState;
    std::ofstream report(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    report << "{\n"
           << "  \"file\": " << JsonString(options.file) << ",\n"
           << "  \"port\": {\"com\": " << g_portSettings.nComID
           << ", \"baud\": " << g_portSettings.nBaudRate
           << ", \"data_bits\": " << g_portSettings.nDataBits
           << ", \"stop_bits\": " << g_portSettings.nStopBits
           << ", \"parity\": " << g_portSettings.nParity
           << ", \"wait_start\": " << g_portSettings.bSendSignalWait << "},\n"
           << "  \"file_size\": " << state.nFileSize << ",\n"
           << "  \"sent_bytes\": " << state.nSentBytes << ",\n"
           << "  \"written_bytes\": " << state.nWrittenBytes << ",\n"
           << "  \"percent\": " << state.nPercent << ",\n"
           << "  \"transfer_unit\": " << state.nTransferUnit << ",\n"
           << "  \"xon_count\": " << state.nXonCount << ",\n"
           << "  \"end_reason\": " << JsonString(EndReasonName(end)) << ",\n"
           << "  \"event_log\": " << JsonString(state.CopyEventLog()) << ",\n"
           << ResultJson(record, result) << "  \"started_at\": " << JsonString(startedAt) << ",\n"
           << "  \"ended_at\": " << JsonString(endedAt) << "\n"
           << "}\n";
    if (!report) {
        std::fprintf(stderr, "strandex-pretest-cli: cannot write the report %s\n", path.c_str());
    }
}

void WriteOrComplain(const std::string& path, const std::string& text, const char* what) {
    std::string error;
    if (!WriteTextFile(path, text, error)) {
        std::fprintf(stderr, "strandex-pretest-cli: cannot write the %s %s: %s\n", what,
                     path.c_str(), error.c_str());
    }
}

void WriteResultFiles(const ConsoleOptions& options, const RunRecord& record,
                      const RunResult& result, const std::string& startedAt,
                      const std::string& endedAt) {
    if (options.chart) {
        WriteOrComplain(*options.chart,
                        ChartSvg(LayOutChart(BuildRunChart(record, result), 900, 380, 13)),
                        "chart");
    }
    if (options.html) {
        ReportInputs inputs;
        inputs.programPath = options.file;
        inputs.programSize = g_transferState.nFileSize;
        inputs.settings = g_portSettings;
        inputs.eventLog = g_transferState.CopyEventLog();
        inputs.startedAt = startedAt;
        inputs.endedAt = endedAt;
        inputs.record = record;
        WriteOrComplain(*options.html, HtmlReport(inputs), "report");
    }
}

}  // namespace

int ListConsolePorts(const ConsoleOptions& options, std::FILE* out) {
    if (options.device) {
        g_portSettings = DefaultPortSettings();
        LoadPortSettings();
        ApplyToSettings(options, g_portSettings);
        if (!OverridePortDevice(g_portSettings.nComID, *options.device)) {
            std::fputs("strandex-pretest-cli: --device is not available on this platform\n",
                       stderr);
            return kExitBadInput;
        }
    }
    for (const std::string& entry : ComPortListTexts(kListedPorts)) {
        std::fprintf(out, "%s\n", entry.c_str());
    }
    return kExitEnded;
}

int RunConsoleTest(const ConsoleOptions& options, ConsolePlatform& platform, std::FILE* out) {
    g_portSettings = DefaultPortSettings();
    LoadPortSettings();
    ApplyToSettings(options, g_portSettings);
    if (options.device && !OverridePortDevice(g_portSettings.nComID, *options.device)) {
        std::fputs("strandex-pretest-cli: --device is not available on this platform\n", stderr);
        return kExitBadInput;
    }

    switch (CheckFileForSend(options.file)) {
        case SendCheck::FileMissing:
            platform.ShowMessageBox(nullptr, FileMissingMessage(options.file), kMessageCaption,
                                    MB_ICONINFORMATION);
            return kExitBadInput;
        case SendCheck::FileTooSmall:
            platform.ShowMessageBox(nullptr, kFileTooSmallText, kMessageCaption,
                                    MB_ICONINFORMATION);
            return kExitBadInput;
        case SendCheck::Ready:
            break;
    }

    ConsoleView view(out, options.quiet);
    BeginTest();
    view.Line(kSendingStatusText);
    const std::string startedAt = LocalTimestamp();
    const WorkerParam param{options.file, nullptr};
    std::thread worker;
    try {
        worker = std::thread(TransferWorker, &param);
    } catch (const std::system_error& error) {
        g_transferState.bSending = 0;
        std::fprintf(stderr, "strandex-pretest-cli: the test could not be started: %s\n",
                     error.what());
        return kExitStopped;
    }

    auto nextStatus = Clock::now() + std::chrono::seconds(1);
    bool stopped = false;
    while (!platform.WaitForDone(std::chrono::milliseconds(100))) {
        if (StopRequested() && !stopped) {
            g_transferState.bSending = 0;
            stopped = true;
        }
        if (Clock::now() >= nextStatus) {
            view.NewLogText();
            view.Status();
            nextStatus += std::chrono::seconds(1);
        }
    }
    worker.join();

    g_transferState.bSending = 0;
    if (options.quiet) {
        view.SkipLogSoFar();
    }
    g_transferState.AppendEventLog(EndLogLine(platform.LocalTimeOfDay()));
    view.NewLogText(true);
    view.Line(ProgressLine() + "   " + TransferUnitLine() + "   " + CountLine());
    view.Line(kEndedStatusText);

    const auto end =
        static_cast<TransferEnd>(static_cast<std::int32_t>(g_transferState.nEndReason));
    if (end == TransferEnd::FileNotOpened) {
        if (const std::string why = ProgramFileFailureLine(options.file); !why.empty()) {
            std::fprintf(stderr, "strandex-pretest-cli: %s\n", why.c_str());
        }
    }
    const RunRecord record = CopyRunRecord();
    const RunResult result = ComputeRunResult(record);
    for (const std::string& line : HeadlineLines(result)) {
        view.Line(line);
    }
    std::string table = FormatTextTable(LevelTable(result));
    table.pop_back();
    view.Line(table);
    const std::string endedAt = LocalTimestamp();
    if (options.report) {
        WriteReport(*options.report, options, end, startedAt, endedAt, record, result);
    }
    WriteResultFiles(options, record, result, startedAt, endedAt);
    return ExitStatusOf(end);
}
