// The read time-outs the comm layers give the Win32 device: the engine's own while the line
// is busy, a longer wait for the machine's next byte once the line has been quiet (nothing
// written or read) for a while. The test answers SetCommTimeouts for the program and notes
// the total time-out of each call on the device; COM1 of the Wine prefix is the simulated
// machine's pty. The cases share the one port and run in the order written.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "comm_api.h"
#include "import_patch_win32.h"

namespace {

using namespace std::chrono_literals;

// Longer than the quiet spell after which the layer lets a read wait longer.
constexpr auto kQuietSpell = 400ms;

std::vector<DWORD> g_totals;  // ReadTotalTimeoutConstant of each call on the device
ImportPatch* g_patch = nullptr;

BOOL WINAPI NotedSetCommTimeouts(HANDLE device, COMMTIMEOUTS* timeouts) {
    g_totals.push_back(timeouts->ReadTotalTimeoutConstant);
    using Call = BOOL(WINAPI*)(HANDLE, COMMTIMEOUTS*);
    return reinterpret_cast<Call>(g_patch->Original())(device, timeouts);
}

class CommQuietWaitsTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        g_patch = new ImportPatch("kernel32.dll", "SetCommTimeouts",
                                  reinterpret_cast<void*>(&NotedSetCommTimeouts));
        port_ = SystemComm().OpenPort("COM1");
    }
    static void TearDownTestSuite() {
        if (port_ != INVALID_HANDLE_VALUE) {
            SystemComm().ClosePort(port_);
        }
        delete std::exchange(g_patch, nullptr);
    }
    void SetUp() override {
        ASSERT_TRUE(g_patch->Installed()) << "the program does not import SetCommTimeouts";
        ASSERT_NE(port_, INVALID_HANDLE_VALUE) << "COM1 did not open: " << GetLastError();
        g_totals.clear();
    }

    // The poller's wait: one byte, of which the machine sends none here.
    static void WaitForAByte() {
        char byte = 0;
        DWORD read = 99;
        ASSERT_TRUE(Comm().ReadFile(port_, &byte, 1, &read)) << "error " << GetLastError();
        EXPECT_EQ(read, 0u);
    }

    static void Write(const std::string& bytes) {
        DWORD written = 0;
        ASSERT_TRUE(
            Comm().WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &written));
        ASSERT_GT(written, 0u);
    }

    static inline HANDLE port_ = INVALID_HANDLE_VALUE;
};

TEST_F(CommQuietWaitsTest, ABusyLineWaitsAsTheEngineAsked) {
    COMMTIMEOUTS engine{0, 0, 1, 0, 1};
    ASSERT_TRUE(Comm().SetCommTimeouts(port_, &engine));
    Write("N10\r\n");
    WaitForAByte();
    WaitForAByte();
    EXPECT_EQ(g_totals, std::vector<DWORD>{1}) << "the device's time-out changed on a busy line";
}

TEST_F(CommQuietWaitsTest, AQuietLineLetsOnlyTheWaitForOneByteWaitLonger) {
    std::this_thread::sleep_for(kQuietSpell);
    WaitForAByte();
    WaitForAByte();  // no second call: the device has it already
    char buffer[16];
    DWORD read = 99;
    ASSERT_TRUE(Comm().ReadFile(port_, buffer, sizeof buffer, &read));
    WaitForAByte();
    EXPECT_EQ(g_totals, (std::vector<DWORD>{16, 1, 16}));
}

TEST_F(CommQuietWaitsTest, AWriteEndsTheQuietAndTheEnginesTimeOutComesBack) {
    std::this_thread::sleep_for(kQuietSpell);
    WaitForAByte();
    Write("N20\r\n");
    WaitForAByte();
    ASSERT_FALSE(g_totals.empty());
    EXPECT_EQ(g_totals.back(), 1u);
}

TEST_F(CommQuietWaitsTest, TheEnginesNewTimeOutsAreTheDevicesUntilTheNextQuietWait) {
    std::this_thread::sleep_for(kQuietSpell);
    WaitForAByte();
    COMMTIMEOUTS engine{0, 0, 2, 0, 1};
    ASSERT_TRUE(Comm().SetCommTimeouts(port_, &engine));
    WaitForAByte();
    // A time-out as long as the longer wait or longer is left as it is.
    COMMTIMEOUTS patient{0, 0, 50, 0, 1};
    ASSERT_TRUE(Comm().SetCommTimeouts(port_, &patient));
    WaitForAByte();
    EXPECT_EQ(g_totals, (std::vector<DWORD>{16, 2, 16, 50}));
}

}  // namespace
