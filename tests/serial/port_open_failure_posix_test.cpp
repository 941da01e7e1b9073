// The reasons a real port does not open, each met as the operator meets it: through
// OpenTestPort on the system's termios layer, with the message box it shows.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "comm_device_path_posix.h"
#include "fake_device_tree_posix.h"
#include "fake_platform.h"
#include "port_settings.h"
#include "pty_master_posix.h"
#include "temp_dir.h"
#include "test_port.h"
#include "transfer_state.h"
#include "unprivileged_posix.h"

namespace {

using testing::HasSubstr;
using testing::StartsWith;

class PortOpenFailureTest : public testing::Test {
  protected:
    void SetUp() override {
        g_portSettings = DefaultPortSettings();
        g_portSettings.nBaudRate = 921600;
    }
    void TearDown() override {
        for (int number : {5, 6, 7, 8}) {
            SetComDeviceOverride(number, "");
        }
    }

    // The text of the one message box a failed open shows; the port must not be open.
    std::string FailedOpenMessage(int comId) {
        platform_.messageBoxes.clear();
        EXPECT_EQ(OpenTestPort(comId), 0);
        EXPECT_EQ(platform_.messageBoxes.size(), 1u);
        if (platform_.messageBoxes.empty()) {
            return {};
        }
        EXPECT_EQ(platform_.messageBoxes[0].caption, "DNC Message");
        return platform_.messageBoxes[0].text;
    }

    CallLog log_;
    FakePlatform platform_{log_};
    TempDir dir_;
    ScopedEnv home_{"XDG_CONFIG_HOME", (dir_.path() / "home").string()};
    ScopedEnv dirs_{"XDG_CONFIG_DIRS", (dir_.path() / "system").string()};
};

TEST_F(PortOpenFailureTest, AMissingDeviceNamesWhatMapsIt) {
    const std::string missing = (dir_.path() / "ttyUSB9").string();
    SetComDeviceOverride(5, missing);
    EXPECT_EQ(FailedOpenMessage(5), "Com5를 열수 없습니다.!!!\n" + missing +
                                        ": 장치가 없습니다 (--device " + missing + ")");

    const auto settings = dir_.Write("home/Orvane/Velidor.conf", "[Ports]\nCOM6=" + missing + "\n");
    EXPECT_EQ(FailedOpenMessage(6), "Com6를 열수 없습니다.!!!\n" + missing +
                                        ": 장치가 없습니다 ([Ports] COM6=" + missing + ", " +
                                        settings.string() + ")");
}

TEST_F(PortOpenFailureTest, ADefaultDeviceThatIsNotThereSaysHowToMapOne) {
    FakeDeviceTree fake;
    if (!fake.Usable()) {
        GTEST_SKIP() << "device nodes cannot be made here (mknod needs root)";
    }
    fake.AddUsbAdapter(0, "FT232R USB UART", "usb-FTDI_FT232R_USB_UART_A1-if00-port0");
    SetDeviceTree(fake.tree());
    const std::string text = FailedOpenMessage(60);
    SetDeviceTree(DeviceTree{});
    EXPECT_THAT(text,
                StartsWith("Com60를 열수 없습니다.!!!\n" + (fake.tree().dev / "ttyS59").string() +
                           ": 장치가 없습니다 (COM60의 기본 장치; [Ports]의 COM60= 줄로 "
                           "바꿀 수 있습니다, 연결된 어댑터: Com"));
    EXPECT_THAT(text, HasSubstr(" ttyUSB0)"));
}

TEST_F(PortOpenFailureTest, APathThatIsNoSerialDeviceSaysSo) {
    const auto file = dir_.Write("program.nc", "G0 X0\n");
    SetComDeviceOverride(5, file.string());
    EXPECT_EQ(FailedOpenMessage(5), "Com5를 열수 없습니다.!!!\n" + file.string() +
                                        ": 시리얼 장치가 아닙니다 (일반 파일)");
    SetComDeviceOverride(5, "/dev/null");
    EXPECT_EQ(FailedOpenMessage(5), "Com5를 열수 없습니다.!!!\n/dev/null: 시리얼 장치가 아닙니다");
}

// Another program holds the port with flock(), as this tool and most serial programs do.
TEST_F(PortOpenFailureTest, APortHeldByAnotherProgramNamesIt) {
    const PtyMaster pty;
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) {
            ::_exit(1);
        }
        ::execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
        ::_exit(1);
    }
    // Held once a lock of our own is refused.
    bool held = false;
    for (int i = 0; i < 500 && !held; ++i) {
        const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        if (!held) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    // Named once it is the sleep program itself that holds it.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    SetComDeviceOverride(7, pty.SlavePath());
    const std::string text = held ? FailedOpenMessage(7) : std::string("not held");
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(text, "Com7를 열수 없습니다.!!!\n" + pty.SlavePath() +
                        ": 다른 프로그램이 쓰고 있습니다 (sleep (PID " + std::to_string(holder) +
                        "))");
}

// A device of the dialout group, opened by a user outside it.
TEST_F(PortOpenFailureTest, NoPermissionTellsHowToJoinTheGroup) {
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr) {
        GTEST_SKIP() << "no dialout group on this system";
    }
    const PtyMaster pty;
    struct stat info {};
    ASSERT_EQ(::stat(pty.SlavePath().c_str(), &info), 0);
    const auto node = dir_.path() / "ttyUSB0";
    if (::mknod(node.c_str(), S_IFCHR | 0660, info.st_rdev) != 0) {
        GTEST_SKIP() << "device nodes cannot be made here (mknod needs root)";
    }
    ASSERT_EQ(::chown(node.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(node.c_str(), 0660), 0);
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
    SetComDeviceOverride(8, node.string());

    const auto text = RunUnprivileged([this] { return FailedOpenMessage(8); });
    ASSERT_TRUE(text);
    EXPECT_EQ(*text,
              "Com8를 열수 없습니다.!!!\n" + node.string() +
                  ": 권한이 없습니다: sudo usermod -aG dialout $USER 한 뒤 다시 로그인하세요");
}

}  // namespace
