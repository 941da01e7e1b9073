#pragma once

#include <cstdio>

#include "console_options.h"
#include "console_platform.h"

// Exit statuses of the console runner.
enum ConsoleExit : int {
    kExitEnded = 0,     // level past 60 or end of file
    kExitStopped = 1,   // the operator's stop
    kExitBadInput = 2,  // bad usage, missing file, file under 200,000 bytes
    kExitPortNotOpened = 3,
    kExitLongLine = 4,
    kExitFileNotOpened = 5,
    // The test ran (its end is printed) but the report asked for could not be written;
    // this outranks the end's own status, since whoever reads the status expects a report.
    kExitReportNotWritten = 6,
};

// The ports the settings dialog offers, with what each reaches.
inline constexpr int kListedPorts = 99;

// Prints the port list as the settings dialog shows it, one entry a line, with a --port
// and --device given applied first.
int ListConsolePorts(const ConsoleOptions& options, std::FILE* out);

// Runs one test the way the send button does, printing the status once a second and the
// event log as it grows, and returns the exit status. The platform must be installed.
int RunConsoleTest(const ConsoleOptions& options, ConsolePlatform& platform, std::FILE* out);
