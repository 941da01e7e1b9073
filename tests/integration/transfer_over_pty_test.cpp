// Whole tests of the engine over a real pty: the worker opens the slave through the termios
// layer as a COM port, and this test plays the machine on the master side.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ascii_upper.h"
#include "comm_device_path_posix.h"
#include "platform_services.h"
#include "port_settings.h"
#include "pty_master_posix.h"
#include "temp_dir.h"
#include "transfer_state.h"
#include "transfer_worker.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kPortNumber = 48;
constexpr char kAck = 6, kEnq = 5, kXon = 17, kXoff = 19;
HWND const kWindow = reinterpret_cast<HWND>(0x99);

// The real clock and pauses; posted messages and message boxes are kept for the test.
class RecordingPlatform : public SystemPlatformServices {
  public:
    RecordingPlatform() : previous_(SetPlatform(this)) {}
    ~RecordingPlatform() override { SetPlatform(previous_); }

    int ShowMessageBox(HWND, std::string_view text, std::string_view caption, UINT) override {
        std::lock_guard lock(mutex_);
        boxes_.push_back(std::string(caption) + ": " + std::string(text));
        return IDOK;
    }
    BOOL PostToWindow(HWND window, UINT message, WPARAM, LPARAM) override {
        if (window == kWindow && message == WM_TRANSFER_DONE) {
            ++done_;
        }
        return TRUE;
    }

    int done() const { return done_; }
    std::vector<std::string> boxes() const {
        std::lock_guard lock(mutex_);
        return boxes_;
    }

  private:
    PlatformServices* previous_;
    std::atomic<int> done_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> boxes_;
};

std::string NcProgram(std::size_t atLeast) {
    std::string text;
    for (int n = 1; text.size() < atLeast; ++n) {
        text += "n" + std::to_string(n * 10) + " g01 x" + std::to_string(n % 250) + ".125 y-" +
                std::to_string(n % 90) + ".5 f" + std::to_string(100 + n % 400) + "\r\n";
    }
    return text;
}

class TransferOverPtyTest : public testing::Test {
  protected:
    void SetUp() override {
        SetComDeviceOverride(kPortNumber, pty_.SlavePath());
        g_portSettings = DefaultPortSettings();
        g_portSettings.nComID = kPortNumber;
        // The line's own pace is not what these tests are about.
        g_portSettings.nBaudRate = 921600;
        TransferState& state = g_transferState;
        state.nSentBytes = 0;
        state.nPercent = 0;
        state.nTransferUnit = 5;
        state.nXonCount = 0;
        state.ClearEventLog();
    }
    void TearDown() override {
        if (worker_.joinable()) {
            g_transferState.bSending = 0;
            worker_.join();
        }
        SetComDeviceOverride(kPortNumber, "");
    }

    void Start(const std::string& program) {
        const auto path = dir_.Write("program.nc", program);
        g_transferState.nFileSize = static_cast<std::int32_t>(program.size());
        g_transferState.bSending = 1;
        param_ = {path.string(), kWindow};
        worker_ = std::thread(TransferWorker, &param_);
    }

    // Plays the machine until the worker has ended: takes every byte, answers nothing
    // unless told to. Returns the data bytes received, ACKs counted apart.
    std::string ReceiveUntilDone(const std::function<void(const std::string&)>& onBytes = {}) {
        std::string received;
        const auto deadline = Clock::now() + 60s;
        while (platform_.done() == 0 && Clock::now() < deadline) {
            const std::string bytes = pty_.Read(4096, 5ms);
            for (char c : bytes) {
                if (c == kAck) {
                    ++acks_;
                } else {
                    received += c;
                }
            }
            if (onBytes) {
                onBytes(received);
            }
        }
        worker_.join();
        received += pty_.Read(4096, 20ms);
        return received;
    }

    PtyMaster pty_;
    TempDir dir_;
    RecordingPlatform platform_;
    WorkerParam param_;
    std::thread worker_;
    int acks_ = 0;
};

TEST_F(TransferOverPtyTest, TheMachineReceivesTheWholeProgramUpperCased) {
    const std::string program = NcProgram(20000);
    Start(program);
    const std::string received = ReceiveUntilDone();
    EXPECT_EQ(received, AsciiUpper(program));
    EXPECT_EQ(g_transferState.nSentBytes, static_cast<std::int32_t>(program.size()));
    EXPECT_EQ(g_transferState.nPercent, 100);
    EXPECT_EQ(platform_.done(), 1);
    EXPECT_THAT(platform_.boxes(), testing::ElementsAre());
}

TEST_F(TransferOverPtyTest, XoffHoldsTheStreamAndEnqIsAnsweredWhileItFlows) {
    const std::string program = NcProgram(60000);
    Start(program);
    enum { kFlowing, kXoffSent, kHeld, kSettled, kReleased } phase = kFlowing;
    std::size_t sizeWhenSettled = 0;
    Clock::time_point heldSince;
    const std::string received = ReceiveUntilDone([&](const std::string& got) {
        if (phase == kFlowing && got.size() >= 20000) {
            pty_.Write(std::string{kEnq, kXoff});
            phase = kXoffSent;
        } else if (phase == kXoffSent && g_transferState.bXonState == 0) {
            phase = kHeld;
            heldSince = Clock::now();
        } else if (phase == kHeld && Clock::now() - heldSince > 100ms) {
            // The worker has read the XOFF; what it wrote before has arrived by now.
            phase = kSettled;
            sizeWhenSettled = got.size();
        } else if (phase == kSettled && Clock::now() - heldSince > 400ms) {
            EXPECT_EQ(got.size(), sizeWhenSettled) << "nothing may go out while the machine holds";
            pty_.Write(std::string{kXon});
            phase = kReleased;
        }
    });
    ASSERT_EQ(phase, kReleased);
    EXPECT_EQ(acks_, 1);
    EXPECT_EQ(received, AsciiUpper(program.substr(0, received.size())));
    EXPECT_EQ(g_transferState.nTransferUnit, 65) << "the test ends by itself past level 60";
    EXPECT_EQ(received.size(), static_cast<std::size_t>(g_transferState.nSentBytes));
    EXPECT_EQ(g_transferState.nXonCount, 1);
    const std::string log = g_transferState.CopyEventLog();
    EXPECT_THAT(log, testing::HasSubstr("  Xoff 수신 \r\n"));
    EXPECT_THAT(log, testing::HasSubstr("  Xon 수신 \r\n"));
    EXPECT_EQ(platform_.done(), 1);
}

TEST_F(TransferOverPtyTest, AStopWhileTheMachineHoldsTheLineEndsTheTest) {
    Start(NcProgram(300000));
    ReceiveUntilDone([&](const std::string& got) {
        if (got.size() >= 3000 && g_transferState.bXonState == 1) {
            pty_.Write(std::string{kXoff});
        } else if (g_transferState.bXonState == 0 && g_transferState.bSending == 1) {
            g_transferState.bSending = 0;  // the operator's stop
        }
    });
    EXPECT_EQ(platform_.done(), 1);
}

TEST_F(TransferOverPtyTest, APortThatVanishesStillEndsOnTheOperatorsStop) {
    Start(NcProgram(300000));
    bool gone = false;
    Clock::time_point goneAt;
    ReceiveUntilDone([&](const std::string& got) {
        if (!gone && got.size() >= 3000) {
            pty_.Close();
            gone = true;
            goneAt = Clock::now();
        } else if (gone && Clock::now() - goneAt > 200ms) {
            g_transferState.bSending = 0;
        }
    });
    EXPECT_EQ(platform_.done(), 1);
}

}  // namespace
