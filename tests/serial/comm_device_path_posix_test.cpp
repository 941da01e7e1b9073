#include "comm_device_path_posix.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace {

// A settings file with a [Ports] section, found through XDG_CONFIG_DIRS.
class ComDevicePathTest : public ::testing::Test {
  protected:
    ComDevicePathTest() {
        dir_.Write("Orvane/Velidor.conf",
                   "ComID=3\r\n"
                   "[Ports]\r\n"
                   "COM3=/dev/ttyUSB0\r\n"
                   "com12 = /dev/ttyACM1\r\n"
                   "COM5=\r\n");
    }

    const TempDir dir_;
    const ScopedEnv env_{"XDG_CONFIG_DIRS", dir_.path().string()};
    const ScopedEnv home_{"XDG_CONFIG_HOME", (dir_.path() / "no-user-settings").string()};
};

TEST_F(ComDevicePathTest, NameResolvesThroughPortsEntryElseDefaultDevice) {
    struct Case {
        const char* name;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"COM3", "/dev/ttyUSB0"},
        {"com3", "/dev/ttyUSB0"},
        {"\\\\.\\COM12", "/dev/ttyACM1"},
        {"COM12", "/dev/ttyACM1"},
        {"COM1", "/dev/ttyS0"},
        {"COM4", "/dev/ttyS3"},
        {"COM5", "/dev/ttyS4"},
        {"\\\\.\\COM20", "/dev/ttyS19"},
        {"COM0", std::nullopt},
        {"\\\\.\\COM0", std::nullopt},
        {"COM-1", std::nullopt},
        {"LPT1", std::nullopt},
        {"COM", std::nullopt},
        {"COM3x", std::nullopt},
        {"", std::nullopt},
        {"/dev/ttyS0", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveComDevicePath(c.name), c.path) << c.name;
    }
}

TEST_F(ComDevicePathTest, OverrideBeatsPortsEntryUntilRemoved) {
    SetComDeviceOverride(3, "/dev/pts/7");
    SetComDeviceOverride(30, "/dev/pts/8");
    EXPECT_EQ(ResolveComDevicePath("COM3"), "/dev/pts/7");
    EXPECT_EQ(ResolveComDevicePath("\\\\.\\COM30"), "/dev/pts/8");
    EXPECT_EQ(ResolveComDevicePath("COM12"), "/dev/ttyACM1");

    SetComDeviceOverride(3, "");
    SetComDeviceOverride(30, "");
    EXPECT_EQ(ResolveComDevicePath("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolveComDevicePath("COM30"), "/dev/ttyS29");
}

TEST(ComDevicePath, WithoutSettingsFileEveryPortIsTtyS) {
    const TempDir empty;
    const ScopedEnv env("XDG_CONFIG_DIRS", empty.path().string());
    const ScopedEnv home("XDG_CONFIG_HOME", empty.path().string());
    EXPECT_EQ(ResolveComDevicePath("COM3"), "/dev/ttyS2");
    EXPECT_EQ(ResolveComDevicePath("\\\\.\\COM12"), "/dev/ttyS11");
}

}  // namespace
