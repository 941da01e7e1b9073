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

PtyEndpoint::ReadResult PtyEndpoint::Read(std::string& into) const {
    char buffer[4096];
    ssize_t n = 0;
    do {
        n = ::read(fd_, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        into.append(buffer, static_cast<std::size_t>(n));
        return ReadResult::kBytes;
    }
    // EIO is the hang-up.
    return n < 0 && errno == EAGAIN ? ReadResult::kNothing : ReadResult::kHungUp;
}

std::size_t PtyEndpoint::Queued() const {
    int queued = 0;
    return ::ioctl(fd_, FIONREAD, &queued) == 0 && queued > 0 ? static_cast<std::size_t>(queued)
                                                              : 0;
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

void SleepFor(std::chrono::nanoseconds timeout, const sigset_t& waitMask) {
    const timespec limit = ToTimespec(timeout);
    ::ppoll(nullptr, 0, &limit, &waitMask);
}

}  // namespace cnc_sim
