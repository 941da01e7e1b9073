#include "transfer_worker.h"

#include <cstdint>
#include <memory>

#include "cp949_upper.h"
#include "paced_sender.h"
#include "platform_services.h"
#include "port_settings.h"
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

class TransferRun {
  public:
    explicit TransferRun(HWND notify) : notify_(notify) {}

    // Runs from the open file to the point where the test must finish, and says why.
    TransferEnd Run(TestFile& file) {
        char buffer[kReadSize];
        while (state_.bSending == 1) {
            DWORD got = 0;
            if (!ReadWithRetries(file, buffer, got)) {
                return state_.bSending == 1 ? TransferEnd::FileNotOpened : TransferEnd::Stopped;
            }
            if (got == 0) {
                return EndOfFile();
            }
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
            return lineLength_ > kMaxLineBytes ? ReportLongLine() : TransferEnd::None;
        }
        batch_.append(line_, lineLength_);
        UpperCaseCp949(batch_.data(), batch_.size());
        if (batch_.size() > kHandOverAbove) {
            HandOver();
        }
        lineLength_ = 0;
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
                return ReportLongLine();
            }
            batch_.append(line_, lineLength_);
        }
        if (!batch_.empty()) {
            HandOver();
        }
        return TransferEnd::EndOfFile;
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

    TransferEnd ReportLongLine() {
        Platform().ShowMessageBox(notify_, "DATA 블록의 문자수가 너무 많습니다. ", "Trans message",
                                  MB_OK);
        return TransferEnd::LongLine;
    }

    TransferState& state_ = g_transferState;
    HWND notify_;
    // Room for 250 bytes, a CR LF added at the end of the file, and a terminating NUL.
    char line_[256] = {};
    std::size_t lineLength_ = 0;
    std::string batch_;
};

}  // namespace

void TransferWorker(const WorkerParam* param) {
    const WorkerParam copy = *param;
    // The paced levels rest 1 ms between blocks; held for the whole test, port close included.
    const FineTimerResolution fineTimer;
    TransferEnd end = TransferEnd::PortNotOpened;
    if (OpenTestPort(g_portSettings.nComID) != 0) {
        SendBlock(-1, {});
        std::unique_ptr<TestFile> file = OpenTestFile(copy.strFilePath);
        end = file ? TransferRun(copy.hWndNotify).Run(*file) : TransferEnd::FileNotOpened;
        CloseTestPort(std::move(file));
    }
    g_transferState.nEndReason = static_cast<std::int32_t>(end);
    Platform().PostToWindow(copy.hWndNotify, WM_TRANSFER_DONE, 0, 0);
}
