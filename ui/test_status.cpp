#include "test_status.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "file_failure.h"
#include "file_lookup.h"
#include "test_file.h"
#include "transfer_state.h"

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[160];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

SendCheck CheckFileForSend(const std::string& path) {
    const auto size = LookUpFileSize(path);
    // The worker's own open decides: a file without read permission, a folder, a FIFO or a
    // device is refused here, before the port is opened, instead of being called too small
    // or failing silently once the port has been held for a second.
    if (!size || OpenTestFile(path) == nullptr) {
        return SendCheck::FileMissing;
    }
    TransferState& state = g_transferState;
    state.nFileSize = static_cast<std::int32_t>(
        std::min<std::int64_t>(*size, std::numeric_limits<std::int32_t>::max()));
    state.nSentBytes = 0;
    state.nPercent = 0;
    return *size < kMinimumFileSize ? SendCheck::FileTooSmall : SendCheck::Ready;
}

std::string FileMissingMessage(const std::string& path) {
    std::string message = kFileMissingText;
    if (const std::string why = ProgramFileFailureLine(path); !why.empty()) {
        message += "\n" + why;
    }
    return message;
}

void BeginTest() {
    TransferState& state = g_transferState;
    state.bSending = 1;
    state.nTransferUnit = 5;
    state.nXonCount = 0;
    state.nEndReason = 0;
    state.bPortOpened = 0;
    state.ClearEventLog();
}

std::string ProgressLine() {
    const TransferState& state = g_transferState;
    return Format("전송 (%d/%d) %d 퍼센트", static_cast<int>(state.nSentBytes),
                  static_cast<int>(state.nFileSize), static_cast<int>(state.nPercent));
}

std::string TransferUnitLine() {
    return Format("전송 단위 %d", static_cast<int>(g_transferState.nTransferUnit));
}

std::string CountLine() {
    return Format("Xoff %d 회", static_cast<int>(g_transferState.nXonCount));
}

std::string EndLogLine(const TimeOfDay& now) {
    return Format("\r\n 테스트완료, 전송중단 %d:%d:%d\r\n", now.hour, now.minute, now.second);
}

const char* EndStatusText(TransferEnd end) {
    switch (end) {
        case TransferEnd::Stopped:
            return kStoppedStatusText;
        case TransferEnd::PortNotOpened:
        case TransferEnd::PortLost:
            return kPortFaultStatusText;
        case TransferEnd::FileNotOpened:
            return kFileFaultStatusText;
        case TransferEnd::LongLine:
            return kLongLineStatusText;
        case TransferEnd::LevelPassed:
        case TransferEnd::EndOfFile:
        case TransferEnd::None:
            break;
    }
    return kEndedStatusText;
}

TransferEnd LastTransferEnd() {
    return static_cast<TransferEnd>(static_cast<std::int32_t>(g_transferState.nEndReason));
}
