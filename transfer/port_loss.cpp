#include "port_loss.h"

#include "port_layer.h"
#include "transfer_state.h"

std::int32_t NotePortResult(std::int32_t result) {
    TransferState& state = g_transferState;
    if (result == 0 && PortDeviceLost(state.hPort) != 0) {
        state.bPortLost = 1;
    }
    return result;
}

bool TestMayGoOn() {
    const TransferState& state = g_transferState;
    return state.bSending != 0 && state.bPortLost == 0;
}
