// The Win32 comm layer on a real port: COM1 of the Wine prefix, mapped to the simulated
// machine's pty. The machine records the data bytes it receives (STRANDEX_SIM_RECORD) and
// sends ENQ after every 20 of them. The cases share the one port and run in the order
// written. The NUL case runs alone, against a machine that answers each byte with a NUL.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "comm_api.h"
#include "control_chars.h"

namespace {

using namespace std::chrono_literals;

// Bounds for what must happen, never measurements: far above what a loaded machine needs.
constexpr auto kArrivalBound = 10s;
// How long bytes that must not arrive are given to arrive anyway.
constexpr auto kQuietSpell = 500ms;

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

// Waits until the record holds at least size bytes; false when it does not within the bound.
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

class CommAgainstSimulatorTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        record_ = Environment("STRANDEX_SIM_RECORD");
        port_ = SystemComm().OpenPort("COM1");
    }
    static void TearDownTestSuite() {
        if (port_ != INVALID_HANDLE_VALUE) {
            SystemComm().ClosePort(port_);
        }
    }
    void SetUp() override {
        ASSERT_FALSE(record_.empty()) << "STRANDEX_SIM_RECORD names no file";
        ASSERT_NE(port_, INVALID_HANDLE_VALUE) << "COM1 did not open: " << GetLastError();
    }

    // Hands over what the port takes at once (the 1-ms write time-out); returns how much.
    static DWORD WriteSome(const std::string& bytes) {
        DWORD written = 0;
        EXPECT_TRUE(
            Comm().WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &written));
        return written;
    }

    // Hands over all of it, as the sender does with a block the port took only in part.
    static void WriteAll(std::string bytes) {
        const auto until = std::chrono::steady_clock::now() + kArrivalBound;
        while (!bytes.empty() && std::chrono::steady_clock::now() < until) {
            bytes.erase(0, WriteSome(bytes));
        }
        EXPECT_EQ(bytes, "") << "the port never took these bytes";
    }

    // Nothing is counted as waiting, and a read returns empty: with the 1-ms total time-out
    // it returns; without it the call would wait for ever.
    static void ExpectNothingWaiting(const char* otherwise) {
        DWORD errors = 0;
        COMSTAT status{};
        ASSERT_TRUE(Comm().ClearCommError(port_, &errors, &status));
        EXPECT_EQ(status.cbInQue, 0u) << otherwise;
        char buffer[16];
        DWORD read = 99;
        ASSERT_TRUE(Comm().ReadFile(port_, buffer, sizeof buffer, &read))
            << "error " << GetLastError();
        EXPECT_EQ(read, 0u) << otherwise;
    }

    static inline HANDLE port_ = INVALID_HANDLE_VALUE;
    static inline std::string record_;
};

TEST_F(CommAgainstSimulatorTest, TakesTheLineSettingsAndTimeOutsOfATest) {
    EXPECT_TRUE(Comm().SetupComm(port_, 300, 100));
    EXPECT_TRUE(Comm().PurgeComm(port_, PURGE_TXCLEAR));
    EXPECT_TRUE(Comm().PurgeComm(port_, PURGE_RXCLEAR));
    COMMTIMEOUTS timeouts{0, 0, 1, 0, 1};
    EXPECT_TRUE(Comm().SetCommTimeouts(port_, &timeouts));

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(Comm().GetCommState(port_, &dcb));
    ASSERT_TRUE(Comm().BuildCommDCB("com1:9600, e, 7, 2", &dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.Parity, EVENPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fNull = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    ASSERT_TRUE(Comm().SetCommState(port_, &dcb));

    // A pty keeps the rate but always reports 8 data bits and no parity, whatever was set.
    DCB applied{};
    applied.DCBlength = sizeof applied;
    ASSERT_TRUE(Comm().GetCommState(port_, &applied));
    EXPECT_EQ(applied.BaudRate, 9600u);
    EXPECT_EQ(applied.fOutX, 0u) << "the machine's DC1/DC3 must reach the program as data";
    EXPECT_EQ(applied.fInX, 0u);
}

TEST_F(CommAgainstSimulatorTest, AReadWithNothingWaitingReturnsEmptyInsteadOfWaiting) {
    ExpectNothingWaiting("a byte came from nowhere");
}

TEST_F(CommAgainstSimulatorTest, SetXoffHoldsTheDataAndSetXonReleasesIt) {
    const std::string block = "N10 G01 X1.\r\n";
    ASSERT_TRUE(Comm().EscapeCommFunction(port_, SETXOFF));
    // A driver with a queue of its own may take the block now (a pty takes nothing while
    // held); either way none of it may reach the machine until the release.
    const DWORD taken = WriteSome(block);
    std::this_thread::sleep_for(kQuietSpell);
    EXPECT_EQ(SizeOf(record_), 0u) << "bytes reached the machine while the line was held";

    ASSERT_TRUE(Comm().EscapeCommFunction(port_, SETXON));
    WriteAll(block.substr(taken));
    EXPECT_TRUE(RecordReaches(record_, block.size())) << "the held bytes never arrived";
    EXPECT_EQ(ReadWhole(record_), block);
}

TEST_F(CommAgainstSimulatorTest, TheMachinesEnquiryIsCountedInTheQueueAndRead) {
    WriteAll("N20 X2.\r\n");  // 22 data bytes in all: the machine asks after the 20th
    ASSERT_TRUE(RecordReaches(record_, 22));

    DWORD errors = 0;
    COMSTAT status{};
    const auto until = std::chrono::steady_clock::now() + kArrivalBound;
    do {
        ASSERT_TRUE(Comm().ClearCommError(port_, &errors, &status));
    } while (status.cbInQue == 0 && std::chrono::steady_clock::now() < until);
    ASSERT_EQ(status.cbInQue, 1u) << "the ENQ was never counted as waiting";

    char buffer[16];
    DWORD read = 0;
    ASSERT_TRUE(Comm().ReadFile(port_, buffer, sizeof buffer, &read));
    ASSERT_EQ(read, 1u);
    EXPECT_EQ(buffer[0], kEnq);
    ASSERT_TRUE(Comm().ClearCommError(port_, &errors, &status));
    EXPECT_EQ(status.cbInQue, 0u);
}

TEST_F(CommAgainstSimulatorTest, AnAckGivenWhileHeldGoesOutOnRelease) {
    ASSERT_TRUE(Comm().EscapeCommFunction(port_, SETXOFF));
    // Wine's driver refuses the byte on a held pty; the layer keeps it instead.
    EXPECT_TRUE(Comm().TransmitCommChar(port_, kAck));
    ASSERT_TRUE(Comm().EscapeCommFunction(port_, SETXON));
    WriteAll("N30\r\n");
    ASSERT_TRUE(RecordReaches(record_, 27));
    EXPECT_EQ(ReadWhole(record_), "N10 G01 X1.\r\nN20 X2.\r\nN30\r\n");

    // The machine counts the ACK in its report; the test's command checks it there.
}

// Waits until the port counts at least one byte from the machine; false when none comes.
bool MachineByteWaits(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status{};
    const auto until = std::chrono::steady_clock::now() + kArrivalBound;
    do {
        if (!Comm().ClearCommError(port, &errors, &status)) {
            return false;
        }
    } while (status.cbInQue == 0 && std::chrono::steady_clock::now() < until);
    return status.cbInQue != 0;
}

TEST_F(CommAgainstSimulatorTest, AReadThatWaitsTakesTheByteThatArrivesMeanwhile) {
    // The read waits up to ten seconds for its byte, the machine's ENQ after its 40th data
    // byte, which is on its way while the read starts.
    COMMTIMEOUTS patient{0, 0, 10'000, 0, 1};
    ASSERT_TRUE(Comm().SetCommTimeouts(port_, &patient));
    WriteAll("N40 X4.\r\nN5\r\n");
    char buffer[4] = {};
    DWORD read = 0;
    const BOOL ok = Comm().ReadFile(port_, buffer, 1, &read);
    COMMTIMEOUTS engine{0, 0, 1, 0, 1};
    ASSERT_TRUE(Comm().SetCommTimeouts(port_, &engine));
    ASSERT_TRUE(ok);
    ASSERT_EQ(read, 1u) << "the read ended without the machine's byte";
    EXPECT_EQ(buffer[0], kEnq);
}

TEST_F(CommAgainstSimulatorTest, APurgeForgetsWhatCameBeforeItAndKeepsWhatComesAfter) {
    WriteAll("N50 G01 Y5. F1000.\r\n");  // the 60th data byte: an ENQ
    ASSERT_TRUE(MachineByteWaits(port_)) << "the machine's ENQ never came";
    ASSERT_TRUE(Comm().PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR));
    ExpectNothingWaiting("a byte from before the purge was read");

    WriteAll("N60 G01 Y6. F1000.\r\n");  // the 80th: the next ENQ must still be read
    char buffer[16];
    DWORD read = 0;
    const auto until = std::chrono::steady_clock::now() + kArrivalBound;
    do {
        ASSERT_TRUE(Comm().ReadFile(port_, buffer, sizeof buffer, &read));
    } while (read == 0 && std::chrono::steady_clock::now() < until);
    ASSERT_EQ(read, 1u) << "nothing was read after the purge";
    EXPECT_EQ(buffer[0], kEnq);
}

TEST_F(CommAgainstSimulatorTest, AfterAWaitThatRanOutTheNextBytesAreCountedAndReadOnce) {
    // Nothing of the wait may linger: neither a byte taken and not counted, nor one read
    // twice.
    ExpectNothingWaiting("a byte came from nowhere");
    WriteAll("N70 G01 X7. Y7. F500.\r\nN80 G01 X8. Y8.\r\n");  // the 100th and 120th: ENQs

    DWORD errors = 0;
    COMSTAT status{};
    const auto until = std::chrono::steady_clock::now() + kArrivalBound;
    do {
        ASSERT_TRUE(Comm().ClearCommError(port_, &errors, &status));
    } while (status.cbInQue < 2 && std::chrono::steady_clock::now() < until);
    EXPECT_EQ(status.cbInQue, 2u) << "the byte the pending read took was not counted";

    char buffer[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(Comm().ReadFile(port_, buffer, sizeof buffer, &read));
    ASSERT_EQ(read, 2u);
    EXPECT_EQ(std::string(buffer, read), std::string(2, kEnq));
    ExpectNothingWaiting("a byte was read twice");
}

TEST_F(CommAgainstSimulatorTest, NulsFromTheMachineNeverReachTheReader) {
    const std::string block = "N40 G00 Z5.\r\n";
    WriteAll(block);
    ASSERT_TRUE(RecordReaches(record_, block.size()));

    // Wine's driver queues the NULs and counts them, a driver that drops them counts none:
    // either way the read must hand over none.
    DWORD errors = 0;
    COMSTAT status{};
    const auto until = std::chrono::steady_clock::now() + kQuietSpell;
    do {
        ASSERT_TRUE(Comm().ClearCommError(port_, &errors, &status));
    } while (status.cbInQue < block.size() && std::chrono::steady_clock::now() < until);
    std::printf("the driver counts %lu bytes waiting\n",
                static_cast<unsigned long>(status.cbInQue));

    char buffer[64];
    DWORD read = 99;
    ASSERT_TRUE(Comm().ReadFile(port_, buffer, sizeof buffer, &read));
    EXPECT_EQ(read, 0u) << "NULs reached the reader";
}

}  // namespace
