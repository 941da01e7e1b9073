// The command line of cnc-sim.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "line_frame.h"
#include "machine_model.h"

namespace cnc_sim {

struct Options {
    MachineConfig machine;
    // The tool's characters on the wire; the rate is the one the tool sets on its port.
    LineFrame frame;
    std::string linkPath;
    std::string recordPath;
    std::string reportPath;
    // Zero waits for the tool for ever.
    std::chrono::nanoseconds waitTimeout{0};
    // Once this many data bytes have arrived, the tool's side of the line is hung up, as the
    // kernel does to a pulled USB adapter: its calls fail with I/O errors from then on.
    std::optional<std::uint64_t> hangUpAt;
};

struct CommandLine {
    Options options;
    bool help = false;
    // Set when the command line is wrong; says what is wrong with it.
    std::string error;
};

// args without the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace cnc_sim
