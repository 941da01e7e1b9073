#include "load_port_settings.h"

#include <gtest/gtest.h>

#include "port_settings.h"
#include "settings_store.h"
#include "temp_dir.h"

namespace {

// Settings files live in config dirs of the test's own; the machine's /etc/xdg and the
// user's ~/.config are never consulted.
class LoadPortSettingsTest : public testing::Test {
  protected:
    void SetUp() override { g_portSettings = DefaultPortSettings(); }

    void WriteSettings(const TempDir& dir, std::string_view text) const {
        dir.Write("Orvane/Velidor.conf", text);
    }

    TempDir first_;
    TempDir second_;
    TempDir user_;
    ScopedEnv env_{"XDG_CONFIG_DIRS",
                   first_.path().string() + ":relative/ignored::" + second_.path().string()};
    ScopedEnv home_{"XDG_CONFIG_HOME", user_.path().string()};
};

TEST_F(LoadPortSettingsTest, NoFileKeepsTheDefaults) {
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nComID, 1);
    EXPECT_EQ(g_portSettings.nBaudRate, 9600);
    EXPECT_EQ(g_portSettings.nDataBits, 7);
    EXPECT_EQ(g_portSettings.nStopBits, 2);
    EXPECT_EQ(g_portSettings.nParity, 2);
    EXPECT_EQ(g_portSettings.bSendSignalWait, 0);
}

TEST_F(LoadPortSettingsTest, ReadsAllSixValuesFromTheFirstDirThatHasTheFile) {
    WriteSettings(second_,
                  "ParityBit=0\nStopBit=1\nDataBit=8\nComID=4\nBoudrate=19200\n"
                  "SendSignalWait=1\n");
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nParity, 0);
    EXPECT_EQ(g_portSettings.nStopBits, 1);
    EXPECT_EQ(g_portSettings.nDataBits, 8);
    EXPECT_EQ(g_portSettings.nComID, 4);
    EXPECT_EQ(g_portSettings.nBaudRate, 19200);
    EXPECT_EQ(g_portSettings.bSendSignalWait, 1);

    WriteSettings(first_, "[General]\r\nComID=7\r\n");
    g_portSettings = DefaultPortSettings();
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nComID, 7);
    EXPECT_EQ(g_portSettings.nBaudRate, 9600) << "the second dir is not merged in";
}

TEST_F(LoadPortSettingsTest, TheUsersFileWinsKeyByKey) {
    WriteSettings(second_, "ComID=9\nBoudrate=19200\nDataBit=8\n");  // never reached
    WriteSettings(first_, "ComID=4\nBoudrate=4800\nStopBit=1\n");
    WriteSettings(user_, "[General]\nComID=6\n[Ports]\nBoudrate=57600\n");
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nComID, 6) << "the user's value";
    EXPECT_EQ(g_portSettings.nBaudRate, 4800) << "the user's file has it in another section";
    EXPECT_EQ(g_portSettings.nStopBits, 1) << "the system's value where the user's file is silent";
    EXPECT_EQ(g_portSettings.nDataBits, 7) << "the default: the second system dir is not read";
}

TEST_F(LoadPortSettingsTest, UsersConfigDirFollowsTheXdgRules) {
    const TempDir home;
    home.Write(".config/Orvane/Velidor.conf", "ComID=11\n");
    const ScopedEnv homeEnv("HOME", home.path().string());
    for (const std::optional<std::string>& configHome :
         {std::optional<std::string>{}, std::optional<std::string>{""},
          std::optional<std::string>{"relative/dir"}}) {
        const ScopedEnv unset("XDG_CONFIG_HOME", configHome);
        g_portSettings = DefaultPortSettings();
        LoadPortSettings();
        EXPECT_EQ(g_portSettings.nComID, 11)
            << "~/.config when XDG_CONFIG_HOME is " << configHome.value_or("unset");
    }
}

TEST_F(LoadPortSettingsTest, MissingValuesLeaveTheirFieldsAlone) {
    WriteSettings(first_, "Boudrate=4800\n[Ports]\nComID=5\n");
    g_portSettings.nComID = 42;
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nBaudRate, 4800);
    EXPECT_EQ(g_portSettings.nComID, 42);
}

TEST_F(LoadPortSettingsTest, OddTextFollowsTheDecimalRule) {
    WriteSettings(first_,
                  "ComID=3com\nDataBit=letters\nStopBit=" + std::string("\x02\x00\x00\x00", 4) +
                      "\nBoudrate=  -1200x\nParityBit=\n");
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nComID, 3);
    EXPECT_EQ(g_portSettings.nDataBits, 0);
    EXPECT_EQ(g_portSettings.nStopBits, 0);
    EXPECT_EQ(g_portSettings.nBaudRate, -1200);
    EXPECT_EQ(g_portSettings.nParity, 0);
}

TEST_F(LoadPortSettingsTest, ValuesOver1023BytesAreNotRead) {
    WriteSettings(first_, "ComID=" + std::string(1022, '0') +
                              "5\nBoudrate=" + std::string(1021, '0') + "2400\n");
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nComID, 5) << "1023 bytes still fit";
    EXPECT_EQ(g_portSettings.nBaudRate, 9600) << "1025 bytes do not";
}

TEST_F(LoadPortSettingsTest, AFileOverAMegabyteIsNoSettingsFile) {
    WriteSettings(first_, "ComID=4\nBoudrate=4800\n");
    const auto fileOf = [](std::string_view keys, std::size_t size) {
        std::string text(keys);
        text.resize(size, '#');
        return text;
    };
    WriteSettings(user_, fileOf("ComID=6\n#", 1 << 20));
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nComID, 6) << "1 MB is still read";
    EXPECT_EQ(g_portSettings.nBaudRate, 4800);

    WriteSettings(user_, fileOf("ComID=8\n#", (1 << 20) + 1));
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nComID, 4) << "one byte more is not, and the system's file fills in";
}

TEST_F(LoadPortSettingsTest, OnlyTheMachineRootIsKnown) {
    WriteSettings(first_, "ComID=3\n");
    std::string out = "unchanged";
    EXPECT_EQ(
        ReadRegistryString(RegistryRoot::LocalMachine, "SOFTWARE\\Orvane\\Velidor", "ComID", out),
        TRUE);
    EXPECT_EQ(out, "3");
    for (const char* subkey : {"Orvane\\Velidor", "SOFTWARE\\..\\Velidor", "SOFTWARE\\",
                               "SOFTWARE\\Orvane/..\\Velidor"}) {
        out = "unchanged";
        EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, subkey, "ComID", out), FALSE)
            << subkey;
        EXPECT_EQ(out, "unchanged");
    }
}

}  // namespace
