#pragma once

#include <cstdint>

// Reads what the machine has sent and acts on its control characters: ENQ is answered
// with ACK, ACK/NAK open and close the handshake gate, DC1/DC3 open and close the flow
// gate and release or hold the port's transmitter; every DC1 is counted and, above
// transfer-unit level 10, every DC1 and DC3 is logged with the level and the time.
// Returns 1 when the machine allows sending and a test runs, else 0 (after a 10-ms pause
// when no test runs). While a gate is closed and nothing has arrived, the call waits on the
// line for the machine's next byte, at most the port's read time-out, and takes the byte
// the moment it arrives: the sender's wait for XON or ACK holds no core.
std::int32_t PollMachineInput();

// The same, waiting on the line also while both gates are open: the sender's wait for room
// in the port's output queue, woken by the machine's next byte.
std::int32_t PollMachineInputOrWait();
