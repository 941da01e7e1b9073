// The record a user keeps of a test: one HTML file holding the headline, the per-level table,
// the chart as inline SVG, the settings used, the program's name and size and the machine's
// event log. It loads nothing from anywhere, so it opens the same in any browser, offline.
#pragma once

#include <cstdint>
#include <string>

#include "port_settings.h"
#include "run_record.h"

struct ReportInputs {
    std::string programPath;  // UTF-8
    std::int64_t programSize = 0;
    PortSettings settings;
    std::string eventLog;   // as the window shows it
    std::string startedAt;  // local time texts; empty when not known
    std::string endedAt;
    RunRecord record;
};

std::string HtmlReport(const ReportInputs& inputs);

// The settings in one line: COM1, 9600 baud, 7 data bits, even parity, 2 stop bits, ...
std::string SettingsText(const PortSettings& settings);

// Writes text to the file at the UTF-8 path, replacing it. False with error set when it
// could not be written whole.
bool WriteTextFile(const std::string& path, const std::string& text, std::string& error);
