#include "poll_machine_input.h"

#include <algorithm>
#include <cstdio>

#include "control_chars.h"
#include "platform_services.h"
#include "port_layer.h"
#include "port_loss.h"
#include "run_record.h"
#include "transfer_state.h"

namespace {

constexpr DWORD kMaxRead = 200;

void LogFlowEvent(TransferState& state, const char* format) {
    const TimeOfDay now = Platform().LocalTimeOfDay();
    char entry[96];
    std::snprintf(entry, sizeof entry, format, static_cast<int>(state.nTransferUnit), now.hour,
                  now.minute, now.second);
    state.AppendEventLog(entry);
}

void HandleControlChar(TransferState& state, char c) {
    RecordMachineChar(c);
    switch (c) {
        case kEnq:
            PortTransmitCommChar(state.hPort, kAck);
            break;
        case kAck:
            state.bAckState = 1;
            break;
        case kNak:
            state.bAckState = 0;
            break;
        case kXon:
            state.bXonState = 1;
            state.nXonCount += 1;
            PortEscapeCommFunction(state.hPort, SETXON);
            if (state.nTransferUnit > 10) {
                LogFlowEvent(state, "전송단위 %d \r\n%d:%d:%d  Xon 수신 \r\n");
            }
            break;
        case kXoff:
            state.bXonState = 0;
            PortEscapeCommFunction(state.hPort, SETXOFF);
            if (state.nTransferUnit > 10) {
                LogFlowEvent(state, "전송단위 %d \r\n%d:%d:%d  Xoff 수신 \r\n");
            }
            break;
        default:
            break;
    }
}

std::int32_t Poll(bool waitWhenIdle) {
    TransferState& state = g_transferState;

    DWORD errors = 0;
    // A failed status query leaves the counts at 0, which only shortens the read.
    COMSTAT status{};
    NotePortResult(PortClearCommError(state.hPort, &errors, &status));
    if (errors != 0) {
        PortClearCommError(state.hPort, &errors, &status);
    }

    DWORD request = std::min(status.cbInQue, kMaxRead);
    // Asking for one byte when none is waiting makes the read wait for it, bounded by the
    // port's 1-ms total time-out, and end the moment it arrives: a DC1 is acted on as soon
    // as it is on the line, and the wait costs no processor time.
    const bool gatesClosed = state.bXonState == 0 || state.bAckState == 0;
    if (request == 0 && TestMayGoOn() && (gatesClosed || waitWhenIdle)) {
        request = 1;
    }
    char received[kMaxRead + 1] = {};
    DWORD read = 0;
    NotePortResult(PortReadFile(state.hPort, received, request, &read));
    if (read > kMaxRead) {
        read = 0;
    }
    received[read] = '\0';

    if (request > 0 && read > 0) {
        // Every byte read is examined: a port that fails to drop NULs must not hide a
        // DC3 that follows one, or the machine's buffer overflows.
        for (DWORD i = 0; i < read; ++i) {
            if (received[i] != '\0') {
                HandleControlChar(state, received[i]);
            }
        }
    } else {
        PortClearCommError(state.hPort, &errors, &status);
    }

    if (state.bXonState != 0 && state.bAckState != 0 && TestMayGoOn()) {
        return 1;
    }
    if (state.bSending == 0) {
        Platform().Sleep(10);
    }
    return 0;
}

}  // namespace

std::int32_t PollMachineInput() {
    return Poll(false);
}

std::int32_t PollMachineInputOrWait() {
    return Poll(true);
}
