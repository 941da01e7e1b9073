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
                 const std::string& endedAt, std::string& problem) {
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
           << "  \"started_at\": " << JsonString(startedAt) << ",\n"
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
