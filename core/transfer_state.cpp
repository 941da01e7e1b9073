#include "transfer_state.h"

TransferState g_transferState;

void TransferState::AppendEventLog(std::string_view text) {
    std::lock_guard lock(eventLogMutex_);
    strEventLog.append(text);
}

std::string TransferState::CopyEventLog() const {
    std::lock_guard lock(eventLogMutex_);
    return strEventLog;
}

void TransferState::ClearEventLog() {
    std::lock_guard lock(eventLogMutex_);
    strEventLog.clear();
}
