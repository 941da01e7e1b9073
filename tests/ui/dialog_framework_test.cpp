#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "dialog.h"
#include "scripted_host.h"

namespace {

constexpr int kName = 10;
constexpr int kFlag = 11;
constexpr int kList = 12;
constexpr int kHide = 13;
constexpr UINT kPing = WM_APP + 7;

constexpr ControlTemplate kControls[] = {
    {IDOK, ControlKind::DefPushButton, "OK", {}, styles::kTabStop},
    {kName, ControlKind::Edit, "", {}, styles::kTabStop},
    {kFlag, ControlKind::CheckBox, "flag", {}, styles::kTabStop},
    {kList, ControlKind::Combo, "", {}, styles::kTabStop},
    {kHide, ControlKind::PushButton, "hide", {}, styles::kTabStop},
};
constexpr DialogTemplate kTemplate{1, "probe", 100, 50, "System", 10, 0, 0, kControls};

class ProbeDlg : public CDialog {
  public:
    ProbeDlg() : CDialog(kTemplate) {}

    std::string name;
    std::int32_t flag = 0;
    CComboBox list;
    std::vector<WPARAM> pings;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, kName, name);
        DDX_Check(pDX, kFlag, flag);
        DDX_Control(pDX, kList, list);
    }
    std::span<const CommandEntry> Commands() const override {
        static const CommandEntry kCommands[] = {OnCommand(kHide, BN_CLICKED, &ProbeDlg::Hide)};
        return kCommands;
    }
    std::span<const MessageEntry> Messages() const override {
        static const MessageEntry kMessages[] = {OnMessage(kPing, &ProbeDlg::OnPing)};
        return kMessages;
    }

  private:
    void Hide() { ShowDlgItem(kHide, false); }
    MessageResult OnPing(WPARAM wParam, LPARAM) {
        pings.push_back(wParam);
        return 0;
    }
};

TEST(DialogFrameworkTest, DataExchangeRunsBothWays) {
    ScriptedHost host;
    ProbeDlg dlg;
    dlg.name = "before";
    dlg.flag = 5;  // not a check state: shown clear
    host.Then([&] {
        EXPECT_EQ(host.Text(kName), "before");
        EXPECT_EQ(host.Checked(kFlag), 0);
        host.Type(kName, "after");
        host.Press(kFlag);
        host.Press(IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.name, "after");
    EXPECT_EQ(dlg.flag, 1);
}

TEST(DialogFrameworkTest, SelectStringMatchesAPrefixIgnoringCaseFromAfterTheStart) {
    struct Case {
        int startAfter;
        const char* text;
        int selected;
    };
    const Case cases[] = {
        {-1, "com", 0}, {0, "com", 2}, {2, "COM", 0},  {0, "Ab", 1},
        {0, "x", -1},   {0, "", 1},    {3, "abc", -1},
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        ProbeDlg dlg;
        host.Then([&] {
            for (const char* item : {"Com1", "ab", "com2", "AB"}) {
                dlg.list.AddString(item);
            }
            dlg.list.SelectString(c.startAfter, c.text);
            EXPECT_EQ(host.ComboSelected(kList), c.selected) << c.startAfter << c.text;
            host.Press(IDOK);
        });
        dlg.DoModal();
    }
}

TEST(DialogFrameworkTest, PostsFromAnyThreadArriveInOrderWhileTheWindowIsOpen) {
    ScriptedHost host;
    ProbeDlg dlg;
    HWND window = nullptr;
    host.Then([&] {
        window = dlg.GetSafeHwnd();
        std::thread([&] {
            for (WPARAM i = 1; i <= 3; ++i) {
                EXPECT_EQ(host.PostToWindow(window, kPing, i, 0), TRUE);
            }
        }).join();
        EXPECT_TRUE(dlg.pings.empty());
        EXPECT_EQ(host.PostToWindow(window, WM_APP - 1, 0, 0), FALSE) << "not a program message";
        host.DeliverPosted();
        host.Press(IDOK);
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.pings, (std::vector<WPARAM>{1, 2, 3}));
    EXPECT_EQ(host.PostToWindow(window, kPing, 4, 0), FALSE);
}

TEST(DialogFrameworkTest, WhatTheScriptDidNotProvideForFailsLoudly) {
    struct Case {
        const char* name;
        void (*step)(ScriptedHost&);
    };
    const Case cases[] = {
        {"message box", [](ScriptedHost& h) { h.TopDialog().MessageBox("?", "c", MB_YESNO); }},
        {"file dialog", [](ScriptedHost& h) { h.OpenFileDialog({}); }},
        {"hidden control",
         [](ScriptedHost& h) {
             h.Press(kHide);
             h.Press(kHide);
         }},
        {"stopped timer", [](ScriptedHost& h) { h.Tick(1); }},
        {"unknown control", [](ScriptedHost& h) { h.Text(99); }},
        {"no steps left", [](ScriptedHost&) {}},
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        ProbeDlg dlg;
        host.Then([&] { c.step(host); });
        EXPECT_THROW(dlg.DoModal(), std::logic_error) << c.name;
        EXPECT_EQ(host.OpenDialogs(), 0) << c.name;
    }
}

}  // namespace
