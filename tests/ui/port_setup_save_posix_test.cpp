// The 저장 button where the tool has a settings file of its own.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "port_setup_dlg.h"
#include "scripted_host.h"
#include "temp_dir.h"
#include "unprivileged_posix.h"

namespace {

std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class PortSetupSaveTest : public testing::Test {
  protected:
    std::filesystem::path UserFile() const { return config_.path() / "Orvane" / "Velidor.conf"; }

    // Opens the dialog on 3, 9600, 7E2 without wait, picks Com5, 19200, 8 bits, odd parity and
    // the wait, presses 저장 and then Cancel; the box shown, if any.
    std::vector<ScriptedHost::MessageBoxCall> SaveChoices() {
        ScriptedHost host;
        CPortSetupDlg dlg;
        dlg.m_nComID = 3;
        dlg.m_nBaudRate = 9600;
        dlg.m_nDataBits = 7;
        dlg.m_nStopBits = 2;
        dlg.m_nParity = 2;
        dlg.m_bSendSignalWait = 0;
        host.Then([&] {
            host.SelectComboItem(IDC_PORT, 4);
            host.SelectComboItem(IDC_BAUD, 4);
            host.Press(IDC_DATABITS8);
            host.Press(IDC_PARITYODD);
            host.Press(IDC_SENDSIGNALWAIT);
            host.AnswerNextMessageBox(IDOK);
            host.Press(IDC_SAVE);
            host.Press(IDCANCEL);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        return host.messageBoxes;
    }

    TempDir config_;
    ScopedEnv home_{"XDG_CONFIG_HOME", config_.path().string()};
};

TEST_F(PortSetupSaveTest, SaveWritesTheSixSettingsAsTheDialogShowsThem) {
    config_.Write("Orvane/Velidor.conf",
                  "; kept\n[General]\nComID=1\n[Ports]\nCOM5=/dev/ttyUSB0\n");
    const auto boxes = SaveChoices();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "설정을 저장했습니다.\n" + UserFile().string());
    EXPECT_EQ(boxes[0].caption, "DNC message");
    EXPECT_EQ(Contents(UserFile()),
              "; kept\n[General]\nComID=5\nBoudrate=19200\nDataBit=8\nStopBit=2\nParityBit=1\n"
              "SendSignalWait=1\n[Ports]\nCOM5=/dev/ttyUSB0\n");
}

TEST_F(PortSetupSaveTest, AFolderThatCannotBeWrittenGivesAClearMessage) {
    const std::string before = "[General]\nComID=1\n";
    config_.Write("Orvane/Velidor.conf", before);
    ASSERT_EQ(::chmod(config_.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(UserFile().parent_path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(UserFile().c_str(), 0644), 0);
    // Owned by root and not writable by the unprivileged user who presses the button.
    const auto text = RunUnprivileged([this] {
        const auto boxes = SaveChoices();
        return boxes.size() == 1 ? boxes[0].text
                                 : std::string("boxes: ") + std::to_string(boxes.size());
    });
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "설정을 저장할 수 없습니다.\n" + UserFile().string() + ": 권한이 없습니다");
    EXPECT_EQ(Contents(UserFile()), before);
}

}  // namespace
