#include "pty_delay_probe_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace soak {

namespace {

using namespace std::chrono_literals;

std::int64_t SecondOf(ProbeClock::time_point at) {
    return std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count();
}

[[noreturn]] void Throw(const char* call) {
    throw std::system_error(errno, std::generic_category(), call);
}

}  // namespace

void DelayRecord::Add(ProbeClock::time_point at, std::chrono::microseconds delay) {
    std::lock_guard lock(mutex_);
    auto& longest = perSecond_[SecondOf(at)];
    longest = std::max(longest, delay);
}

std::chrono::microseconds DelayRecord::LongestBetween(ProbeClock::time_point from,
                                                      ProbeClock::time_point to) const {
    std::lock_guard lock(mutex_);
    std::chrono::microseconds longest{0};
    for (auto it = perSecond_.lower_bound(SecondOf(from));
         it != perSecond_.end() && it->first <= SecondOf(to); ++it) {
        longest = std::max(longest, it->second);
    }
    return longest;
}

PtyDelayProbe::PtyDelayProbe() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        Throw("posix_openpt()");
    }
    slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) {
        Throw("open() of the probe's slave");
    }
    termios line{};
    ::tcgetattr(slave_, &line);
    ::cfmakeraw(&line);
    ::tcsetattr(slave_, TCSANOW, &line);
    thread_ = std::thread([this] { Run(); });
}

PtyDelayProbe::~PtyDelayProbe() {
    stop_ = true;
    thread_.join();
    ::close(slave_);
    ::close(master_);
}

void PtyDelayProbe::Run() {
    while (!stop_) {
        const char byte = 0x13;
        const auto written = ProbeClock::now();
        if (::write(master_, &byte, 1) != 1) {
            return;
        }
        pollfd entry{slave_, POLLIN, 0};
        // A byte a second late is lost to the probe, not to the runs: measured as a second.
        const bool arrived = ::poll(&entry, 1, 1000) == 1;
        const auto seen = ProbeClock::now();
        char drained[64];
        while (::read(slave_, drained, sizeof drained) > 0) {
        }
        record_.Add(written,
                    arrived ? std::chrono::duration_cast<std::chrono::microseconds>(seen - written)
                            : std::chrono::microseconds(1s));
        std::this_thread::sleep_for(2ms);
    }
}

}  // namespace soak
