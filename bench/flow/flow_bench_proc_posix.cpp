#include "flow_bench_proc_posix.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::optional<std::string> ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Fields after the command name, which may itself hold blanks and parentheses.
std::optional<std::istringstream> StatFields(pid_t pid) {
    const auto stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) {
        return std::nullopt;
    }
    const std::size_t close = stat->rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    return std::istringstream(stat->substr(close + 1));
}

std::uint64_t NamedValue(const std::string& text, const std::string& name) {
    const std::size_t at = text.find(name);
    if (at == std::string::npos) {
        return 0;
    }
    return std::stoull(text.substr(at + name.size()));
}

}  // namespace

std::optional<ProcessSample> SampleProcess(pid_t pid) {
    auto fields = StatFields(pid);
    if (!fields) {
        return std::nullopt;
    }
    // After the name: state ppid pgrp session tty_nr tpgid flags minflt cminflt majflt
    // cmajflt utime stime.
    std::string skip;
    for (int i = 0; i < 11; ++i) {
        *fields >> skip;
    }
    unsigned long long user = 0;
    unsigned long long system = 0;
    if (!(*fields >> user >> system)) {
        return std::nullopt;
    }
    ProcessSample sample;
    sample.cpuSeconds =
        static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));

    const std::string dir = "/proc/" + std::to_string(pid);
    if (const auto io = ReadText(dir + "/io")) {
        sample.bytesWritten = NamedValue(*io, "wchar:");
    }
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator(dir + "/task", ec)) {
        if (const auto status = ReadText(task.path() / "status")) {
            sample.voluntarySwitches += NamedValue(*status, "\nvoluntary_ctxt_switches:");
            sample.involuntarySwitches += NamedValue(*status, "nonvoluntary_ctxt_switches:");
        }
    }
    return sample;
}

std::optional<pid_t> FindChild(std::string_view programName) {
    const pid_t self = ::getpid();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const auto pid = static_cast<pid_t>(std::stol(name));
        auto fields = StatFields(pid);
        std::string state;
        pid_t parent = 0;
        if (!fields || !(*fields >> state >> parent) || parent != self) {
            continue;
        }
        const auto program = std::filesystem::read_symlink(entry.path() / "exe", ec);
        if (!ec && program.filename() == programName) {
            return pid;
        }
    }
    return std::nullopt;
}
