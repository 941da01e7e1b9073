// The simulator's end of the cable on a real pty.
#include "pty_endpoint_posix.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <system_error>

namespace {

bool DescriptorOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

// Leaves exactly one descriptor number free below the limit: the master gets it, and the
// endpoint's own open of the slave then fails with EMFILE.
class OneFreeDescriptor {
  public:
    OneFreeDescriptor() {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        first_ = ::dup(0);
        const int second = ::dup(0);
        ::close(second);
        ::close(first_);
        rlimit tight = saved_;
        tight.rlim_cur = static_cast<rlim_t>(second);
        ::setrlimit(RLIMIT_NOFILE, &tight);
    }
    ~OneFreeDescriptor() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    OneFreeDescriptor(const OneFreeDescriptor&) = delete;
    OneFreeDescriptor& operator=(const OneFreeDescriptor&) = delete;

    int first() const { return first_; }

  private:
    rlimit saved_{};
    int first_ = -1;
};

TEST(PtyEndpointTest, AStartThatFailsLeavesNoMasterOpen) {
    int master = -1;
    {
        const OneFreeDescriptor limit;
        master = limit.first();
        ASSERT_GE(master, 0);
        EXPECT_THROW(cnc_sim::PtyEndpoint(), std::system_error);
    }
    EXPECT_FALSE(DescriptorOpen(master)) << "the pty master " << master << " leaked";
}

TEST(PtyEndpointTest, NamesASlaveTheToolCanOpen) {
    const cnc_sim::PtyEndpoint port;
    EXPECT_FALSE(port.Opened());
    const int slave = ::open(port.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    EXPECT_TRUE(port.Opened());
    ::close(slave);
}

}  // namespace
