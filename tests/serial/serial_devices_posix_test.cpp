#include "serial_devices_posix.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "adapter_numbers.h"
#include "comm_device_path_posix.h"
#include "fake_device_tree_posix.h"
#include "port_list.h"
#include "pty_master_posix.h"
#include "temp_dir.h"

namespace {

using testing::ElementsAre;

const std::string kFtdiId = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string kArduinoId = "usb-Arduino__www.arduino.cc__0043_95635333231351F0B0C1-if00";

// A laptop-like machine: one real UART (ttyS0), three empty ttyS slots, no settings.
class SerialDevicesTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!fake_.Usable()) {
            GTEST_SKIP() << "device nodes cannot be made here (mknod needs root)";
        }
        fake_.AddTtyS(0, true);
        for (int slot = 1; slot < 4; ++slot) {
            fake_.AddTtyS(slot, false);
        }
        SetDeviceTree(fake_.tree());
    }
    void TearDown() override { SetDeviceTree(DeviceTree{}); }

    std::string Entry(int number) { return ComPortListTexts(kLastListedComPort)[number - 1]; }

    FakeDeviceTree fake_;
    TempDir config_;
    ScopedEnv home_{"XDG_CONFIG_HOME", (config_.path() / "home").string()};
    ScopedEnv dirs_{"XDG_CONFIG_DIRS", (config_.path() / "system").string()};
};

TEST_F(SerialDevicesTest, AdaptersAreFoundWithTheirProductsAndStableNames) {
    fake_.AddUsbAdapter(0, "FT232R USB UART", kFtdiId);
    fake_.AddAcmAdapter(0, "Arduino Uno", kArduinoId);
    fake_.AddUsbAdapter(1, "CP2102 USB to UART Bridge Controller", "");
    const auto devices = FindSerialAdapters(fake_.tree());
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].name, "ttyACM0");
    EXPECT_EQ(devices[0].byId, kArduinoId);
    EXPECT_EQ(devices[0].product, "Arduino Uno");
    EXPECT_EQ(devices[1].name, "ttyUSB0");
    EXPECT_EQ(devices[1].path, (fake_.tree().dev / "ttyUSB0").string());
    EXPECT_EQ(devices[1].byId, kFtdiId);
    EXPECT_EQ(devices[1].product, "FT232R USB UART");
    EXPECT_EQ(devices[2].name, "ttyUSB1");
    EXPECT_EQ(devices[2].byId, "");
    EXPECT_EQ(devices[2].product, "CP2102 USB to UART Bridge Controller");
}

TEST_F(SerialDevicesTest, OnlyTtySWithAUartShows) {
    EXPECT_EQ(Entry(1), "Com1  ttyS0");
    EXPECT_EQ(Entry(2), "Com2") << "ttyS1 has no UART behind it";
    EXPECT_TRUE(HasUart(fake_.tree(), "ttyS0"));
    EXPECT_FALSE(HasUart(fake_.tree(), "ttyS1"));
    EXPECT_FALSE(HasUart(fake_.tree(), "ttyS9")) << "no slot at all";
}

TEST_F(SerialDevicesTest, AnAdapterGetsItsNumberByItsByIdNameAndKeepsIt) {
    fake_.AddUsbAdapter(0, "FT232R USB UART", kFtdiId);
    const int number = PreferredAdapterNumber(kFtdiId, kLastListedComPort);
    ASSERT_NE(number, 1) << "this adapter's name would ask for the UART's number";
    const auto list = ComPortListTexts(kLastListedComPort);
    ASSERT_EQ(list.size(), 99u);
    EXPECT_EQ(list[number - 1], "Com" + std::to_string(number) + "  ttyUSB0 FT232R USB UART");
    EXPECT_EQ(ResolveComDevicePath("COM" + std::to_string(number)),
              (fake_.tree().dev / "ttyUSB0").string());
    for (int n = 1; n <= 99; ++n) {
        EXPECT_THAT(list[n - 1], testing::StartsWith("Com" + std::to_string(n)));
    }

    // Pulled, another adapter plugged, then plugged again as ttyUSB1: the same number.
    fake_.Remove("ttyUSB0");
    EXPECT_EQ(Entry(number), "Com" + std::to_string(number));
    EXPECT_EQ(ResolveComDevicePath("COM" + std::to_string(number)),
              (fake_.tree().dev / ("ttyS" + std::to_string(number - 1))).string());
    fake_.AddAcmAdapter(0, "Arduino Uno", kArduinoId);
    fake_.AddUsbAdapter(1, "FT232R USB UART", kFtdiId);
    EXPECT_EQ(Entry(number), "Com" + std::to_string(number) + "  ttyUSB1 FT232R USB UART");
}

TEST_F(SerialDevicesTest, NumbersNamedInPortsOrWithAUartAreNotGiven) {
    fake_.AddUsbAdapter(0, "FT232R USB UART", kFtdiId);
    const int wanted = PreferredAdapterNumber(kFtdiId, kLastListedComPort);
    config_.Write("home/Orvane/Velidor.conf",
                  "[Ports]\nCOM" + std::to_string(wanted) + "=/dev/null\n");
    EXPECT_EQ(Entry(wanted), "Com" + std::to_string(wanted) + "  /dev/null")
        << "the [Ports] line keeps its number; a device that is there but no port shows "
           "as its path";
    const int next = wanted % 99 + 1;
    EXPECT_EQ(Entry(next), "Com" + std::to_string(next) + "  ttyUSB0 FT232R USB UART");
}

TEST_F(SerialDevicesTest, AnAdapterThatAPortsLineReachesGetsNoSecondNumber) {
    fake_.AddUsbAdapter(0, "FT232R USB UART", kFtdiId);
    config_.Write("system/Orvane/Velidor.conf",
                  "[Ports]\nCOM3=" + (fake_.tree().dev / "serial/by-id" / kFtdiId).string() + "\n");
    const auto list = ComPortListTexts(kLastListedComPort);
    EXPECT_EQ(list[2], "Com3  ttyUSB0 FT232R USB UART");
    EXPECT_EQ(std::count_if(list.begin(), list.end(),
                            [](const std::string& entry) {
                                return entry.find("ttyUSB0") != std::string::npos;
                            }),
              1);
}

// A pty is a terminal but no serial port: whatever it is called, it is not offered.
TEST_F(SerialDevicesTest, APtyIsNotOfferedAsASerialPort) {
    const PtyMaster pty;
    fake_.AddByIdLink("usb-Fake_pty-if00", pty.SlavePath());
    struct stat info {};
    ASSERT_EQ(::stat(pty.SlavePath().c_str(), &info), 0);
    fake_.AddNode("ttyUSB7", major(info.st_rdev), minor(info.st_rdev));
    DeviceTree mixed = fake_.tree();
    mixed.sys = "/sys";  // the kernel's own tree, which knows the pty
    EXPECT_THAT(FindSerialAdapters(mixed), testing::IsEmpty());
    EXPECT_EQ(DescribeSerialDevice(mixed, pty.SlavePath()), std::nullopt);
    EXPECT_EQ(DescribeSerialDevice(DeviceTree{}, pty.SlavePath()), std::nullopt);
}

}  // namespace
