#include "settings_save.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "load_port_settings.h"
#include "port_settings.h"
#include "temp_dir.h"
#include "unprivileged_posix.h"

namespace {

using testing::HasSubstr;

std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

PortSettings Chosen() {
    PortSettings settings;
    settings.nComID = 5;
    settings.nBaudRate = 19200;
    settings.nDataBits = 8;
    settings.nStopBits = 1;
    settings.nParity = 0;
    settings.bSendSignalWait = 1;
    return settings;
}

// The user's config dir and a system one of the test's own.
class SettingsSaveTest : public testing::Test {
  protected:
    std::filesystem::path UserFile() const { return user_.path() / "Orvane" / "Velidor.conf"; }

    TempDir user_;
    TempDir system_;
    ScopedEnv home_{"XDG_CONFIG_HOME", user_.path().string()};
    ScopedEnv dirs_{"XDG_CONFIG_DIRS", system_.path().string()};
};

TEST_F(SettingsSaveTest, RoundTripKeepsTheFileLineForLineButTheSixValues) {
    const std::string before =
        "# my own notes\r\n"
        "[General]\r\n"
        "ComID=1          ; the cable on the left\r\n"
        "Boudrate=9600\r\n"
        "Extra=kept\r\n"
        "ParityBit=2\r\n"
        "\r\n"
        "[Ports]\r\n"
        "COM5=/dev/ttyUSB0\r\n"
        "ComID=77\r\n";
    user_.Write("Orvane/Velidor.conf", before);
    system_.Write("Orvane/Velidor.conf", "DataBit=7\nStopBit=2\n");

    const SettingsSaveResult result = SavePortSettings(Chosen());
    ASSERT_EQ(result.outcome, SettingsSaveResult::Outcome::Saved) << result.reason;
    EXPECT_EQ(result.file, UserFile().string());
    EXPECT_EQ(Contents(UserFile()),
              "# my own notes\r\n"
              "[General]\r\n"
              "ComID=5          ; the cable on the left\r\n"
              "Boudrate=19200\r\n"
              "Extra=kept\r\n"
              "ParityBit=0\r\n"
              "DataBit=8\r\n"
              "StopBit=1\r\n"
              "SendSignalWait=1\r\n"
              "\r\n"
              "[Ports]\r\n"
              "COM5=/dev/ttyUSB0\r\n"
              "ComID=77\r\n");

    g_portSettings = DefaultPortSettings();
    LoadPortSettings();
    EXPECT_EQ(g_portSettings.nComID, 5);
    EXPECT_EQ(g_portSettings.nBaudRate, 19200);
    EXPECT_EQ(g_portSettings.nDataBits, 8) << "the user's value over the system's";
    EXPECT_EQ(g_portSettings.nStopBits, 1);
    EXPECT_EQ(g_portSettings.nParity, 0);
    EXPECT_EQ(g_portSettings.bSendSignalWait, 1);
    EXPECT_EQ(Contents(system_.path() / "Orvane" / "Velidor.conf"), "DataBit=7\nStopBit=2\n")
        << "the system's file is never written";
}

TEST_F(SettingsSaveTest, MakesTheFileAndItsFolderWhenMissing) {
    const SettingsSaveResult result = SavePortSettings(Chosen());
    ASSERT_EQ(result.outcome, SettingsSaveResult::Outcome::Saved) << result.reason;
    EXPECT_EQ(Contents(UserFile()),
              "[General]\nComID=5\nBoudrate=19200\nDataBit=8\nStopBit=1\nParityBit=0\n"
              "SendSignalWait=1\n");
    struct stat info {};
    ASSERT_EQ(::stat(UserFile().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "a new config folder is the user's alone";
    for (const auto& entry : std::filesystem::directory_iterator(UserFile().parent_path())) {
        EXPECT_EQ(entry.path(), UserFile()) << "no temporary file is left behind";
    }
}

TEST_F(SettingsSaveTest, ALinkedFileIsWrittenWhereItIsAndTheLinkStays) {
    const auto kept = user_.Write("dotfiles/velidor.conf", "# from my dotfiles\nComID=2\n");
    std::filesystem::create_directories(UserFile().parent_path());
    std::filesystem::create_symlink(kept, UserFile());
    ASSERT_EQ(SavePortSettings(Chosen()).outcome, SettingsSaveResult::Outcome::Saved);
    EXPECT_TRUE(std::filesystem::is_symlink(UserFile()));
    EXPECT_THAT(Contents(kept), HasSubstr("# from my dotfiles\nComID=5\n"));
}

// As a user meets it: a folder the user may not write, the old file untouched and no part
// of a new one anywhere.
TEST_F(SettingsSaveTest, AReadOnlyFolderGivesTheReasonAndLeavesTheOldFile) {
    const std::string before = "[General]\nComID=3\n";
    user_.Write("Orvane/Velidor.conf", before);
    const auto folder = UserFile().parent_path();
    ASSERT_EQ(::chmod(user_.path().c_str(), 0755), 0);
    ASSERT_EQ(::chown(folder.c_str(), kUnprivilegedId, kUnprivilegedId), 0);
    ASSERT_EQ(::chown(UserFile().c_str(), kUnprivilegedId, kUnprivilegedId), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    const auto outcome = RunUnprivileged([] {
        const SettingsSaveResult result = SavePortSettings(Chosen());
        return std::to_string(static_cast<int>(result.outcome)) + "|" + result.file + "|" +
               result.reason;
    });
    ASSERT_TRUE(outcome);
    EXPECT_EQ(*outcome, std::to_string(static_cast<int>(SettingsSaveResult::Outcome::Failed)) +
                            "|" + UserFile().string() + "|권한이 없습니다");
    EXPECT_EQ(Contents(UserFile()), before);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++entries;
    }
    EXPECT_EQ(entries, 1) << "nothing half-written beside it";
    ::chmod(folder.c_str(), 0755);
}

TEST_F(SettingsSaveTest, AFileThatCannotBeReadIsNotReplaced) {
    std::filesystem::create_directories(UserFile());  // a folder where the file should be
    const SettingsSaveResult result = SavePortSettings(Chosen());
    EXPECT_EQ(result.outcome, SettingsSaveResult::Outcome::Failed);
    EXPECT_EQ(result.reason, "일반 파일이 아닙니다");
    EXPECT_TRUE(std::filesystem::is_directory(UserFile()));
}

}  // namespace
