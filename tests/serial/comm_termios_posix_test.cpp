// The DCB <-> termios mapping on plain values, including the framing a pty cannot carry.
#include "comm_termios_posix.h"

#include <termios.h>

#include <cstring>

#include <gtest/gtest.h>

namespace {

constexpr tcflag_t kMappedCflag = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
constexpr tcflag_t kMappedIflag = INPCK | IXON | IXOFF | IXANY;

// A line a previous user left cooked, with every mapped flag set that some case must clear.
termios UsedLine() {
    termios t{};
    t.c_iflag = BRKINT | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | INPCK | IXON | IXOFF | IXANY;
    t.c_oflag = OPOST | ONLCR;
    t.c_cflag = CS8 | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL;
    t.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 5;
    t.c_cc[VSTART] = 0x01;
    t.c_cc[VSTOP] = 0x02;
    cfsetspeed(&t, B38400);
    return t;
}

void ExpectRawLine(const termios& t) {
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (BRKINT | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | IXANY), 0u);
    EXPECT_NE(t.c_iflag & IGNBRK, 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

struct LineCase {
    DWORD rate;
    BYTE size;
    BYTE parity;
    BYTE stop;
    bool outX;
    bool inX;
    bool cts;
    bool checkParity;
    char xon;
    char xoff;
    speed_t speed;
    tcflag_t cflag;  // within kMappedCflag
    tcflag_t iflag;  // within kMappedIflag
};

DCB DcbOf(const LineCase& c) {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fNull = 1;
    dcb.XonLim = 50;
    dcb.XoffLim = 240;
    dcb.ErrorChar = '?';
    dcb.EofChar = 0x1A;
    dcb.BaudRate = c.rate;
    dcb.ByteSize = c.size;
    dcb.Parity = c.parity;
    dcb.StopBits = c.stop;
    dcb.fOutX = c.outX;
    dcb.fInX = c.inX;
    dcb.fOutxCtsFlow = c.cts;
    dcb.fParity = c.checkParity;
    dcb.XonChar = c.xon;
    dcb.XoffChar = c.xoff;
    return dcb;
}

// The mapped fields of dcb set to values that differ from what t says, so that a read-back
// which leaves any of them alone fails.
void Scramble(DCB& dcb) {
    dcb.BaudRate = 0;
    dcb.ByteSize = 0;
    dcb.Parity = 0xEE;
    // 1.5 stop bits survive only as long as the record says so.
    if (dcb.StopBits != ONE5STOPBITS) {
        dcb.StopBits = dcb.StopBits == ONESTOPBIT ? TWOSTOPBITS : ONESTOPBIT;
    }
    dcb.fOutX = !dcb.fOutX;
    dcb.fInX = !dcb.fInX;
    dcb.fOutxCtsFlow = !dcb.fOutxCtsFlow;
    dcb.XonChar = static_cast<char>(~dcb.XonChar);
    dcb.XoffChar = static_cast<char>(~dcb.XoffChar);
}

TEST(CommTermiosTest, LineSettingsMapToTermiosAndReadBack) {
    const LineCase cases[] = {
        // rate, size, parity, stop, XON out, XON in, CTS, INPCK, XON, XOFF -> termios
        {9600, 7, EVENPARITY, TWOSTOPBITS, false, false, false, false, 0x11, 0x13, B9600,
         CS7 | PARENB | CSTOPB, 0},
        {19200, 8, NOPARITY, ONESTOPBIT, true, true, false, false, 0x11, 0x13, B19200, CS8,
         IXON | IXOFF},
        {115200, 8, ODDPARITY, ONESTOPBIT, false, true, false, true, 0x11, 0x13, B115200,
         CS8 | PARENB | PARODD, INPCK | IXOFF},
        {300, 7, MARKPARITY, TWOSTOPBITS, true, false, false, true, 0x11, 0x13, B300,
         CS7 | PARENB | PARODD | CMSPAR | CSTOPB, INPCK | IXON},
        {4800, 6, SPACEPARITY, ONESTOPBIT, false, false, true, false, 0x11, 0x13, B4800,
         CS6 | PARENB | CMSPAR | CRTSCTS, 0},
        {50, 5, NOPARITY, ONE5STOPBITS, false, false, false, false, 0x11, 0x13, B50, CS5 | CSTOPB,
         0},
        // termios has one setting for 1.5 and 2 stop bits, whatever the size.
        {38400, 8, EVENPARITY, ONE5STOPBITS, false, false, true, true, 0x11, 0x13, B38400,
         CS8 | PARENB | CSTOPB | CRTSCTS, INPCK},
        {1200, 5, SPACEPARITY, TWOSTOPBITS, true, true, true, true, 0x11, 0x13, B1200,
         CS5 | PARENB | CMSPAR | CSTOPB | CRTSCTS, INPCK | IXON | IXOFF},
        {2400, 6, ODDPARITY, ONE5STOPBITS, true, false, false, false, 'Q', 'S', B2400,
         CS6 | PARENB | PARODD | CSTOPB, IXON},
        {4000000, 8, MARKPARITY, ONESTOPBIT, false, false, false, false, '\x91', '\x93', B4000000,
         CS8 | PARENB | PARODD | CMSPAR, 0},
    };
    for (const LineCase& c : cases) {
        const DCB dcb = DcbOf(c);
        for (const termios& start : {UsedLine(), termios{}}) {
            SCOPED_TRACE(::testing::Message()
                         << c.rate << " baud, " << int{c.size} << " bits, parity " << int{c.parity}
                         << ", stop " << int{c.stop} << ", from "
                         << (start.c_lflag != 0 ? "a cooked line" : "zero"));
            termios t = start;
            ASSERT_TRUE(ApplyDcbToTermios(dcb, t));
            EXPECT_EQ(cfgetospeed(&t), c.speed);
            EXPECT_EQ(cfgetispeed(&t), c.speed);
            EXPECT_EQ(t.c_cflag & kMappedCflag, c.cflag);
            EXPECT_EQ(t.c_iflag & kMappedIflag, c.iflag);
            EXPECT_EQ(t.c_cc[VSTART], static_cast<cc_t>(c.xon));
            EXPECT_EQ(t.c_cc[VSTOP], static_cast<cc_t>(c.xoff));
            ExpectRawLine(t);

            DCB back = dcb;
            Scramble(back);
            ReadDcbFromTermios(t, back);
            EXPECT_EQ(back.BaudRate, c.rate);
            EXPECT_EQ(back.ByteSize, c.size);
            EXPECT_EQ(back.Parity, c.parity);
            EXPECT_EQ(back.StopBits, c.stop);
            EXPECT_EQ(back.fOutX, c.outX);
            EXPECT_EQ(back.fInX, c.inX);
            EXPECT_EQ(back.fOutxCtsFlow, c.cts);
            EXPECT_EQ(back.XonChar, c.xon);
            EXPECT_EQ(back.XoffChar, c.xoff);
            EXPECT_EQ(std::memcmp(&back, &dcb, sizeof(DCB)), 0) << "a field outside the line";
        }
    }
}

TEST(CommTermiosTest, ReadBackOfALineSetElsewhere) {
    struct Case {
        const char* name;
        tcflag_t cflag;
        speed_t speed;
        BYTE stopBefore;
        DWORD rate;
        BYTE size;
        BYTE parity;
        BYTE stop;
    };
    const Case cases[] = {
        {"2 stop bits unless the record said 1.5", CS8 | CSTOPB, B9600, ONESTOPBIT, 9600, 8,
         NOPARITY, TWOSTOPBITS},
        {"1.5 stop bits kept", CS5 | CSTOPB, B9600, ONE5STOPBITS, 9600, 5, NOPARITY, ONE5STOPBITS},
        {"1.5 stop bits dropped without CSTOPB", CS5, B9600, ONE5STOPBITS, 9600, 5, NOPARITY,
         ONESTOPBIT},
        // A pty forces no parity but keeps the other parity flags.
        {"PARODD and CMSPAR without PARENB", CS8 | PARODD | CMSPAR, B9600, ONESTOPBIT, 9600, 8,
         NOPARITY, ONESTOPBIT},
        {"a rate outside the table keeps the record's", CS7 | PARENB, B0, ONESTOPBIT, 4321, 7,
         EVENPARITY, ONESTOPBIT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        termios t{};
        t.c_cflag = c.cflag;
        ASSERT_EQ(cfsetspeed(&t, c.speed), 0);
        DCB dcb{};
        dcb.BaudRate = 4321;
        dcb.StopBits = c.stopBefore;
        ReadDcbFromTermios(t, dcb);
        EXPECT_EQ(dcb.BaudRate, c.rate);
        EXPECT_EQ(dcb.ByteSize, c.size);
        EXPECT_EQ(dcb.Parity, c.parity);
        EXPECT_EQ(dcb.StopBits, c.stop);
    }
}

TEST(CommTermiosTest, EveryStandardRateHasItsOwnCode) {
    const DWORD rates[] = {50,      75,      110,     134,     150,     200,    300,     600,
                           1200,    1800,    2400,    4800,    9600,    19200,  38400,   57600,
                           115200,  230400,  460800,  500000,  576000,  921600, 1000000, 1152000,
                           1500000, 2000000, 2500000, 3000000, 3500000, 4000000};
    for (const DWORD rate : rates) {
        SCOPED_TRACE(rate);
        const auto code = SpeedCodeOf(rate);
        ASSERT_TRUE(code.has_value());
        termios t{};
        EXPECT_EQ(cfsetspeed(&t, *code), 0);
        EXPECT_EQ(RateOfSpeedCode(*code), rate);
    }
    for (const DWORD rate : {DWORD{0}, DWORD{14400}, DWORD{12345}, DWORD{4000001}, MAXDWORD}) {
        EXPECT_FALSE(SpeedCodeOf(rate).has_value()) << rate;
    }
    EXPECT_FALSE(RateOfSpeedCode(B0).has_value());
}

TEST(CommTermiosTest, UnusableLineIsRefusedWithTheTermiosUntouched) {
    const DCB usable = DcbOf({19200, 8, NOPARITY, ONESTOPBIT, true, true, true, true, 0x11, 0x13,
                              B19200, CS8 | CRTSCTS, INPCK | IXON | IXOFF});
    struct Case {
        const char* name;
        void (*spoil)(DCB&);
    };
    const Case cases[] = {
        {"12345 baud", [](DCB& d) { d.BaudRate = 12345; }},
        {"14400 baud", [](DCB& d) { d.BaudRate = 14400; }},
        {"0 baud", [](DCB& d) { d.BaudRate = 0; }},
        {"4 bits", [](DCB& d) { d.ByteSize = 4; }},
        {"9 bits", [](DCB& d) { d.ByteSize = 9; }},
        {"0 bits", [](DCB& d) { d.ByteSize = 0; }},
        {"parity 5", [](DCB& d) { d.Parity = 5; }},
        {"parity 7", [](DCB& d) { d.Parity = 7; }},
        {"stop bits 3", [](DCB& d) { d.StopBits = 3; }},
    };
    termios pattern;
    std::memset(&pattern, 0xA5, sizeof pattern);
    {
        termios t = pattern;
        ASSERT_TRUE(IsUsableLine(usable));
        ASSERT_TRUE(ApplyDcbToTermios(usable, t));
        ASSERT_NE(std::memcmp(&t, &pattern, sizeof t), 0);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DCB dcb = usable;
        c.spoil(dcb);
        termios t = pattern;
        EXPECT_FALSE(IsUsableLine(dcb));
        EXPECT_FALSE(ApplyDcbToTermios(dcb, t));
        EXPECT_EQ(std::memcmp(&t, &pattern, sizeof t), 0);
    }
}

TEST(CommTermiosTest, RawLineFromACookedOne) {
    termios t = UsedLine();
    MakeRawLine(t);
    ExpectRawLine(t);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
}

}  // namespace
