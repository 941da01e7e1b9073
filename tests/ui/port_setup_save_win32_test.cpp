// The 저장 button on Windows, where the only store is the sibling application's registry key.
#include <gtest/gtest.h>

#include "port_setup_dlg.h"
#include "scripted_host.h"

namespace {

TEST(PortSetupSaveTest, SaveDoesNothingOnWindows) {
    ScriptedHost host;
    CPortSetupDlg dlg;
    host.Then([&] {
        host.Press(IDC_SAVE);
        EXPECT_TRUE(host.messageBoxes.empty());
        host.Press(IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

}  // namespace
