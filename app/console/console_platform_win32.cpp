// clang-format off
#include "platform_types.h"
#include <io.h>
#include <shellapi.h>
// clang-format on

#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>

#include "console_platform.h"
#include "wide_text_win32.h"

namespace {

std::atomic<bool> g_stopRequested{false};

// Windows ends the process about 5 s after a close, log-off or shut-down event; the bound
// only matters where nothing does.
constexpr DWORD kEndingWait = 10000;

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            // Handled: the runner stops the test and closes the port in its own time.
            g_stopRequested.store(true);
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            // Windows ends the process as soon as this returns. It returns only if the runner
            // has not ended the process first: after stopping the test, closing the port and
            // writing the report, with its own exit status. This thread is the system's.
            g_stopRequested.store(true);
            WaitForSingleObject(GetCurrentProcess(), kEndingWait);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

std::vector<std::string> CommandLineArguments(int, char**) {
    // The narrow argv is in the ANSI code page, which cannot carry every file name; the
    // wide command line can.
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return args;
    }
    for (int i = 1; i < count; ++i) {
        args.push_back(WideToUtf8(wide[i]));
    }
    LocalFree(wide);
    return args;
}

void PrepareConsoleOutput() {
    SetConsoleOutputCP(CP_UTF8);
}

void InstallStopRequestHandlers() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool StopRequested() {
    return g_stopRequested.load();
}

std::string LocalTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    // The C library's %z gives a zone name on Windows; the offset is worked out here.
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = GetTimeZoneInformation(&zone);
    long bias = zone.Bias;
    if (kind == TIME_ZONE_ID_DAYLIGHT) {
        bias += zone.DaylightBias;
    } else if (kind == TIME_ZONE_ID_STANDARD) {
        bias += zone.StandardBias;
    }
    const long east = -bias;
    char text[48];
    char date[24];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::snprintf(text, sizeof text, "%s%c%02ld%02ld", date, east < 0 ? '-' : '+',
                  (east < 0 ? -east : east) / 60, (east < 0 ? -east : east) % 60);
    return text;
}

bool OutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}
