// The six serial settings in use, one process-wide instance.
#pragma once

#include <cstdint>

struct PortSettings {
    std::int32_t nComID = 0;
    std::int32_t nBaudRate = 0;
    std::int32_t nDataBits = 0;
    std::int32_t nStopBits = 0;
    std::int32_t nParity = 0;  // 0 none, 1 odd, anything else even
    std::int32_t bSendSignalWait = 0;
};

// The usual CNC line: COM1, 9600 baud, 7 data bits, even parity, 2 stop bits, no wait
// for the machine's start signal.
PortSettings DefaultPortSettings();

// Written by the window thread only while no test runs; read by the worker.
extern PortSettings g_portSettings;
