// What the send button refuses before the port is opened, for paths that exist but are no
// program the tool can read.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "temp_dir.h"
#include "test_status.h"
#include "unprivileged_posix.h"

namespace {

TEST(SendCheckTest, AnythingButAReadableRegularFileCannotBeOpened) {
    const TempDir dir;
    const auto fifo = dir.path() / "program.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    EXPECT_EQ(CheckFileForSend(fifo.string()), SendCheck::FileMissing) << "a FIFO";
    EXPECT_EQ(CheckFileForSend("/dev/zero"), SendCheck::FileMissing) << "a device";

    const auto locked = dir.Write("locked.nc", std::string(250000, 'g'));
    ::chmod(locked.c_str(), 0200);
    ::chmod(dir.path().c_str(), 0755);
    const auto check = RunUnprivileged(
        [&] { return std::to_string(static_cast<int>(CheckFileForSend(locked.string()))); });
    ASSERT_TRUE(check.has_value());
    EXPECT_EQ(*check, std::to_string(static_cast<int>(SendCheck::FileMissing)))
        << "a file without read permission";
    ::chmod(locked.c_str(), 0644);
    EXPECT_EQ(CheckFileForSend(locked.string()), SendCheck::Ready);
}

}  // namespace
