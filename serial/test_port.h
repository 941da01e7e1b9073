// Opening and closing the serial port for one test.
#pragma once

#include <cstdint>
#include <memory>

#include "test_file.h"

// Opens the port numbered comId and configures it for a test: driver queues of 300 and
// 100 bytes, both emptied, 1-ms time-outs, the line settings of g_portSettings, the
// port's own XON/XOFF off, DTR and RTS raised, transmission released or (with
// bSendSignalWait) held until the machine's first XON. Returns 1 when open; 0 after
// telling the operator that the port cannot be opened.
std::int32_t OpenTestPort(std::int32_t comId);

// Closes the file under test (when given), waits 1000 ms so the machine can take what is
// still on its way, then closes the port.
void CloseTestPort(std::unique_ptr<TestFile> file);
