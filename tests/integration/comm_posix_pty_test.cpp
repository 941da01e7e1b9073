// The termios forwarding layer against a real pty: the test holds the master (the machine's
// end of the cable) and the layer opens the slave as a COM port.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "comm_api.h"
#include "comm_device_path_posix.h"
#include "pty_master_posix.h"
#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kPortNumber = 47;
constexpr std::string_view kPortName = "\\\\.\\COM47";
// Hang guard for calls that must not wait: far above any real duration.
constexpr auto kPrompt = 500ms;

constexpr COMMTIMEOUTS kToolTimeouts{0, 0, 1, 0, 1};
constexpr COMMTIMEOUTS kNoTimeouts{0, 0, 0, 0, 0};

COMMTIMEOUTS Within(DWORD ms) {
    return {0, 0, ms, 0, ms};
}

CommApi& Comm() {
    return SystemComm();
}

std::string EveryByte() {
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(i);
    }
    return bytes;
}

class CommPtyTest : public ::testing::Test {
  protected:
    void SetUp() override { SetComDeviceOverride(kPortNumber, pty_.SlavePath()); }

    void TearDown() override {
        if (port_ != INVALID_HANDLE_VALUE) {
            Comm().ClosePort(port_);
        }
        SetComDeviceOverride(kPortNumber, "");
    }

    void Open(COMMTIMEOUTS timeouts = kToolTimeouts) {
        port_ = Comm().OpenPort(kPortName);
        ASSERT_NE(port_, INVALID_HANDLE_VALUE);
        SetTimeouts(timeouts);
    }

    void SetTimeouts(COMMTIMEOUTS timeouts) {
        ASSERT_TRUE(Comm().SetCommTimeouts(port_, &timeouts));
    }

    void Close() {
        EXPECT_TRUE(Comm().ClosePort(port_));
        port_ = INVALID_HANDLE_VALUE;
    }

    // The settings the tool applies when it opens a port, with fNull chosen by the caller.
    void ApplyToolSettings(bool dropNul) {
        DCB dcb{};
        ASSERT_TRUE(Comm().GetCommState(port_, &dcb));
        dcb.BaudRate = 9600;
        dcb.ByteSize = 7;
        dcb.Parity = EVENPARITY;
        dcb.StopBits = TWOSTOPBITS;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = 0;
        dcb.fTXContinueOnXoff = 1;
        dcb.fOutX = 0;
        dcb.fInX = 0;
        dcb.fNull = dropNul ? 1 : 0;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.XonLim = 50;
        dcb.XoffLim = 240;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        ASSERT_TRUE(Comm().SetCommState(port_, &dcb));
    }

    std::string ReadFile(DWORD count, BOOL* result = nullptr) {
        std::string buffer(count, '\0');
        DWORD read = 12345;
        const BOOL ok = Comm().ReadFile(port_, buffer.data(), count, &read);
        if (result != nullptr) {
            *result = ok;
        }
        buffer.resize(std::min<DWORD>(read, count));
        return buffer;
    }

    DWORD WriteFile(std::string_view bytes, BOOL* result = nullptr) {
        DWORD written = 12345;
        const BOOL ok =
            Comm().WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &written);
        if (result != nullptr) {
            *result = ok;
        }
        return written;
    }

    COMSTAT Status() {
        DWORD errors = 99;
        COMSTAT status{};
        EXPECT_TRUE(Comm().ClearCommError(port_, &errors, &status));
        EXPECT_EQ(errors, 0u);
        return status;
    }

    // Bytes written on the master reach the slave's input queue a moment later.
    void AwaitInput(DWORD count) {
        const auto end = Clock::now() + 2s;
        while (Status().cbInQue < count && Clock::now() < end) {
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_EQ(Status().cbInQue, count);
    }

    PtyMaster pty_;
    HANDLE port_ = INVALID_HANDLE_VALUE;
};

TEST_F(CommPtyTest, EveryByteValuePassesUnchangedBothWays) {
    // A previous user left the line cooked, with every translation and flow control on.
    termios cooked = pty_.SlaveTermios();
    cooked.c_iflag |= IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK;
    cooked.c_oflag |= OPOST | ONLCR | OCRNL;
    cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_cc[VMIN] = 4;
    pty_.SetSlaveTermios(cooked);

    ASSERT_NO_FATAL_FAILURE(Open(Within(2000)));
    EXPECT_EQ(pty_.SlaveTermios().c_iflag & (IXON | IXOFF | IXANY), 0u);
    const std::string every = EveryByte();
    struct Case {
        const char* name;
        bool applyToolSettings;
    };
    for (const Case& c : {Case{"as opened", false}, Case{"with the tool's settings", true}}) {
        SCOPED_TRACE(c.name);
        if (c.applyToolSettings) {
            ASSERT_NO_FATAL_FAILURE(ApplyToolSettings(false));
        }
        pty_.Write(every);
        EXPECT_EQ(ReadFile(256), every);

        EXPECT_EQ(WriteFile(every), 256u);
        EXPECT_EQ(pty_.Read(257, 200ms), every);
    }
}

TEST_F(CommPtyTest, SetXoffHoldsWritesAndKeptCharactersUntilSetXon) {
    ASSERT_NO_FATAL_FAILURE(Open());

    ASSERT_TRUE(Comm().EscapeCommFunction(port_, SETXOFF));
    BOOL ok = FALSE;
    EXPECT_EQ(WriteFile("G01", &ok), 0u);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(Comm().TransmitCommChar(port_, '\x06'));
    EXPECT_EQ(pty_.Read(1, 100ms), "");

    ASSERT_TRUE(Comm().EscapeCommFunction(port_, SETXON));
    EXPECT_EQ(pty_.Read(1), "\x06");
    EXPECT_EQ(WriteFile("G01"), 3u);
    EXPECT_EQ(pty_.Read(4, 200ms), "G01");

    // Released, a character goes out at once.
    EXPECT_TRUE(Comm().TransmitCommChar(port_, '\x06'));
    EXPECT_EQ(pty_.Read(1), "\x06");
}

TEST_F(CommPtyTest, CharacterTheFullLineCannotTakeGoesAheadOfTheNextWrite) {
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string filler(1024, 'x');
    // The pty frees room as it moves bytes along inside; full means full a few times running.
    std::size_t queued = 0;
    for (int i = 0, refusals = 0; i < 1000 && refusals < 3; ++i) {
        const DWORD written = WriteFile(filler);
        queued += written;
        refusals = written == 0 ? refusals + 1 : 0;
        if (written == 0) {
            std::this_thread::sleep_for(5ms);
        }
    }
    ASSERT_GT(queued, 0u);

    EXPECT_TRUE(Comm().TransmitCommChar(port_, '\x06'));
    EXPECT_EQ(pty_.Read(queued), std::string(queued, 'x'));
    EXPECT_EQ(WriteFile("Z"), 1u);
    EXPECT_EQ(pty_.Read(3, 200ms), "\x06Z");
}

TEST_F(CommPtyTest, NulBytesAreDroppedOnlyWhenTheDcbAsksForIt) {
    ASSERT_NO_FATAL_FAILURE(Open(Within(1000)));
    const std::string input("\0A\0B\0\0C\0", 8);
    struct Case {
        bool dropNul;
        DWORD request;
        std::string expected;
    };
    for (const Case& c : {Case{true, 3, "ABC"}, Case{false, 8, input}}) {
        SCOPED_TRACE(c.dropNul ? "fNull 1" : "fNull 0");
        ASSERT_NO_FATAL_FAILURE(ApplyToolSettings(c.dropNul));
        pty_.Write(input);
        EXPECT_EQ(ReadFile(c.request), c.expected);

        SetTimeouts(kToolTimeouts);
        EXPECT_EQ(ReadFile(8), "") << "a NUL left over must not count as read";
        SetTimeouts(Within(1000));
    }
}

TEST_F(CommPtyTest, ReadEndsAsItsTimeOutsSay) {
    ASSERT_NO_FATAL_FAILURE(Open());
    struct Case {
        const char* name;
        COMMTIMEOUTS timeouts;
        std::string waiting;
        DWORD request;
        std::string expected;
    };
    const Case cases[] = {
        {"1 ms, nothing waiting", kToolTimeouts, "", 10, ""},
        {"1 ms, fewer waiting than asked", kToolTimeouts, "abcd", 10, "abcd"},
        {"1 ms, as many as asked", kToolTimeouts, "0123456789", 10, "0123456789"},
        {"at once, nothing waiting", {MAXDWORD, 0, 0, 0, 0}, "", 10, ""},
        {"at once, some waiting", {MAXDWORD, 0, 0, 0, 0}, "abcd", 10, "abcd"},
        {"first byte ends it", {MAXDWORD, MAXDWORD, 400, 0, 0}, "ab", 10, "ab"},
        {"interval after the last byte", {20, 0, 0, 0, 0}, "abcd", 10, "abcd"},
        {"long total, all there", Within(400), "0123456789", 10, "0123456789"},
        {"request of 0 without time-outs", kNoTimeouts, "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(SetTimeouts(c.timeouts));
        pty_.Write(c.waiting);
        ASSERT_NO_FATAL_FAILURE(AwaitInput(static_cast<DWORD>(c.waiting.size())));

        BOOL ok = FALSE;
        const auto start = Clock::now();
        EXPECT_EQ(ReadFile(c.request, &ok), c.expected);
        EXPECT_LT(Clock::now() - start, kPrompt);
        EXPECT_TRUE(ok);
    }
}

TEST_F(CommPtyTest, WithoutTimeOutsReadWaitsForTheWholeCount) {
    ASSERT_NO_FATAL_FAILURE(Open(kNoTimeouts));
    pty_.Write("abc");
    std::thread machine([this] {
        std::this_thread::sleep_for(50ms);
        pty_.Write("de");
    });
    EXPECT_EQ(ReadFile(5), "abcde");
    machine.join();
}

TEST_F(CommPtyTest, ClearCommErrorCountsWaitingBytesAndPurgeEmptiesThem) {
    ASSERT_NO_FATAL_FAILURE(Open());
    pty_.Write("1234567");
    ASSERT_NO_FATAL_FAILURE(AwaitInput(7));
    EXPECT_EQ(Status().cbOutQue, 0u);

    EXPECT_EQ(ReadFile(3), "123");
    EXPECT_EQ(Status().cbInQue, 4u);

    EXPECT_TRUE(Comm().PurgeComm(port_, PURGE_RXCLEAR | PURGE_RXABORT));
    EXPECT_EQ(Status().cbInQue, 0u);
    EXPECT_EQ(ReadFile(4), "");
}

TEST_F(CommPtyTest, VanishedDeviceFailsPromptlyWithoutSpinning) {
    ASSERT_NO_FATAL_FAILURE(Open());
    pty_.Close();

    DWORD moved = 0;
    char buffer[16] = {};
    COMSTAT status{};
    DCB dcb{};
    // Each call reports in `moved` what it moved or counted; 0 for the others.
    struct Call {
        const char* name;
        std::function<BOOL()> run;
    };
    const Call calls[] = {
        {"ReadFile", [&] { return Comm().ReadFile(port_, buffer, 10, &moved); }},
        {"WriteFile", [&] { return Comm().WriteFile(port_, "G01", 3, &moved); }},
        {"TransmitCommChar",
         [&] {
             moved = 0;
             return Comm().TransmitCommChar(port_, '\x06');
         }},
        {"ClearCommError",
         [&] {
             status.cbInQue = status.cbOutQue = 99;
             const BOOL ok = Comm().ClearCommError(port_, nullptr, &status);
             moved = status.cbInQue + status.cbOutQue;
             return ok;
         }},
        {"PurgeComm",
         [&] {
             moved = 0;
             return Comm().PurgeComm(port_, PURGE_TXCLEAR | PURGE_RXCLEAR);
         }},
        {"GetCommState",
         [&] {
             moved = 0;
             return Comm().GetCommState(port_, &dcb);
         }},
        {"EscapeCommFunction",
         [&] {
             moved = 0;
             return Comm().EscapeCommFunction(port_, SETXOFF);
         }},
    };
    for (const COMMTIMEOUTS& timeouts : {kToolTimeouts, kNoTimeouts}) {
        ASSERT_NO_FATAL_FAILURE(SetTimeouts(timeouts));
        for (const Call& call : calls) {
            SCOPED_TRACE(call.name);
            moved = 77;
            const auto start = Clock::now();
            EXPECT_FALSE(call.run());
            EXPECT_LT(Clock::now() - start, kPrompt);
            EXPECT_EQ(moved, 0u);
        }
    }

    // A caller that retries in a loop is slowed to its time-out, not left spinning.
    ASSERT_NO_FATAL_FAILURE(SetTimeouts(Within(60)));
    for (const Call& call : {calls[0], calls[1], calls[2]}) {
        SCOPED_TRACE(call.name);
        const auto start = Clock::now();
        EXPECT_FALSE(call.run());
        EXPECT_GE(Clock::now() - start, 60ms);
    }
    Close();
}

TEST_F(CommPtyTest, OpenIsExclusiveUntilClose) {
    const HANDLE first = Comm().OpenPort(kPortName);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Comm().OpenPort(kPortName), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Comm().OpenPort("com47"), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Comm().ClosePort(first));

    ASSERT_NO_FATAL_FAILURE(Open());
}

TEST_F(CommPtyTest, OpenRefusesWhatIsNotAPort) {
    const TempDir dir;
    const auto file = dir.Write("program.nc", "G01 X10\r\n");
    struct Case {
        const char* name;
        std::string deviceName;
        std::string path;  // the override for that port, if any
    };
    const Case cases[] = {
        {"regular file", "COM48", file.string()},
        {"/dev/null", "COM49", "/dev/null"},
        {"missing path", "COM50", (dir.path() / "ttyUSB9").string()},
        {"directory", "COM51", dir.path().string()},
        {"port 0", "COM0", ""},
        {"negative port", "COM-1", ""},
        {"other device", "LPT1", ""},
        {"no number", "COM", ""},
        {"not a number", "COMx", ""},
        {"empty", "", ""},
        {"a path", "/dev/ttyS0", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.path.empty()) {
            SetComDeviceOverride(std::stoi(c.deviceName.substr(3)), c.path);
        }
        const HANDLE port = Comm().OpenPort(c.deviceName);
        EXPECT_EQ(port, INVALID_HANDLE_VALUE);
        if (port != INVALID_HANDLE_VALUE) {
            Comm().ClosePort(port);
        }
        if (!c.path.empty()) {
            SetComDeviceOverride(std::stoi(c.deviceName.substr(3)), "");
        }
    }
    EXPECT_FALSE(Comm().ClosePort(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(Comm().ClosePort(nullptr));
}

TEST_F(CommPtyTest, CloseDeliversWrittenBytesAndNeverWaitsOnAHeldLine) {
    std::string program;
    for (int line = 1; program.size() < 3000; ++line) {
        program += "N" + std::to_string(line) + " G01 X10.5 Y-3.25 F200\r\n";
    }
    ASSERT_NO_FATAL_FAILURE(Open(Within(2000)));
    EXPECT_EQ(WriteFile(program), program.size());
    Close();
    EXPECT_EQ(pty_.Read(program.size() + 1, 200ms), program);

    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_TRUE(Comm().EscapeCommFunction(port_, SETXOFF));
    WriteFile("G01");
    const auto start = Clock::now();
    Close();
    EXPECT_LT(Clock::now() - start, kPrompt);

    // The next user of the port finds the transmitter running.
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(WriteFile("ok"), 2u);
    EXPECT_EQ(pty_.Read(2), "ok");
}

struct LineCase {
    DWORD baud;
    BYTE size;
    BYTE parity;
    BYTE stop;
    bool outX;
    bool inX;
};

speed_t SpeedOf(DWORD baud) {
    switch (baud) {
        case 50:
            return B50;
        case 300:
            return B300;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

BYTE ByteSizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

TEST_F(CommPtyTest, LineSettingsReachTermiosAndReadBack) {
    ASSERT_NO_FATAL_FAILURE(Open());
    const LineCase cases[] = {
        {9600, 7, EVENPARITY, TWOSTOPBITS, false, false},
        {19200, 8, NOPARITY, ONESTOPBIT, true, true},
        {115200, 8, ODDPARITY, ONESTOPBIT, false, true},
        {300, 7, MARKPARITY, TWOSTOPBITS, true, false},
        {4800, 6, SPACEPARITY, ONESTOPBIT, false, false},
        {50, 5, NOPARITY, ONE5STOPBITS, false, false},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.baud << " baud, " << int{c.size} << " bits, parity "
                                          << int{c.parity} << ", stop " << int{c.stop});
        DCB dcb{};
        ASSERT_TRUE(Comm().GetCommState(port_, &dcb));
        dcb.BaudRate = c.baud;
        dcb.ByteSize = c.size;
        dcb.Parity = c.parity;
        dcb.StopBits = c.stop;
        dcb.fOutX = c.outX;
        dcb.fInX = c.inX;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        ASSERT_TRUE(Comm().SetCommState(port_, &dcb));

        const termios t = pty_.SlaveTermios();
        EXPECT_EQ(cfgetospeed(&t), SpeedOf(c.baud));
        EXPECT_EQ(cfgetispeed(&t), SpeedOf(c.baud));
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.stop != ONESTOPBIT);
        EXPECT_EQ((t.c_cflag & PARODD) != 0, c.parity == ODDPARITY || c.parity == MARKPARITY);
        EXPECT_EQ((t.c_cflag & CMSPAR) != 0, c.parity == MARKPARITY || c.parity == SPACEPARITY);
        // A pty has no wire: it keeps every setting above but forces 8 bits and no parity.
        const bool asAsked = ByteSizeOf(t.c_cflag) == c.size &&
                             ((t.c_cflag & PARENB) != 0) == (c.parity != NOPARITY);
        const bool ptyForced = (t.c_cflag & CSIZE) == CS8 && (t.c_cflag & PARENB) == 0;
        EXPECT_TRUE(asAsked || ptyForced);
        EXPECT_EQ((t.c_iflag & IXON) != 0, c.outX);
        EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.inX);
        EXPECT_EQ(t.c_iflag & IXANY, 0u);
        EXPECT_EQ(t.c_cc[VSTART], 0x11);
        EXPECT_EQ(t.c_cc[VSTOP], 0x13);

        DCB back{};
        ASSERT_TRUE(Comm().GetCommState(port_, &back));
        EXPECT_EQ(back.DCBlength, sizeof(DCB));
        EXPECT_EQ(back.BaudRate, c.baud);
        EXPECT_EQ(back.StopBits, c.stop);
        EXPECT_EQ(back.ByteSize, ByteSizeOf(t.c_cflag));
        if (asAsked) {
            EXPECT_EQ(back.Parity, c.parity);
        } else {
            EXPECT_EQ(back.Parity, NOPARITY);
        }
        EXPECT_EQ(back.fOutX, c.outX);
        EXPECT_EQ(back.fInX, c.inX);
        EXPECT_EQ(back.XonChar, 0x11);
        EXPECT_EQ(back.XoffChar, 0x13);
    }
}

TEST_F(CommPtyTest, UnusableLineSettingsFailAndChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ApplyToolSettings(true));
    struct Case {
        const char* name;
        std::function<void(DCB&)> spoil;
    };
    const Case cases[] = {
        {"14400 baud", [](DCB& d) { d.BaudRate = 14400; }},
        {"12345 baud", [](DCB& d) { d.BaudRate = 12345; }},
        {"0 baud", [](DCB& d) { d.BaudRate = 0; }},
        // A usable rate beside an unusable field must not be applied either.
        {"4 bits", [](DCB& d) { d.BaudRate = 19200, d.ByteSize = 4; }},
        {"9 bits", [](DCB& d) { d.BaudRate = 19200, d.ByteSize = 9; }},
        {"parity 5", [](DCB& d) { d.BaudRate = 19200, d.Parity = 5; }},
        {"stop bits 3", [](DCB& d) { d.BaudRate = 19200, d.StopBits = 3; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const termios before = pty_.SlaveTermios();
        DCB dcb{};
        ASSERT_TRUE(Comm().GetCommState(port_, &dcb));
        const DCB stateBefore = dcb;
        c.spoil(dcb);

        EXPECT_FALSE(Comm().SetCommState(port_, &dcb));
        const termios after = pty_.SlaveTermios();
        EXPECT_EQ(std::memcmp(&before, &after, sizeof(termios)), 0);
        DCB stateAfter{};
        ASSERT_TRUE(Comm().GetCommState(port_, &stateAfter));
        EXPECT_EQ(std::memcmp(&stateBefore, &stateAfter, sizeof(DCB)), 0);
    }
}

}  // namespace
