#include "flow_bench_setup.h"

std::vector<std::string> FlowBenchSetup::LineOptions() const {
    return {"--baud",      std::to_string(baud),     "--data-bits", std::to_string(dataBits),
            "--stop-bits", std::to_string(stopBits), "--parity",    parity ? "even" : "none"};
}

std::string FlowBenchSetup::FrameText() const {
    return std::to_string(dataBits) + (parity ? "E" : "N") + std::to_string(stopBits);
}

std::string CommandText(const std::vector<std::string>& argv, const FlowBenchSetup& setup) {
    std::string text;
    for (const std::string& arg : argv) {
        std::string shown = arg;
        if (!setup.workDir.empty()) {
            for (std::size_t at = shown.find(setup.workDir); at != std::string::npos;
                 at = shown.find(setup.workDir, at + 2)) {
                shown.replace(at, setup.workDir.size(), "$W");
            }
        }
        if (!text.empty()) {
            text += ' ';
        }
        const bool plain = !shown.empty() && shown.find_first_of(" \t'\"\\") == std::string::npos;
        text += plain ? shown : "'" + shown + "'";
    }
    return text;
}
