// strandex-pretest-cli: the pre-test without a window, for automation and the demo.
#include <cstdio>
#include <string>
#include <vector>

#include "console_options.h"
#include "console_platform.h"
#include "console_runner.h"

int main(int argc, char** argv) {
    PrepareConsoleOutput();
    const std::vector<std::string> args = CommandLineArguments(argc, argv);
    const ParsedOptions parsed = ParseConsoleOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "strandex-pretest-cli: %s\n\n%s", parsed.error.c_str(), kConsoleUsage);
        return kExitBadInput;
    }
    if (parsed.options.help) {
        std::fputs(kConsoleUsage, stdout);
        return kExitEnded;
    }
    if (parsed.options.listPorts) {
        return ListConsolePorts(parsed.options, stdout);
    }
    ConsolePlatform platform;
    SetPlatform(&platform);
    InstallStopRequestHandlers();
    const int status = RunConsoleTest(parsed.options, platform, stdout);
    SetPlatform(nullptr);
    return status;
}
