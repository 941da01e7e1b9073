#include "transfer_worker.h"

#include <cstdint>
#include <cstdio>
#include <memory>

#include "cp949_upper.h"
#include "paced_sender.h"
#include "platform_services.h"
#include "port_settings.h"
#include "prompt_wakes.h"
#include "run_record.h"
#include "test_file.h"
#include "test_port.h"
#include "timer_resolution.h"
#include "transfer_state.h"

namespace {

constexpr DWORD kReadSize = 500;
constexpr std::size_t kMaxLineBytes = 250;  // before the line feed, a CR counted among them
constexpr std::size_t kHandOverAbove = 200;
constexpr std::int32_t kEndAboveLevel = 60;
// A read that fails this many times in a row is taken as the end of what can be read.
constexpr int kMaxReadRetries = 100;
// The file could be looked up when the test began but is gone or closed to the worker now.
constexpr const char* kFileNotOpenedText = "파일을 열수 없습니다!!.";
// The file failed or ended short while it was read.
constexpr const char* kFileFaultText = "파일을 끝까지 읽을 수 없습니다.!!!";

class TransferRun {
  public:
    // Runs from the open file to the point where the test must finish, and says why.
    TransferEnd Run(TestFile& file) {
        char buffer[kReadSize];
        while (state_.bSending == 1) {
            DWORD got = 0;
            if (!ReadWithRetries(file, buffer, got)) {
                return state_.bSending == 1 ? TransferEnd::FileNotOpened : TransferEnd::Stopped;
            }
            if (got == 0) {
                // A file that ends short of the size it had when the test began was cut
                // while it was read: what the machine got is not the program.
                return bytesRead_ < state_.nFileSize ? TransferEnd::FileNotOpened : EndOfFile();
            }
            bytesRead_ += got;
            for (DWORD i = 0; i < got; ++i) {
                // NULs would end the sender's chunk copy early; the machine gets blanks.
                const char byte = buffer[i] == '\0' ? ' ' : buffer[i];
                if (const TransferEnd end = TakeByte(byte); end != TransferEnd::None) {
                    return end;
                }
            }
        }
        return TransferEnd::Stopped;
    }

  private:
    bool ReadWithRetries(TestFile& file, char* buffer, DWORD& got) {
        for (int attempt = 0; attempt <= kMaxReadRetries; ++attempt) {
            if (file.Read(buffer, kReadSize, &got)) {
                return true;
            }
            if (state_.bSending != 1) {
                return false;
            }
        }
        return false;
    }

    // None while the test goes on.
    TransferEnd TakeByte(char byte) {
        line_[lineLength_++] = byte;
        line_[lineLength_] = '\0';
        if (byte != '\n') {
            return lineLength_ > kMaxLineBytes ? TransferEnd::LongLine : TransferEnd::None;
        }
        batch_.append(line_, lineLength_);
        UpperCaseCp949(batch_.data(), batch_.size());
        if (batch_.size() > kHandOverAbove) {
            HandOver();
        }
        lineLength_ = 0;
        if (state_.bPortLost != 0) {
            return TransferEnd::PortLost;
        }
        return state_.nTransferUnit > kEndAboveLevel ? TransferEnd::LevelPassed : TransferEnd::None;
    }

    // The last line, when the file does not end with a line feed, gets CR LF and goes out
    // in the case the file holds it.
    TransferEnd EndOfFile() {
        if (lineLength_ > 0) {
            line_[lineLength_++] = '\r';
            line_[lineLength_++] = '\n';
            line_[lineLength_] = '\0';
            if (lineLength_ > kMaxLineBytes) {
                return TransferEnd::LongLine;
            }
            batch_.append(line_, lineLength_);
        }
        if (!batch_.empty()) {
            HandOver();
        }
        return state_.bPortLost != 0 ? TransferEnd::PortLost : TransferEnd::EndOfFile;
    }

    void HandOver() {
        state_.nSentBytes += static_cast<std::int32_t>(batch_.size());
        const std::int64_t size = state_.nFileSize;
        // 64-bit so that files over 21 MB still show a right percentage.
        state_.nPercent =
            size > 0 ? static_cast<std::int32_t>(std::int64_t{state_.nSentBytes} * 100 / size) : 0;
        SendBlock(g_portSettings.nComID, batch_);
        batch_.clear();
    }

    TransferState& state_ = g_transferState;
    std::int64_t bytesRead_ = 0;
    // Room for 250 bytes, a CR LF added at the end of the file, and a terminating NUL.
    char line_[256] = {};
    std::size_t lineLength_ = 0;
    std::string batch_;
};

// What was handed over reaches the machine before the port closes, unless the operator
// stopped the test or the port is gone; a stop during that wait makes the end a stop.
TransferEnd WriteOutHandedOver(TransferEnd end) {
    if (end == TransferEnd::Stopped || end == TransferEnd::PortLost) {
        return end;
    }
    if (FlushSender() != 0) {
        return end;
    }
    return g_transferState.bPortLost != 0 ? TransferEnd::PortLost : TransferEnd::Stopped;
}

// The one message of an end that needs the operator's attention. A port that did not open
// has had its message from the port layer already.
void TellOperator(TransferEnd end, bool fileOpened, HWND notify) {
    switch (end) {
        case TransferEnd::LongLine:
            Platform().ShowMessageBox(notify, "DATA 블록의 문자수가 너무 많습니다. ",
                                      "Trans message", MB_OK);
            break;
        case TransferEnd::FileNotOpened:
            Platform().ShowMessageBox(notify, fileOpened ? kFileFaultText : kFileNotOpenedText,
                                      "DNC message", MB_OK);
            break;
        case TransferEnd::PortLost: {
            char text[64];
            std::snprintf(text, sizeof text, "Com%d 연결이 끊어졌습니다.!!!",
                          static_cast<int>(g_portSettings.nComID));
            // Owned by no window, as the box of a port that does not open.
            Platform().ShowMessageBox(nullptr, text, "DNC Message", MB_OK);
            break;
        }
        default:
            break;
    }
}

}  // namespace

void TransferWorker(const WorkerParam* param) {
    const WorkerParam copy = *param;
    // The paced levels rest 1 ms between blocks; held for the whole test, port close included.
    const FineTimerResolution fineTimer;
    // The XON that ends a hold is answered as soon as it is read, even on a busy machine.
    const PromptWakes promptWakes;
    TransferState& state = g_transferState;
    state.bPortLost = 0;
    state.nWrittenBytes = 0;
    state.bPortOpened = 0;
    RecordRunStart(state.nTransferUnit);
    TransferEnd end = TransferEnd::PortNotOpened;
    if (OpenTestPort(g_portSettings.nComID) != 0) {
        state.bPortOpened = 1;
        SendBlock(-1, {});
        std::unique_ptr<TestFile> file = OpenTestFile(copy.strFilePath);
        end = file ? WriteOutHandedOver(TransferRun().Run(*file)) : TransferEnd::FileNotOpened;
        TellOperator(end, file != nullptr, copy.hWndNotify);
        CloseTestPort(std::move(file));
    }
    RecordRunEnd(static_cast<std::int32_t>(end));
    state.nEndReason = static_cast<std::int32_t>(end);
    Platform().PostToWindow(copy.hWndNotify, WM_TRANSFER_DONE, 0, 0);
}
