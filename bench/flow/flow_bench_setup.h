// What every run of the flow benchmark shares: where the programs are, the part program,
// the working folder and the line settings the tool is given.
#pragma once

#include <string>
#include <vector>

struct FlowBenchSetup {
    std::string cliPath;
    std::string simPath;
    std::string workDir;
    // Empty, so that no stored machine settings reach the tool.
    std::string configDir;
    std::string programPath;
    // Baud, data bits, stop bits and parity as given to the tool; the line time comes from
    // the same numbers.
    int baud = 9600;
    int dataBits = 7;
    int stopBits = 2;
    bool parity = true;
    std::vector<std::string> LineOptions() const;
    // Start bit, data bits, parity bit, stop bits.
    int BitsPerCharacter() const { return 1 + dataBits + (parity ? 1 : 0) + stopBits; }
    double CharacterSeconds() const { return static_cast<double>(BitsPerCharacter()) / baud; }
    // The same frame for cnc-sim's --frame, e.g. "7E2".
    std::string FrameText() const;
};

// Shell-style text of a command line, with the working folder shortened to $W and the pty
// left to $SLAVE (the first line cnc-sim prints), so that the printed commands stay readable.
std::string CommandText(const std::vector<std::string>& argv, const FlowBenchSetup& setup);
