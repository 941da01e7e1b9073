// What /proc tells about another process: its CPU time, what it has written and how often
// its threads gave up the CPU.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string_view>

struct ProcessSample {
    double cpuSeconds = 0;                // user and system time of all threads
    std::uint64_t bytesWritten = 0;       // by write() and the like, to any file
    std::uint64_t voluntarySwitches = 0;  // summed over the threads
    std::uint64_t involuntarySwitches = 0;
};

// Nothing once the process is gone.
std::optional<ProcessSample> SampleProcess(pid_t pid);

// A child of this process whose program file is named programName.
std::optional<pid_t> FindChild(std::string_view programName);
