#include "console_runner.h"

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "chart_scene.h"
#include "chart_svg.h"
#include "console_report.h"
#include "device_override.h"
#include "file_failure.h"
#include "html_report.h"
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

namespace {

using Clock = std::chrono::steady_clock;

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

// Every entry appended to the event log while it lives, in order. The log itself keeps only
// its first and its latest part; the console prints all of it, each entry once.
class EventLogFeed {
  public:
    EventLogFeed() {
        g_transferState.SetEventLogObserver([this](std::string_view text) {
            std::lock_guard lock(mutex_);
            pending_.append(text);
        });
    }
    ~EventLogFeed() { g_transferState.SetEventLogObserver(nullptr); }
    EventLogFeed(const EventLogFeed&) = delete;
    EventLogFeed& operator=(const EventLogFeed&) = delete;

    // What was appended since the last call.
    std::string Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(pending_, {});
    }

  private:
    std::mutex mutex_;
    std::string pending_;
};

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

    // Quiet, what came meanwhile is dropped unless evenWhenQuiet.
    void NewLogText(bool evenWhenQuiet = false) {
        const std::string text = feed_.Take();
        if (text.empty() || (quiet_ && !evenWhenQuiet)) {
            return;
        }
        ClearStatus();
        std::fputs(ForConsole(text).c_str(), out_);
        std::fflush(out_);
    }

    void Line(const std::string& text) {
        ClearStatus();
        std::fprintf(out_, "%s\n", text.c_str());
        std::fflush(out_);
    }

    void SkipLogSoFar() { feed_.Take(); }

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
    EventLogFeed feed_;
};

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
    // Before the port is opened: a report that cannot be written would otherwise be found
    // out only after the whole test.
    if (options.report) {
        if (const std::string problem = ReportPathProblem(*options.report, options.file);
            !problem.empty()) {
            std::fprintf(stderr, "strandex-pretest-cli: cannot write the report %s: %s\n",
                         options.report->c_str(), problem.c_str());
            return kExitBadInput;
        }
    }

    ConsoleView view(out, options.quiet);
    BeginTest();
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

    // "Sending" only once the port is open: a port that does not open never sent anything.
    bool sendingShown = false;
    auto showSending = [&] {
        if (!sendingShown && g_transferState.bPortOpened != 0) {
            view.Line(kSendingStatusText);
            sendingShown = true;
        }
    };
    auto nextStatus = Clock::now() + std::chrono::seconds(1);
    bool stopped = false;
    while (!platform.WaitForDone(std::chrono::milliseconds(100))) {
        showSending();
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
    showSending();

    g_transferState.bSending = 0;
    if (options.quiet) {
        view.SkipLogSoFar();
    }
    g_transferState.AppendEventLog(EndLogLine(platform.LocalTimeOfDay()));
    view.NewLogText(true);
    const TransferEnd end = LastTransferEnd();
    view.Line(ProgressLine() + "   " + TransferUnitLine() + "   " + CountLine());
    view.Line(EndStatusText(end));

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
    WriteResultFiles(options, record, result, startedAt, endedAt);
    if (std::string problem;
        options.report &&
        !WriteReport(options, end, startedAt, endedAt, record, result, problem)) {
        std::fprintf(stderr, "strandex-pretest-cli: cannot write the report %s: %s\n",
                     options.report->c_str(), problem.c_str());
        return kExitReportNotWritten;
    }
    return ExitStatusOf(end);
}
