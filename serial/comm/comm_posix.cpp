// The forwarding layer on a POSIX tty. A HANDLE points to a PosixPort. The descriptor is
// always non-blocking: every wait is a poll() bounded by the call's own time-out, so no call
// can hang on a line the machine holds or on a device that has gone away.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "comm_api.h"
#include "comm_device_path_posix.h"
#include "comm_termios_posix.h"

namespace {

using Clock = std::chrono::steady_clock;

// One open port. Used by one thread at a time, as the engine uses a port.
struct PosixPort {
    int fd = -1;
    COMMTIMEOUTS timeouts{};
    DWORD inQueue = 0;
    DWORD outQueue = 0;
    std::optional<DCB> applied;
    bool dropNul = false;
    bool held = false;
    bool lost = false;  // a call failed because the device has gone; it stays gone
    std::string kept;   // TransmitCommChar bytes that wait for the transmitter
};

PosixPort* PortOf(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return nullptr;
    }
    return static_cast<PosixPort*>(handle);
}

// The end of a call's total time-out, or none when the call may wait without limit.
class Deadline {
  public:
    static Deadline Never() { return {}; }
    static Deadline In(std::uint64_t ms) {
        // Far beyond any wait that matters, and short of the clock's range.
        constexpr std::uint64_t kLongest = 1ULL << 40;
        Deadline deadline;
        deadline.at_ = Clock::now() + std::chrono::milliseconds(std::min(ms, kLongest));
        return deadline;
    }
    static Deadline Earlier(const Deadline& a, const Deadline& b) {
        if (!a.at_) {
            return b;
        }
        return b.at_ && *b.at_ < *a.at_ ? b : a;
    }

    // The time-out for poll(): -1 without limit, 0 once passed, else rounded up.
    int PollTimeout() const {
        if (!at_) {
            return -1;
        }
        const auto left = *at_ - Clock::now();
        if (left <= Clock::duration::zero()) {
            return 0;
        }
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
    }

    void SleepOut() const {
        if (at_) {
            std::this_thread::sleep_until(*at_);
        }
    }

  private:
    std::optional<Clock::time_point> at_;
};

// Both values 0 means no total time-out.
Deadline TotalDeadline(DWORD multiplier, DWORD constant, std::size_t count) {
    const std::uint64_t ms = std::uint64_t{multiplier} * count + constant;
    return ms == 0 ? Deadline::Never() : Deadline::In(ms);
}

struct ReadPlan {
    bool atOnce = false;   // return with what is there, never wait
    bool anyByte = false;  // return as soon as one byte has arrived
    Deadline total;
    std::optional<std::chrono::milliseconds> interval;
};

ReadPlan PlanRead(const COMMTIMEOUTS& t, DWORD count) {
    ReadPlan plan;
    if (t.ReadIntervalTimeout == MAXDWORD) {
        if (t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
            plan.atOnce = true;
            return plan;
        }
        if (t.ReadTotalTimeoutMultiplier == MAXDWORD && t.ReadTotalTimeoutConstant != 0 &&
            t.ReadTotalTimeoutConstant != MAXDWORD) {
            plan.anyByte = true;
            plan.total = Deadline::In(t.ReadTotalTimeoutConstant);
            return plan;
        }
    } else if (t.ReadIntervalTimeout != 0) {
        plan.interval = std::chrono::milliseconds(t.ReadIntervalTimeout);
    }
    plan.total = TotalDeadline(t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant, count);
    return plan;
}

// One read() or write(): the bytes moved, 0 when nothing can move now, -1 with errno set on
// a hard error.
template <typename Call>
ssize_t MoveSome(Call call) {
    for (;;) {
        const ssize_t n = call();
        if (n >= 0) {
            return n;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

ssize_t ReadSome(int fd, unsigned char* buffer, std::size_t count) {
    return MoveSome([&] { return ::read(fd, buffer, count); });
}

ssize_t WriteSome(int fd, const unsigned char* data, std::size_t count) {
    return MoveSome([&] { return ::write(fd, data, count); });
}

enum class Ready { kMaybe, kTimedOut, kHungUp, kFailed };

// kMaybe also after EINTR, so that the caller tries again with what is left of its time.
Ready WaitFor(int fd, int events, int timeoutMs) {
    pollfd entry{fd, static_cast<short>(events), 0};
    const int n = ::poll(&entry, 1, timeoutMs);
    if (n == 0) {
        return Ready::kTimedOut;
    }
    if (n < 0) {
        return errno == EINTR ? Ready::kMaybe : Ready::kFailed;
    }
    // A pty whose master has closed, or an adapter that has been pulled, reports readiness
    // together with POLLHUP or POLLERR, and then read() returns nothing at all.
    return (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 ? Ready::kHungUp : Ready::kMaybe;
}

struct Moved {
    std::size_t count = 0;
    int error = 0;  // the native error of a hard failure, else 0
};

Moved SendBytes(int fd, const unsigned char* data, std::size_t count, const Deadline& until) {
    Moved moved;
    bool hungUp = false;
    while (moved.count < count) {
        const ssize_t n = WriteSome(fd, data + moved.count, count - moved.count);
        if (n < 0) {
            moved.error = errno;
            break;
        }
        if (n > 0) {
            moved.count += static_cast<std::size_t>(n);
            hungUp = false;
            continue;
        }
        if (hungUp) {
            moved.error = EIO;
            break;
        }
        const Ready ready = WaitFor(fd, POLLOUT, until.PollTimeout());
        if (ready == Ready::kTimedOut) {
            break;
        }
        if (ready == Ready::kFailed) {
            moved.error = errno;
            break;
        }
        hungUp = ready == Ready::kHungUp;
    }
    return moved;
}

// Drops NUL bytes in place; returns how many bytes remain.
std::size_t DropNuls(unsigned char* bytes, std::size_t count) {
    return static_cast<std::size_t>(std::remove(bytes, bytes + count, 0) - bytes);
}

// The errors with which a tty says that its device is gone: the far end of a pty closed, a
// USB adapter pulled, a modem hung up.
bool MeansDeviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

// Bytes that did move are handed over and the error waits for the next call. With nothing
// moved the call waits out its time-out first: a vanished device answers at once, and a
// caller that polls in a loop would otherwise spin.
BOOL EndOnHardError(PosixPort& port, const Deadline& total, DWORD moved, DWORD* reported,
                    int error) {
    port.lost = port.lost || MeansDeviceGone(error);
    if (moved > 0) {
        if (reported != nullptr) {
            *reported = moved;
        }
        return TRUE;
    }
    total.SleepOut();
    errno = error;
    return FALSE;
}

DCB DefaultDcb() {
    DCB dcb{};
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    return dcb;
}

bool ModemLine(int fd, int line, bool raised) {
    return ::ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

// A real UART's close() waits up to its closing_wait for queued output, which never drains
// while the machine holds the line. Output that still moves is let go; once the queue stops
// shrinking for this long, or at once while held, the rest is dropped. An empty queue is
// never flushed: a pty's queue always reads 0, and its flush would throw away bytes the
// master has not yet taken in.
constexpr auto kCloseStall = std::chrono::milliseconds(250);

void DropStuckOutput(int fd, bool held) {
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        int now = queued;
        if (!held) {
            std::this_thread::sleep_for(kCloseStall);
            if (::ioctl(fd, TIOCOUTQ, &now) != 0) {
                return;
            }
        }
        if (now >= queued) {
            ::tcflush(fd, TCOFLUSH);
            return;
        }
    }
}

// Sends what TransmitCommChar kept for the transmitter, as far as the line takes it by then.
// Returns the native error of a hard failure, else 0.
int SendKept(PosixPort& port, const Deadline& until) {
    const auto* kept = reinterpret_cast<const unsigned char*>(port.kept.data());
    const Moved sent = SendBytes(port.fd, kept, port.kept.size(), until);
    port.kept.erase(0, sent.count);
    return sent.error;
}

class PosixComm final : public CommApi {
  public:
    HANDLE OpenPort(std::string_view deviceName) override;
    BOOL ClosePort(HANDLE port) override;
    BOOL WriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) override;
    BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read) override;
    BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) override;
    BOOL PurgeComm(HANDLE port, DWORD flags) override;
    BOOL GetCommState(HANDLE port, DCB* dcb) override;
    BOOL SetCommState(HANDLE port, DCB* dcb) override;
    BOOL GetCommProperties(HANDLE port, COMMPROP* properties) override;
    BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) override;
    BOOL TransmitCommChar(HANDLE port, char c) override;
    BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) override;
    BOOL EscapeCommFunction(HANDLE port, DWORD function) override;
    BOOL DeviceLost(HANDLE port) override;
};

HANDLE PosixComm::OpenPort(std::string_view deviceName) {
    const auto path = ResolveComDevicePath(deviceName);
    if (!path) {
        errno = ENOENT;
        return INVALID_HANDLE_VALUE;
    }
    int fd = -1;
    do {
        // O_NONBLOCK: the open must not wait for carrier, and I/O waits only in poll().
        fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return INVALID_HANDLE_VALUE;
    }
    // tcgetattr() is what tells a tty from a file or /dev/null. TIOCEXCL refuses further
    // opens of the tty, except by root; the flock() also turns away root and every other
    // opener that locks its ports the same way.
    termios t{};
    bool ok = ::tcgetattr(fd, &t) == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (ok) {
        ok = ::ioctl(fd, TIOCEXCL) == 0;
        MakeRawLine(t);
        ok = ok && ::tcsetattr(fd, TCSANOW, &t) == 0;
        // A previous user may have left the transmitter stopped; this layer starts released.
        ok = ok && ::tcflow(fd, TCOON) == 0;
        if (!ok) {
            const int error = errno;
            ::ioctl(fd, TIOCNXCL);
            errno = error;
        }
    }
    if (!ok) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return INVALID_HANDLE_VALUE;
    }
    auto* port = new PosixPort;
    port->fd = fd;
    return port;
}

BOOL PosixComm::ClosePort(HANDLE handle) {
    PosixPort* port = PortOf(handle);
    if (port == nullptr) {
        return FALSE;
    }
    ::ioctl(port->fd, TIOCNXCL);
    DropStuckOutput(port->fd, port->held);
    if (port->held) {
        ::tcflow(port->fd, TCOON);
    }
    // Linux releases the descriptor even when close() reports EINTR; it is never retried.
    const int result = ::close(port->fd);
    const int error = errno;
    delete port;
    if (result != 0 && error != EINTR) {
        errno = error;
        return FALSE;
    }
    return TRUE;
}

BOOL PosixComm::WriteFile(HANDLE handle, const void* data, DWORD count, DWORD* written) {
    if (written != nullptr) {
        *written = 0;
    }
    PosixPort* port = PortOf(handle);
    if (port == nullptr || (data == nullptr && count > 0)) {
        return FALSE;
    }
    if (count == 0) {
        return TRUE;
    }
    const COMMTIMEOUTS& t = port->timeouts;
    const Deadline total =
        TotalDeadline(t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant, count);
    if (!port->held) {
        if (const int error = SendKept(*port, total); error != 0) {
            return EndOnHardError(*port, total, 0, written, error);
        }
        if (!port->kept.empty()) {
            return TRUE;  // the new bytes must not overtake them
        }
    }
    const Moved sent = SendBytes(port->fd, static_cast<const unsigned char*>(data), count, total);
    if (sent.error != 0) {
        return EndOnHardError(*port, total, static_cast<DWORD>(sent.count), written, sent.error);
    }
    if (written != nullptr) {
        *written = static_cast<DWORD>(sent.count);
    }
    return TRUE;
}

BOOL PosixComm::ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* read) {
    if (read != nullptr) {
        *read = 0;
    }
    PosixPort* port = PortOf(handle);
    if (port == nullptr || (buffer == nullptr && count > 0)) {
        return FALSE;
    }
    if (count == 0) {
        return TRUE;
    }
    const ReadPlan plan = PlanRead(port->timeouts, count);
    auto* bytes = static_cast<unsigned char*>(buffer);
    DWORD got = 0;
    Deadline intervalEnd = Deadline::Never();
    bool hungUp = false;
    while (got < count) {
        const ssize_t n = ReadSome(port->fd, bytes + got, count - got);
        if (n < 0) {
            return EndOnHardError(*port, plan.total, got, read, errno);
        }
        if (n > 0) {
            const auto size = static_cast<std::size_t>(n);
            got += static_cast<DWORD>(port->dropNul ? DropNuls(bytes + got, size) : size);
            hungUp = false;
            if (got > 0 && plan.interval) {
                intervalEnd = Deadline::In(static_cast<std::uint64_t>(plan.interval->count()));
            }
            continue;
        }
        if (hungUp) {
            return EndOnHardError(*port, plan.total, got, read, EIO);
        }
        if (plan.anyByte && got > 0) {
            break;
        }
        // Even a call that must not wait polls once with no time-out, to notice a hang-up.
        const Deadline until = Deadline::Earlier(plan.total, intervalEnd);
        const Ready ready = WaitFor(port->fd, POLLIN, plan.atOnce ? 0 : until.PollTimeout());
        if (ready == Ready::kTimedOut) {
            break;
        }
        if (ready == Ready::kFailed) {
            return EndOnHardError(*port, plan.total, got, read, errno);
        }
        hungUp = ready == Ready::kHungUp;
    }
    if (read != nullptr) {
        *read = got;
    }
    return TRUE;
}

BOOL PosixComm::SetupComm(HANDLE handle, DWORD inQueue, DWORD outQueue) {
    PosixPort* port = PortOf(handle);
    if (port == nullptr) {
        return FALSE;
    }
    port->inQueue = inQueue;
    port->outQueue = outQueue;
    return TRUE;
}

BOOL PosixComm::PurgeComm(HANDLE handle, DWORD flags) {
    PosixPort* port = PortOf(handle);
    if (port == nullptr) {
        return FALSE;
    }
    bool ok = true;
    if ((flags & PURGE_TXCLEAR) != 0) {
        port->kept.clear();
        ok = ::tcflush(port->fd, TCOFLUSH) == 0;
    }
    if ((flags & PURGE_RXCLEAR) != 0) {
        ok = ::tcflush(port->fd, TCIFLUSH) == 0 && ok;
    }
    return ok ? TRUE : FALSE;
}

BOOL PosixComm::GetCommState(HANDLE handle, DCB* dcb) {
    PosixPort* port = PortOf(handle);
    termios t{};
    if (port == nullptr || dcb == nullptr || ::tcgetattr(port->fd, &t) != 0) {
        return FALSE;
    }
    DCB state = port->applied.value_or(DefaultDcb());
    state.DCBlength = sizeof(DCB);
    state.fBinary = 1;
    ReadDcbFromTermios(t, state);
    *dcb = state;
    return TRUE;
}

BOOL PosixComm::SetCommState(HANDLE handle, DCB* dcb) {
    PosixPort* port = PortOf(handle);
    if (port == nullptr || dcb == nullptr) {
        return FALSE;
    }
    if (!IsUsableLine(*dcb)) {
        errno = EINVAL;
        return FALSE;
    }
    termios before{};
    if (::tcgetattr(port->fd, &before) != 0) {
        return FALSE;
    }
    termios wanted = before;
    ApplyDcbToTermios(*dcb, wanted);
    // TCSANOW: draining first would wait on a transmitter the machine may be holding.
    // glibc reads the settings back and reports EINVAL when none of the change took hold; a
    // pty, which always keeps 8 bits and no parity, answers so to a repeated 7E2. So the
    // settings are read back here instead: the rate must hold on every device, and the
    // framing on every device but a pty, where a driver that dropped a parity or data bit
    // would otherwise send the machine characters it cannot read.
    if (::tcsetattr(port->fd, TCSANOW, &wanted) != 0 && errno != EINVAL) {
        return FALSE;
    }
    termios now{};
    if (::tcgetattr(port->fd, &now) != 0 || cfgetospeed(&now) != cfgetospeed(&wanted) ||
        (!SameFraming(now, wanted) && !IsPseudoTerminal(port->fd))) {
        ::tcsetattr(port->fd, TCSANOW, &before);
        errno = EINVAL;
        return FALSE;
    }
    // A pty has no modem lines and refuses these; the line settings above still hold.
    ModemLine(port->fd, TIOCM_DTR, dcb->fDtrControl != DTR_CONTROL_DISABLE);
    ModemLine(port->fd, TIOCM_RTS,
              dcb->fRtsControl == RTS_CONTROL_ENABLE || dcb->fRtsControl == RTS_CONTROL_HANDSHAKE);
    port->applied = *dcb;
    port->dropNul = dcb->fNull != 0;
    return TRUE;
}

BOOL PosixComm::GetCommProperties(HANDLE handle, COMMPROP* properties) {
    PosixPort* port = PortOf(handle);
    if (port == nullptr || properties == nullptr) {
        return FALSE;
    }
    constexpr DWORD kBaudUser = 0x10000000;
    constexpr DWORD kSettableAll = 0x007F;   // parity, baud, data bits, stop bits, ...
    constexpr DWORD kCapabilities = 0x00FB;  // DTR/DSR, RTS/CTS, XON/XOFF, time-outs, ...
    constexpr WORD kDataBits5To8 = 0x000F;
    constexpr WORD kStopAndParity = 0x1F07;
    COMMPROP p{};
    p.wPacketLength = sizeof(COMMPROP);
    p.wPacketVersion = 2;
    p.dwServiceMask = SP_SERIALCOMM;
    p.dwMaxBaud = kBaudUser;
    p.dwProvSubType = PST_RS232;
    p.dwProvCapabilities = kCapabilities;
    p.dwSettableParams = kSettableAll;
    p.dwSettableBaud = kBaudUser;
    p.wSettableData = kDataBits5To8;
    p.wSettableStopParity = kStopAndParity;
    p.dwCurrentTxQueue = port->outQueue;
    p.dwCurrentRxQueue = port->inQueue;
    *properties = p;
    return TRUE;
}

BOOL PosixComm::ClearCommError(HANDLE handle, DWORD* errors, COMSTAT* status) {
    if (errors != nullptr) {
        *errors = 0;
    }
    COMSTAT counts{};
    PosixPort* port = PortOf(handle);
    bool ok = port != nullptr;
    if (ok) {
        int in = 0;
        int out = 0;
        ok = ::ioctl(port->fd, TIOCINQ, &in) == 0;
        ok = ::ioctl(port->fd, TIOCOUTQ, &out) == 0 && ok;
        counts.cbInQue = ok && in > 0 ? static_cast<DWORD>(in) : 0;
        counts.cbOutQue = ok && out > 0 ? static_cast<DWORD>(out) : 0;
        counts.fXoffHold = port->held;
    }
    if (status != nullptr) {
        *status = counts;
    }
    return ok ? TRUE : FALSE;
}

BOOL PosixComm::TransmitCommChar(HANDLE handle, char c) {
    PosixPort* port = PortOf(handle);
    if (port == nullptr) {
        return FALSE;
    }
    if (port->held) {
        port->kept.push_back(c);
        return TRUE;
    }
    const COMMTIMEOUTS& t = port->timeouts;
    const Deadline total =
        TotalDeadline(t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant, 1);
    const auto byte = static_cast<unsigned char>(c);
    const Moved sent = SendBytes(port->fd, &byte, 1, total);
    if (sent.error != 0) {
        return EndOnHardError(*port, total, 0, nullptr, sent.error);
    }
    if (sent.count == 0) {
        // The line takes nothing now; the byte goes out ahead of the next write.
        port->kept.insert(port->kept.begin(), c);
    }
    return TRUE;
}

BOOL PosixComm::SetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
    PosixPort* port = PortOf(handle);
    if (port == nullptr || timeouts == nullptr) {
        return FALSE;
    }
    port->timeouts = *timeouts;
    return TRUE;
}

BOOL PosixComm::EscapeCommFunction(HANDLE handle, DWORD function) {
    PosixPort* port = PortOf(handle);
    if (port == nullptr) {
        return FALSE;
    }
    const int fd = port->fd;
    switch (function) {
        case SETXOFF:
            if (::tcflow(fd, TCOOFF) != 0) {
                return FALSE;
            }
            port->held = true;
            return TRUE;
        case SETXON: {
            if (::tcflow(fd, TCOON) != 0) {
                return FALSE;
            }
            port->held = false;
            const COMMTIMEOUTS& t = port->timeouts;
            const int error =
                SendKept(*port, TotalDeadline(t.WriteTotalTimeoutMultiplier,
                                              t.WriteTotalTimeoutConstant, port->kept.size()));
            port->lost = port->lost || MeansDeviceGone(error);
            errno = error;
            return error == 0 ? TRUE : FALSE;
        }
        case SETDTR:
        case CLRDTR:
            return ModemLine(fd, TIOCM_DTR, function == SETDTR) ? TRUE : FALSE;
        case SETRTS:
        case CLRRTS:
            return ModemLine(fd, TIOCM_RTS, function == SETRTS) ? TRUE : FALSE;
        case SETBREAK:
            return ::ioctl(fd, TIOCSBRK) == 0 ? TRUE : FALSE;
        case CLRBREAK:
            return ::ioctl(fd, TIOCCBRK) == 0 ? TRUE : FALSE;
        default:
            errno = EINVAL;
            return FALSE;
    }
}

BOOL PosixComm::DeviceLost(HANDLE handle) {
    const PosixPort* port = PortOf(handle);
    return port != nullptr && port->lost ? TRUE : FALSE;
}

}  // namespace

CommApi& PlatformComm() {
    static PosixComm comm;
    return comm;
}
