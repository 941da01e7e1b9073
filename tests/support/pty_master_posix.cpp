#include "pty_master_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <stdexcept>

PtyMaster::PtyMaster() {
    fd_ = posix_openpt(O_RDWR | O_NOCTTY);
    char name[128] = {};
    if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0 ||
        ptsname_r(fd_, name, sizeof name) != 0) {
        throw std::runtime_error("no pty");
    }
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    fcntl(fd_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
}

void PtyMaster::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void PtyMaster::Write(std::string_view bytes) const {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else {
            pollfd entry{fd_, POLLOUT, 0};
            ASSERT_EQ(::poll(&entry, 1, 2000), 1) << "the pty does not take bytes";
        }
    }
}

std::string PtyMaster::Read(std::size_t count, std::chrono::milliseconds within) const {
    using Clock = std::chrono::steady_clock;
    std::string got;
    const auto end = Clock::now() + within;
    while (got.size() < count) {
        char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
        if (n > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left <= std::chrono::milliseconds(0)) {
            break;
        }
        pollfd entry{fd_, POLLIN, 0};
        ::poll(&entry, 1, static_cast<int>(left.count()));
    }
    return got;
}

void PtyMaster::SetSlaveTermios(const termios& t) const {
    EXPECT_EQ(::tcsetattr(fd_, TCSANOW, &t), 0);
}

termios PtyMaster::SlaveTermios() const {
    termios t{};
    EXPECT_EQ(::tcgetattr(fd_, &t), 0);
    return t;
}
