// The paced sender: the only code that writes the file's bytes to the port. It queues
// each block it is handed, raises the transfer-unit level as bytes come in, and drains the
// queue chunk by chunk, asking the flow-control poller before every chunk.
#pragma once

#include <cstdint>
#include <string>

// mode < 0 resets the sender for a new test and discards block; mode >= 0 accepts block.
// Returns 1 when the drain ended by its own rules, 0 when the test was stopped while the
// sender waited for the machine.
std::int32_t SendBlock(std::int32_t mode, std::string block);

// Writes out what was handed over and still waits in the sender, obeying the machine as the
// drain does, and waits until the port's output queue is empty: the end of a test must not
// leave the machine a cut-off block. 1 once all of it is on the line; 0 when a stop or a
// lost port ended the wait first.
std::int32_t FlushSender();

// The sender's state between calls, for status views and tests.
struct PacedSenderState {
    std::string strSendQueue;  // accepted, not yet written; chunks come from its front
    std::string strPending;    // a block that did not fit; follows the queue
    std::int32_t nStepBytes = 0;
    std::int32_t nPaceCredit = 0;
    std::int32_t bFirstSend = 0;
};
const PacedSenderState& CurrentPacedSenderState();
