#include "console_runner.h"

#include <chrono>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#include "device_override.h"
#include "file_failure.h"
#include "json_text.h"
#include "load_port_settings.h"
#include "port_list.h"
#include "port_settings.h"
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

void WriteReport(const std::string& path, const ConsoleOptions& options, TransferEnd end,
                 const std::string& startedAt, const std::string& endedAt) {
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
           << "  \"started_at\": " << JsonString(startedAt) << ",\n"
           << "  \"ended_at\": " << JsonString(endedAt) << "\n"
           << "}\n";
    if (!report) {
        std::fprintf(stderr, "strandex-pretest-cli: cannot write the report %s\n", path.c_str());
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
    if (options.report) {
        WriteReport(*options.report, options, end, startedAt, LocalTimestamp());
    }
    return ExitStatusOf(end);
}
