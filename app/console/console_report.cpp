#include "console_report.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "json_text.h"
#include "port_settings.h"
#include "utf8_path.h"

namespace {

namespace fs = std::filesystem;

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

// What the C library last said, or a plain word when it said nothing.
std::string ErrorText() {
    return errno != 0 ? std::strerror(errno) : "the write failed";
}

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

}  // namespace

std::string ReportPathProblem(const std::string& reportPath, const std::string& programPath) {
    const fs::path report = PathFromUtf8(reportPath);
    std::error_code error;
    const fs::file_status status = fs::status(report, error);
    if (fs::is_directory(status)) {
        return "it is a folder";
    }
    const bool existed = fs::exists(status);
    if (existed && fs::equivalent(report, PathFromUtf8(programPath), error)) {
        return "it is the program under test";
    }
    const fs::path folder = report.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, error)) {
        return "its folder does not exist";
    }
    // Appending changes nothing in a file that is there.
    errno = 0;
    std::ofstream probe(report, std::ios::binary | std::ios::app);
    if (!probe) {
        return ErrorText();
    }
    probe.close();
    if (!existed) {
        fs::remove(report, error);
    }
    return {};
}

bool WriteReport(const ConsoleOptions& options, TransferEnd end, const std::string& startedAt,
                 const std::string& endedAt, const RunRecord& record, const RunResult& result,
                 std::string& problem) {
    const TransferState& state = g_transferState;
    errno = 0;
    std::ofstream report(PathFromUtf8(*options.report), std::ios::binary | std::ios::trunc);
    if (!report) {
        problem = ErrorText();
        return false;
    }
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
    // Most write errors (a full disk) show only when the buffer goes out.
    report.close();
    if (report.fail()) {
        problem = ErrorText();
        return false;
    }
    return true;
}
