#include "transfer_state.h"

TransferState g_transferState;

void TransferState::AppendEventLog(std::string_view text) {
    std::lock_guard lock(eventLogMutex_);
    strEventLog.Append(text);
    if (eventLogObserver_) {
        eventLogObserver_(text);
    }
}

std::string TransferState::CopyEventLog() const {
    std::lock_guard lock(eventLogMutex_);
    return strEventLog.Text();
}

void TransferState::ClearEventLog() {
    std::lock_guard lock(eventLogMutex_);
    strEventLog.Clear();
}

EventLogUpdate TransferState::ReadEventLog(EventLogReader& reader) const {
    std::lock_guard lock(eventLogMutex_);
    return strEventLog.Read(reader);
}

void TransferState::SetEventLogObserver(EventLogObserver observer) {
    std::lock_guard lock(eventLogMutex_);
    eventLogObserver_ = std::move(observer);
}
