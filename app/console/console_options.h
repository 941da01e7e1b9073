// Command line of the console runner.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "port_settings.h"

struct ConsoleOptions {
    std::string file;
    std::optional<int> port;
    std::optional<std::string> device;  // the device to open for that port
    std::optional<int> baud;
    std::optional<int> dataBits;
    std::optional<int> stopBits;
    std::optional<int> parity;  // 0 none, 1 odd, 2 even
    std::optional<bool> waitStart;
    std::optional<std::string> report;
    std::optional<std::string> chart;  // SVG
    std::optional<std::string> html;   // the report a user keeps
    bool quiet = false;
    bool listPorts = false;
    bool help = false;
};

struct ParsedOptions {
    ConsoleOptions options;
    std::string error;  // empty when the command line was good
};

ParsedOptions ParseConsoleOptions(const std::vector<std::string>& args);

// Lays the options given over the stored settings.
void ApplyToSettings(const ConsoleOptions& options, PortSettings& settings);

extern const char* const kConsoleUsage;
