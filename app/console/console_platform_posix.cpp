#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <string>

#include "console_platform.h"

namespace {

std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnStopSignal(int) {
    g_stopRequested.store(true);
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return {argv + 1, argv + argc};
}

// Terminals here take the UTF-8 as it is.
void PrepareConsoleOutput() {}

void InstallStopRequestHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    // A closed reader of our output must not kill the test halfway.
    signal(SIGPIPE, SIG_IGN);
}

bool StopRequested() {
    return g_stopRequested.load();
}

std::string LocalTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

bool OutputIsTerminal() {
    return ::isatty(STDOUT_FILENO) == 1;
}
