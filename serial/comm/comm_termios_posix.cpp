#include "comm_termios_posix.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

struct BaudCode {
    DWORD rate;
    speed_t code;
};

// The codes above B38400 are Linux's own. A rate outside the table would need BOTHER and
// termios2, which this layer does not use.
constexpr BaudCode kBauds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000}};

constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};

BYTE ParityOf(const termios& t) {
    if ((t.c_cflag & PARENB) == 0) {
        return NOPARITY;
    }
    const bool odd = (t.c_cflag & PARODD) != 0;
    if ((t.c_cflag & CMSPAR) != 0) {
        return odd ? MARKPARITY : SPACEPARITY;
    }
    return odd ? ODDPARITY : EVENPARITY;
}

BYTE ByteSizeOf(const termios& t) {
    switch (t.c_cflag & CSIZE) {
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

}  // namespace

std::optional<speed_t> SpeedCodeOf(DWORD rate) {
    for (const auto& baud : kBauds) {
        if (baud.rate == rate) {
            return baud.code;
        }
    }
    return std::nullopt;
}

std::optional<DWORD> RateOfSpeedCode(speed_t code) {
    for (const auto& baud : kBauds) {
        if (baud.code == code) {
            return baud.rate;
        }
    }
    return std::nullopt;
}

void MakeRawLine(termios& t) {
    cfmakeraw(&t);
    // No carrier on the cable is expected: without CLOCAL, I/O would wait for DCD and a
    // carrier drop would hang the port up.
    t.c_cflag |= CLOCAL | CREAD;
    // IXANY would let any byte from the machine, not only DC1, release output held by DC3.
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    // A break is a line condition, never a byte for the reader.
    t.c_iflag |= IGNBRK;
    // read() returns at once with what is there; all waiting is poll() under the call's
    // own time-out.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

bool IsUsableLine(const DCB& dcb) {
    return SpeedCodeOf(dcb.BaudRate).has_value() && dcb.ByteSize >= 5 && dcb.ByteSize <= 8 &&
           dcb.Parity <= SPACEPARITY && dcb.StopBits <= TWOSTOPBITS;
}

bool ApplyDcbToTermios(const DCB& dcb, termios& t) {
    if (!IsUsableLine(dcb)) {
        return false;
    }
    MakeRawLine(t);
    cfsetspeed(&t, *SpeedCodeOf(dcb.BaudRate));
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= kSizes[dcb.ByteSize - 5];
    // Mark and space rely on Linux's CMSPAR: the parity bit is then fixed, 1 with PARODD and
    // 0 without.
    switch (dcb.Parity) {
        case ODDPARITY:
            t.c_cflag |= PARENB | PARODD;
            break;
        case EVENPARITY:
            t.c_cflag |= PARENB;
            break;
        case MARKPARITY:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case SPACEPARITY:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    // With 5-bit characters a UART sends 1.5 stop bits for CSTOPB.
    if (dcb.StopBits != ONESTOPBIT) {
        t.c_cflag |= CSTOPB;
    }
    if (dcb.fOutxCtsFlow) {
        t.c_cflag |= CRTSCTS;
    }
    if (dcb.fParity) {
        t.c_iflag |= INPCK;
    } else {
        t.c_iflag &= ~INPCK;
    }
    if (dcb.fOutX) {
        t.c_iflag |= IXON;
    }
    if (dcb.fInX) {
        t.c_iflag |= IXOFF;
    }
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    return true;
}

void ReadDcbFromTermios(const termios& t, DCB& dcb) {
    if (const auto rate = RateOfSpeedCode(cfgetospeed(&t))) {
        dcb.BaudRate = *rate;
    }
    dcb.ByteSize = ByteSizeOf(t);
    dcb.Parity = ParityOf(t);
    // termios has one setting for 1.5 and 2 stop bits; 1.5 stays when the DCB said so.
    if ((t.c_cflag & CSTOPB) == 0) {
        dcb.StopBits = ONESTOPBIT;
    } else if (dcb.StopBits != ONE5STOPBITS) {
        dcb.StopBits = TWOSTOPBITS;
    }
    dcb.fOutX = (t.c_iflag & IXON) != 0;
    dcb.fInX = (t.c_iflag & IXOFF) != 0;
    dcb.fOutxCtsFlow = (t.c_cflag & CRTSCTS) != 0;
    dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
}

bool SameFraming(const termios& a, const termios& b) {
    constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    return (a.c_cflag & kFraming) == (b.c_cflag & kFraming);
}

bool IsPseudoTerminal(int fd) {
    // Unix98 pty slaves have the majors 136 to 143.
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && major(info.st_rdev) >= 136 &&
           major(info.st_rdev) <= 143;
}
