#include "pty_endpoint_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace cnc_sim {

namespace {

[[noreturn]] void ThrowSystemError(const char* call) {
    throw std::system_error(errno, std::generic_category(), std::string(call) + " failed");
}

// The codes above B38400 are Linux's own.
std::optional<std::uint32_t> BaudOfSpeedCode(speed_t code) {
    static constexpr struct {
        speed_t code;
        std::uint32_t baud;
    } kRates[] = {
        {B0, 0},
        {B50, 50},
        {B75, 75},
        {B110, 110},
        {B134, 134},
        {B150, 150},
        {B200, 200},
        {B300, 300},
        {B600, 600},
        {B1200, 1200},
        {B1800, 1800},
        {B2400, 2400},
        {B4800, 4800},
        {B9600, 9600},
        {B19200, 19200},
        {B38400, 38400},
        {B57600, 57600},
        {B115200, 115200},
        {B230400, 230400},
        {B460800, 460800},
        {B500000, 500000},
        {B576000, 576000},
        {B921600, 921600},
        {B1000000, 1000000},
        {B1152000, 1152000},
        {B1500000, 1500000},
        {B2000000, 2000000},
        {B2500000, 2500000},
        {B3000000, 3000000},
        {B3500000, 3500000},
        {B4000000, 4000000},
    };
    for (const auto& rate : kRates) {
        if (rate.code == code) {
            return rate.baud;
        }
    }
    return std::nullopt;
}

timespec ToTimespec(std::chrono::nanoseconds t) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(t);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>((t - seconds).count())};
}

}  // namespace

// How the tool's open and close are seen. Linux reports POLLHUP on a pty master, and read()
// fails with EIO, while no one holds the slave open after someone had it open; a master
// that was never paired reports neither on current kernels. So the endpoint opens and closes
// the slave once itself, before the path is made known: from then on POLLHUP means "nobody
// there", its disappearance means the tool has opened the port, and its return means the
// tool has closed it. Bytes the tool wrote before closing are still read first.
PtyEndpoint::PtyEndpoint() {
    fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd_ < 0) {
        ThrowSystemError("posix_openpt()");
    }
    // A constructor that throws runs no destructor: the master is closed here.
    try {
        Prepare();
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

void PtyEndpoint::Prepare() {
    char name[128] = {};
    if (::fcntl(fd_, F_SETFD, FD_CLOEXEC) != 0 ||
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK) != 0) {
        ThrowSystemError("fcntl()");
    }
    if (::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) {
        ThrowSystemError("unlockpt()");
    }
    if (const int error = ::ptsname_r(fd_, name, sizeof name); error != 0) {
        throw std::system_error(error, std::generic_category(), "ptsname_r() failed");
    }
    slavePath_ = name;

    // Raw until the tool sets its own line: no echo of its bytes back to it, and no line
    // discipline that would swallow DC1/DC3 or hold bytes back for a whole line.
    termios line{};
    if (::tcgetattr(fd_, &line) != 0) {
        ThrowSystemError("tcgetattr()");
    }
    ::cfmakeraw(&line);
    if (::tcsetattr(fd_, TCSANOW, &line) != 0) {
        ThrowSystemError("tcsetattr()");
    }

    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        ThrowSystemError("open() of the slave");
    }
    ::close(slave);

    // Packet mode: each read says whether it carries data or the tool's transmitter being
    // stopped, started or flushed, which is how the modelled UART learns of SETXOFF/SETXON.
    // Only now, so the endpoint's own open and close above leave no event behind.
    int on = 1;
    if (::ioctl(fd_, TIOCPKT, &on) != 0) {
        ThrowSystemError("ioctl(TIOCPKT)");
    }
}

PtyEndpoint::~PtyEndpoint() {
    ::close(fd_);
}

bool PtyEndpoint::Opened() const {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, 0) < 0) {
        return false;
    }
    return (entry.revents & POLLHUP) == 0 || (entry.revents & POLLIN) != 0;
}

void PtyEndpoint::Wait(std::optional<std::chrono::nanoseconds> timeout, bool wantWrite,
                       const sigset_t& waitMask) const {
    pollfd entry{fd_, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0};
    const timespec limit = ToTimespec(timeout.value_or(std::chrono::nanoseconds(0)));
    // EINTR is the stop signal; the caller looks at its flag next.
    ::ppoll(&entry, 1, timeout ? &limit : nullptr, &waitMask);
}

PtyEndpoint::ReadResult PtyEndpoint::Read(std::string& into, TransmitterEvents& events) const {
    // One more than the data: packet mode puts a status byte first.
    char buffer[4097];
    ssize_t n = 0;
    do {
        n = ::read(fd_, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n > 1 && buffer[0] == TIOCPKT_DATA) {
        into.append(buffer + 1, static_cast<std::size_t>(n - 1));
        return ReadResult::kBytes;
    }
    if (n == 1) {
        const auto status = static_cast<unsigned char>(buffer[0]);
        events.held = (status & TIOCPKT_STOP) != 0;
        events.released = (status & TIOCPKT_START) != 0;
        events.purged = (status & TIOCPKT_FLUSHWRITE) != 0;
        return ReadResult::kEvents;
    }
    // EIO is the hang-up.
    return n < 0 && errno == EAGAIN ? ReadResult::kNothing : ReadResult::kHungUp;
}

std::optional<std::uint32_t> PtyEndpoint::ToolBaud() const {
    termios line{};
    if (::tcgetattr(fd_, &line) != 0) {
        return std::nullopt;
    }
    return BaudOfSpeedCode(::cfgetospeed(&line));
}

void PtyEndpoint::Write(std::string& pending) const {
    while (!pending.empty()) {
        const ssize_t n = ::write(fd_, pending.data(), pending.size());
        if (n > 0) {
            pending.erase(0, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno != EAGAIN) {
            // The line is gone; the next read tells the session so.
            pending.clear();
        } else {
            // The pty is full until the tool reads; Wait() reports when it takes more.
            return;
        }
    }
}

void PtyEndpoint::HangUpToolSide() const {
    // The tool holds the port exclusive; only a process with the same privilege as the
    // hang-up itself may open it beside the tool.
    const int slave = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        ThrowSystemError("open() of the slave");
    }
    const int result = ::ioctl(slave, TIOCVHANGUP);
    const int error = errno;
    ::close(slave);
    if (result != 0) {
        errno = error;
        ThrowSystemError("ioctl(TIOCVHANGUP)");
    }
}

void SleepFor(std::chrono::nanoseconds timeout, const sigset_t& waitMask) {
    const timespec limit = ToTimespec(timeout);
    ::ppoll(nullptr, 0, &limit, &waitMask);
}

}  // namespace cnc_sim
