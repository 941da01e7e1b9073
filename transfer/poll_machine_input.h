#pragma once

#include <cstdint>

// Reads what the machine has sent and acts on its control characters: ENQ is answered
// with ACK, ACK/NAK open and close the handshake gate, DC1/DC3 open and close the flow
// gate and release or hold the port's transmitter; every DC1 is counted and, above
// transfer-unit level 10, every DC1 and DC3 is logged with the level and the time.
// Returns 1 when the machine allows sending and a test runs, else 0 (after a 10-ms pause
// when no test runs).
std::int32_t PollMachineInput();
