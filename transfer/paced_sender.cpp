#include "paced_sender.h"

#include <algorithm>
#include <cstring>

#include "platform_services.h"
#include "poll_machine_input.h"
#include "port_layer.h"
#include "port_loss.h"
#include "port_settings.h"
#include "run_record.h"
#include "transfer_state.h"

namespace {

// The port's output queue is opened with 100 bytes; free room is reckoned from the same
// number.
constexpr std::int32_t kOutQueueSize = 100;
// A block joins the queue only while the queue stays within this many bytes.
constexpr std::size_t kQueueJoinLimit = 300;
constexpr std::size_t kChunkBufferSize = 300;

PacedSenderState g_sender;

void Reset(PacedSenderState& sender) {
    sender.strSendQueue.clear();
    sender.strPending.clear();
    // Any nonzero setting waits for the start signal, as the port layer and the settings
    // dialog read it; a stored 99 or -1 must not leave the first chunk unguarded.
    sender.bFirstSend = g_portSettings.bSendSignalWait != 0 ? 1 : 0;
    sender.nStepBytes = 0;
    sender.nPaceCredit = 0;
}

void Accept(PacedSenderState& sender, const std::string& block) {
    // A block that arrives behind pending bytes goes behind them too, so bytes leave in the
    // order they were handed in.
    if (!sender.strPending.empty()) {
        sender.strPending += block;
    } else if (sender.strSendQueue.size() + block.size() <= kQueueJoinLimit) {
        sender.strSendQueue += block;
    } else {
        sender.strPending = block;
    }
}

std::int32_t NextLevel(std::int32_t level) {
    if (level <= 8) {
        return level + 2;
    }
    if (level == 9) {
        return 10;
    }
    if (level <= 19) {
        return level + 1;
    }
    if (level <= 29) {
        return level + 2;
    }
    return level + 5;
}

// At most one step per call; the bytes beyond the threshold are not carried over.
void StepLevel(PacedSenderState& sender, std::size_t blockLength) {
    sender.nStepBytes += static_cast<std::int32_t>(blockLength);
    const std::int32_t level = g_transferState.nTransferUnit;
    const std::int32_t threshold = level < 10 ? 500 : 2000;
    if (sender.nStepBytes > threshold) {
        g_transferState.nTransferUnit = NextLevel(level);
        RecordLevelStep(g_transferState.nTransferUnit);
        sender.nStepBytes = 0;
    }
}

std::int32_t OutQueueFree(const COMSTAT& status) {
    return kOutQueueSize - static_cast<std::int32_t>(std::min<DWORD>(status.cbOutQue, 0x7fffffff));
}

// Below level 10 every chunk is one byte and every few bytes cost a 1-ms pause; the credit
// decides which passes pause.
std::int32_t ChunkSize(PacedSenderState& sender) {
    const std::int32_t level = g_transferState.nTransferUnit;
    if (level >= 10) {
        return level - 9;
    }
    if (sender.nPaceCredit >= 10) {
        Platform().Sleep(1);
        sender.nPaceCredit -= 10;
    } else {
        sender.nPaceCredit += 10 - level;
    }
    return 1;
}

// The machine's gates come first, as the poller answers them; then room in the port's output
// queue, waited for on the line too (the machine's next byte or the port's read time-out,
// whichever comes first) instead of being given up with an empty chunk: on a device whose
// count follows the wire, an output queue without room is the rule rather than the
// exception. False once the test is stopped.
bool WaitForMachineAndRoom(DWORD& errors, COMSTAT& status, std::int32_t& nOutQueueFree) {
    TransferState& state = g_transferState;
    for (;;) {
        while (PollMachineInput() == 0) {
            if (!TestMayGoOn()) {
                return false;
            }
        }
        // A transmit queue reported full on its own gives the designed empty chunk.
        if (nOutQueueFree > 0 || errors == CE_TXFULL) {
            return true;
        }
        if (PollMachineInputOrWait() == 0 && !TestMayGoOn()) {
            return false;
        }
        status = COMSTAT{};
        PortClearCommError(state.hPort, &errors, &status);
        nOutQueueFree = OutQueueFree(status);
    }
}

}  // namespace

const PacedSenderState& CurrentPacedSenderState() {
    return g_sender;
}

std::int32_t SendBlock(std::int32_t mode, std::string block) {
    PacedSenderState& sender = g_sender;
    TransferState& state = g_transferState;
    if (mode < 0) {
        Reset(sender);
        block.clear();
    }
    Accept(sender, block);
    StepLevel(sender, block.size());

    DWORD errors = 0;
    COMSTAT status{};
    PortClearCommError(state.hPort, &errors, &status);
    std::int32_t nOutQueueFree = OutQueueFree(status);
    bool bKeepDraining = true;
    std::size_t nQueuedLen = 0;
    char chunk[kChunkBufferSize + 1];

    while (bKeepDraining || nQueuedLen > kQueueJoinLimit) {
        status = COMSTAT{};
        PortClearCommError(state.hPort, &errors, &status);
        nOutQueueFree = OutQueueFree(status);

        if (sender.strSendQueue.empty()) {
            if (sender.strPending.empty()) {
                return 1;
            }
            sender.strSendQueue.swap(sender.strPending);
            sender.strPending.clear();
        }
        nQueuedLen = sender.strSendQueue.size();

        if (!WaitForMachineAndRoom(errors, status, nOutQueueFree)) {
            return 0;
        }

        std::int32_t size = std::min(ChunkSize(sender), nOutQueueFree);
        // A full transmit queue reported on its own means no room this pass; with other
        // error bits beside it the word says nothing reliable about room.
        if (size < 0 || errors == CE_TXFULL) {
            size = 0;
        }
        const std::size_t nChunkLen = std::min<std::size_t>(size, nQueuedLen);
        std::memcpy(chunk, sender.strSendQueue.data(), nChunkLen);
        chunk[nChunkLen] = '\0';
        if (nChunkLen == 0) {
            bKeepDraining = false;
        }

        PortClearCommError(state.hPort, &errors, &status);
        DWORD written = 0;
        NotePortResult(PortWriteFile(state.hPort, chunk, static_cast<DWORD>(nChunkLen), &written));

        if (written > 0) {
            // A driver that claims more than it was given moved the chunk, no more.
            const std::size_t moved = std::min<std::size_t>(written, nChunkLen);
            sender.strSendQueue.erase(0, moved);
            nQueuedLen = sender.strSendQueue.size();
            state.nWrittenBytes += static_cast<std::int32_t>(moved);
            RecordBytesWritten(static_cast<std::int64_t>(moved));
        } else if (sender.strPending.empty()) {
            bKeepDraining = false;
        }

        if (sender.bFirstSend == 1 && written == 0) {
            bKeepDraining = true;
        } else {
            sender.bFirstSend = 0;
        }

        if (sender.strPending.empty() && nQueuedLen == 0) {
            bKeepDraining = false;
        }
    }
    return 1;
}

std::int32_t FlushSender() {
    const PacedSenderState& sender = g_sender;
    while (!sender.strSendQueue.empty() || !sender.strPending.empty()) {
        const std::int32_t writtenBefore = g_transferState.nWrittenBytes;
        if (SendBlock(0, {}) == 0 || !TestMayGoOn()) {
            return 0;
        }
        // A drain that moved nothing (a transmit queue reported full, a port that takes no
        // bytes now) is tried again after a wait on the line, not at once.
        if (g_transferState.nWrittenBytes == writtenBefore) {
            PollMachineInputOrWait();
        }
    }
    // Then until the line has carried it: the port is closed after a wait in which nobody
    // reads, so a machine's XOFF must find nothing left that could still go out.
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        PortClearCommError(g_transferState.hPort, &errors, &status);
        if (status.cbOutQue == 0) {
            return 1;
        }
        if (!TestMayGoOn()) {
            return 0;
        }
        PollMachineInputOrWait();
    }
}
