#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "test_file.h"

namespace {

class PosixTestFile : public TestFile {
  public:
    explicit PosixTestFile(int fd) : fd_(fd) {}
    ~PosixTestFile() override { ::close(fd_); }
    PosixTestFile(const PosixTestFile&) = delete;
    PosixTestFile& operator=(const PosixTestFile&) = delete;

    BOOL Read(void* buffer, DWORD count, DWORD* read) override {
        ssize_t n;
        do {
            n = ::read(fd_, buffer, count);
        } while (n < 0 && errno == EINTR);
        *read = n > 0 ? static_cast<DWORD>(n) : 0;
        return n >= 0 ? TRUE : FALSE;
    }

  private:
    int fd_;
};

}  // namespace

std::unique_ptr<TestFile> OpenTestFile(const std::string& path) {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused just below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::make_unique<PosixTestFile>(fd);
}
