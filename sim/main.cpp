#include <iostream>
#include <string>
#include <vector>

#include "options.h"
#include "simulator_posix.h"

int main(int argc, char** argv) {
    const cnc_sim::CommandLine line =
        cnc_sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.error.empty()) {
        std::cerr << "cnc-sim: " << line.error << "\n\n" << cnc_sim::UsageText();
        return 2;
    }
    if (line.help) {
        std::cout << cnc_sim::UsageText();
        return 0;
    }
    return cnc_sim::RunSimulator(line.options);
}
