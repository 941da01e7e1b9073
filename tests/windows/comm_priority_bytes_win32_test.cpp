// Priority bytes (the ACK that answers the machine's ENQ) through the Win32 comm layer on a
// real port: COM1 of the Wine prefix, mapped to the simulated machine's pty. The machine asks
// no ENQ here, so every ACK it gets is recorded as data, in the order it came off the wire
// (STRANDEX_SIM_RECORD). A driver refuses TransmitCommChar while an earlier priority byte is
// unsent; Wine's never does that on its own, so the refusals come from the test, which
// answers TransmitCommChar for the program. The cases share the one port and run in the
// order written.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "comm_api.h"
#include "control_chars.h"
#include "import_patch_win32.h"

namespace {

using namespace std::chrono_literals;

// Bounds for what must happen, never measurements: far above what a loaded machine needs.
constexpr auto kArrivalBound = 10s;

const std::string kAckText(1, kAck);

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uintmax_t SizeOf(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

bool RecordReaches(const std::string& record, std::uintmax_t size) {
    const auto until = std::chrono::steady_clock::now() + kArrivalBound;
    while (SizeOf(record) < size) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// The driver as the test plays it: the next `refusals` calls fail with `error`, the rest
// reach Wine's driver.
struct ScriptedDriver {
    int refusals = 0;
    DWORD error = ERROR_INVALID_PARAMETER;
    int calls = 0;
};
ScriptedDriver g_driver;
ImportPatch* g_patch = nullptr;

BOOL WINAPI ScriptedTransmitCommChar(HANDLE device, char c) {
    ++g_driver.calls;
    if (g_driver.refusals > 0) {
        --g_driver.refusals;
        SetLastError(g_driver.error);
        return FALSE;
    }
    using Call = BOOL(WINAPI*)(HANDLE, char);
    return reinterpret_cast<Call>(g_patch->Original())(device, c);
}

class CommPriorityBytesTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        record_ = Environment("STRANDEX_SIM_RECORD");
        g_patch = new ImportPatch("kernel32.dll", "TransmitCommChar",
                                  reinterpret_cast<void*>(&ScriptedTransmitCommChar));
        port_ = SystemComm().OpenPort("COM1");
        if (port_ == INVALID_HANDLE_VALUE) {
            return;
        }
        COMMTIMEOUTS timeouts{0, 0, 1, 0, 1};
        Comm().SetCommTimeouts(port_, &timeouts);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        Comm().GetCommState(port_, &dcb);
        Comm().BuildCommDCB("com1:115200, n, 8, 1", &dcb);
        dcb.fOutX = 0;
        dcb.fInX = 0;
        Comm().SetCommState(port_, &dcb);
    }
    static void TearDownTestSuite() {
        if (port_ != INVALID_HANDLE_VALUE) {
            SystemComm().ClosePort(port_);
        }
        delete std::exchange(g_patch, nullptr);
    }
    void SetUp() override {
        ASSERT_FALSE(record_.empty()) << "STRANDEX_SIM_RECORD names no file";
        ASSERT_TRUE(g_patch->Installed()) << "the program does not import TransmitCommChar";
        ASSERT_NE(port_, INVALID_HANDLE_VALUE) << "COM1 did not open: " << GetLastError();
        g_driver = {};
        before_ = ReadWhole(record_);
    }

    static DWORD WriteSome(const std::string& bytes) {
        DWORD written = 0;
        EXPECT_TRUE(
            Comm().WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &written));
        return written;
    }

    static void WriteAll(std::string bytes) {
        const auto until = std::chrono::steady_clock::now() + kArrivalBound;
        while (!bytes.empty() && std::chrono::steady_clock::now() < until) {
            bytes.erase(0, WriteSome(bytes));
        }
        EXPECT_EQ(bytes, "") << "the port never took these bytes";
    }

    // What reached the machine since the case began, once it holds count bytes.
    std::string Arrived(std::size_t count) const {
        EXPECT_TRUE(RecordReaches(record_, before_.size() + count))
            << "the machine got " << SizeOf(record_) - before_.size() << " of " << count
            << " bytes";
        return ReadWhole(record_).substr(before_.size());
    }

    static inline HANDLE port_ = INVALID_HANDLE_VALUE;
    static inline std::string record_;
    std::string before_;
};

TEST_F(CommPriorityBytesTest, AnAckTheDriverRefusesGoesOutAheadOfTheNextData) {
    g_driver.refusals = 2;
    EXPECT_TRUE(Comm().TransmitCommChar(port_, kAck)) << "the ACK was given up";
    EXPECT_EQ(WriteSome("N10\r\n"), 0u) << "data went to the driver ahead of the kept ACK";
    WriteAll("N10\r\n");
    EXPECT_EQ(Arrived(6), kAckText + "N10\r\n");
}

TEST_F(CommPriorityBytesTest, KeptAcksGoOutInTurnWithNoDataToFollow) {
    g_driver.refusals = 3;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Comm().TransmitCommChar(port_, kAck));
    }
    // The poller's status query on its next pass is all that follows.
    DWORD errors = 0;
    COMSTAT status{};
    EXPECT_TRUE(Comm().ClearCommError(port_, &errors, &status));
    EXPECT_EQ(Arrived(3), kAckText + kAckText + kAckText);
    EXPECT_EQ(g_driver.calls, 6) << "each kept byte is offered once more, in order";
}

TEST_F(CommPriorityBytesTest, AnAckKeptWhileHeldStaysAheadOfDataAfterTheRelease) {
    ASSERT_TRUE(Comm().EscapeCommFunction(port_, SETXOFF));
    // Wine's own driver refuses the byte on a held pty; that refusal is no lost device.
    EXPECT_TRUE(Comm().TransmitCommChar(port_, kAck));
    EXPECT_FALSE(Comm().DeviceLost(port_));
    // Right after the release the driver may still refuse it.
    g_driver.refusals = 1;
    ASSERT_TRUE(Comm().EscapeCommFunction(port_, SETXON));
    WriteAll("N20\r\n");
    EXPECT_EQ(Arrived(6), kAckText + "N20\r\n");
}

// Last: the port counts as lost from here on.
TEST_F(CommPriorityBytesTest, AnAckRefusedByADeviceThatIsGoneFails) {
    g_driver.refusals = 1;
    g_driver.error = ERROR_DEVICE_NOT_CONNECTED;
    EXPECT_FALSE(Comm().TransmitCommChar(port_, kAck));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_TRUE(Comm().DeviceLost(port_));
}

}  // namespace
