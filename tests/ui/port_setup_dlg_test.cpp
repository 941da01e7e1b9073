#include "port_setup_dlg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "about_dlg.h"
#include "scripted_host.h"
#include "temp_dir.h"

namespace {

struct Members {
    std::int32_t comID = 1;
    std::int32_t baudRate = 9600;
    std::int32_t dataBits = 7;
    std::int32_t stopBits = 2;
    std::int32_t parity = 2;
    std::int32_t sendSignalWait = 0;
};

void Fill(CPortSetupDlg& dlg, const Members& m) {
    dlg.m_nComID = m.comID;
    dlg.m_nBaudRate = m.baudRate;
    dlg.m_nDataBits = m.dataBits;
    dlg.m_nStopBits = m.stopBits;
    dlg.m_nParity = m.parity;
    dlg.m_bSendSignalWait = m.sendSignalWait;
}

Members Read(const CPortSetupDlg& dlg) {
    return {dlg.m_nComID,    dlg.m_nBaudRate, dlg.m_nDataBits,
            dlg.m_nStopBits, dlg.m_nParity,   dlg.m_bSendSignalWait};
}

bool operator==(const Members& a, const Members& b) {
    return a.comID == b.comID && a.baudRate == b.baudRate && a.dataBits == b.dataBits &&
           a.stopBits == b.stopBits && a.parity == b.parity && a.sendSignalWait == b.sendSignalWait;
}

// The marks of the seven radio buttons, in template order.
std::vector<int> RadioMarks(ScriptedHost& host) {
    std::vector<int> marks;
    for (int id : {IDC_DATABITS7, IDC_DATABITS8, IDC_STOPBITS1, IDC_STOPBITS2, IDC_PARITYNONE,
                   IDC_PARITYODD, IDC_PARITYEVEN}) {
        marks.push_back(host.Checked(id));
    }
    return marks;
}

TEST(PortSetupDlgTest, ListsAndSelectionFollowTheMembersWhichOkHandsBackUntouched) {
    struct Case {
        std::int32_t comID;
        std::int32_t baudRate;
        int portSelected;
        int baudSelected;
    };
    const Case cases[] = {
        {1, 9600, 0, 3},    {99, 57600, 98, 6},
        {7, 1200, 6, 0},     // found last, after the wrap-around
        {0, 4, -1, 2},       // a prefix of 4800
        {100, 300, -1, -1},  // no entry begins with 300
        {-3, 0, -1, -1},
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        CPortSetupDlg dlg;
        const Members before{c.comID, c.baudRate, 8, 1, 0, 1};
        Fill(dlg, before);
        host.Then([&] {
            EXPECT_EQ(host.ComboSelected(IDC_PORT), c.portSelected) << c.comID;
            EXPECT_EQ(host.ComboSelected(IDC_BAUD), c.baudSelected) << c.baudRate;
            host.Press(IDOK);
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(Read(dlg) == before) << c.comID << " " << c.baudRate;
    }
}

TEST(PortSetupDlgTest, TemplateTextsAndLists) {
    const TempDir config;  // where 저장 may write, on a platform where it writes
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().string());
    ScriptedHost host;
    CPortSetupDlg dlg;
    host.Then([&] {
        const auto ports = host.ComboItems(IDC_PORT);
        ASSERT_EQ(ports.size(), 99u);
        // The number first; the device it reaches may follow where the platform tells.
        for (int n = 1; n <= 99; ++n) {
            const std::string number = "Com" + std::to_string(n);
            EXPECT_TRUE(ports[n - 1] == number || ports[n - 1].starts_with(number + "  "))
                << ports[n - 1];
        }
        EXPECT_THAT(host.ComboItems(IDC_BAUD), testing::ElementsAre("1200", "2400", "4800", "9600",
                                                                    "19200", "38400", "57600"));
        EXPECT_EQ(host.Text(IDC_SENDSIGNALWAIT), "전송신호 대기");
        EXPECT_EQ(host.Text(IDC_SAVE), "저장");
        EXPECT_EQ(host.FocusedId(), IDOK);
        // Where the platform saves, it says so in a box; the dialog stays open either way.
        host.AnswerNextMessageBox(IDOK);
        host.Press(IDC_SAVE);
    });
    host.Then([&] { host.PressEscape(); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.Template().caption, "COM 포트 설정");
}

TEST(PortSetupDlgTest, ARadioClickMarksAllThreeSettingsAgain) {
    struct Case {
        Members start;
        int click;
        std::vector<int> marks;  // 7 8 | 1 2 | none odd even
    };
    const Case cases[] = {
        {{1, 9600, 7, 2, 2, 0}, IDC_DATABITS8, {0, 1, 0, 1, 0, 0, 1}},
        {{1, 9600, 7, 2, 2, 0}, IDC_PARITYNONE, {1, 0, 0, 1, 1, 0, 0}},
        {{1, 9600, 8, 1, 1, 0}, IDC_STOPBITS2, {0, 1, 0, 1, 0, 1, 0}},
        // A value the dialog does not offer leaves its group unmarked after any click.
        {{1, 9600, 7, 3, 2, 0}, IDC_DATABITS8, {0, 1, 0, 0, 0, 0, 1}},
        {{1, 9600, 7, 2, 9, 0}, IDC_STOPBITS1, {1, 0, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        CPortSetupDlg dlg;
        Fill(dlg, c.start);
        host.Then([&] {
            host.Press(c.click);
            EXPECT_EQ(RadioMarks(host), c.marks) << c.click;
            host.Press(IDOK);
        });
        dlg.DoModal();
    }
}

TEST(PortSetupDlgTest, OkTakesTheOperatorsChoices) {
    ScriptedHost host;
    CPortSetupDlg dlg;
    Fill(dlg, {4, 300, 9, 3, 7, 0});
    host.Then([&] {
        host.SelectComboItem(IDC_PORT, 4);
        host.SelectComboItem(IDC_BAUD, 4);
        host.Press(IDC_DATABITS8);
        host.Press(IDC_STOPBITS1);
        host.Press(IDC_PARITYODD);
        host.Press(IDC_SENDSIGNALWAIT);
        host.Press(IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(Read(dlg) == (Members{5, 19200, 8, 1, 1, 1}));
}

TEST(PortSetupDlgTest, TheCheckBoxTickedTwiceHandsBackItsStartingValue) {
    for (std::int32_t start : {0, 1}) {
        ScriptedHost host;
        CPortSetupDlg dlg;
        Fill(dlg, {1, 9600, 7, 2, 2, start});
        host.Then([&] {
            EXPECT_EQ(host.Checked(IDC_SENDSIGNALWAIT), start);
            host.Press(IDC_SENDSIGNALWAIT);
            host.Press(IDC_SENDSIGNALWAIT);
            // Not Enter: with the focus on the check box that presses 저장, the template's
            // default button, as the Windows dialog manager does (the test below).
            host.Press(IDOK);
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_bSendSignalWait, start);
    }
}

// Enter presses the focused push button; elsewhere it presses the last default-style button
// of the template, 저장, which has no action, as under the Windows dialog manager.
// Enter away from a push button presses 저장, which keeps the settings where the tool has a
// file of its own and otherwise does nothing; the dialog stays open either way.
TEST(PortSetupDlgTest, EnterPressesTheFocusedButtonElseSave) {
    const TempDir config;
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().string());
    ScriptedHost host;
    CPortSetupDlg dlg;
    Fill(dlg, {1, 9600, 7, 2, 2, 0});
    host.Then([&] {
        host.Press(IDC_SENDSIGNALWAIT);
        ASSERT_EQ(host.FocusedId(), IDC_SENDSIGNALWAIT);
        host.AnswerNextMessageBox(IDOK);
        host.PressEnter();
        EXPECT_EQ(host.OpenDialogs(), 1) << "the dialog stays open";
        host.PressEscape();
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_bSendSignalWait, 1) << "the click itself counts, Enter added nothing";

    host.Then([&] {
        EXPECT_EQ(host.FocusedId(), IDOK);
        host.PressEnter();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST(AboutDlgTest, EveryWayOutClosesTheBox) {
    struct Case {
        const char* name;
        void (*close)(ScriptedHost&);
        int result;
    };
    const Case cases[] = {
        {"확인", [](ScriptedHost& h) { h.Press(IDOK); }, IDOK},
        {"Enter", [](ScriptedHost& h) { h.PressEnter(); }, IDOK},
        {"Escape", [](ScriptedHost& h) { h.PressEscape(); }, IDCANCEL},
        {"close box", [](ScriptedHost& h) { h.RequestClose(); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        CAboutDlg dlg;
        host.Then([&] {
            EXPECT_EQ(host.FocusedId(), IDOK);
            c.close(host);
        });
        EXPECT_EQ(dlg.DoModal(), c.result) << c.name;
    }
}

}  // namespace
