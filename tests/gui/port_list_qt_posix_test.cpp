// The port list on Qt as an operator with USB adapters sees it, from a device tree of the
// test's own; its picture is left for review.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>

#include "adapter_numbers.h"
#include "comm_device_path_posix.h"
#include "dialog_screenshot.h"
#include "fake_device_tree_posix.h"
#include "port_setup_dlg.h"
#include "qt_dialog_host.h"
#include "qt_test_app.h"

namespace {

TEST(PortListOnQt, AdaptersShowBesideTheirNumbersAndTheListShowsThemWhole) {
    TestApp();
    FakeDeviceTree fake;
    if (!fake.Usable()) {
        GTEST_SKIP() << "device nodes cannot be made here (mknod needs root)";
    }
    const std::string ftdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fake.AddTtyS(0, true);
    fake.AddTtyS(1, false);
    fake.AddUsbAdapter(0, "FT232R USB UART", ftdi);
    fake.AddAcmAdapter(0, "Arduino Uno", "usb-Arduino_Uno_95635333231351F0B0C1-if00");
    const TempDir config;
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().string());
    const ScopedEnv dirs("XDG_CONFIG_DIRS", (config.path() / "none").string());
    SetDeviceTree(fake.tree());
    const int ftdiNumber = PreferredAdapterNumber(ftdi, kLastListedComPort);

    QtDialogHost host;
    CPortSetupDlg dialog;
    dialog.m_nComID = ftdiNumber;
    QDir().mkpath(QStringLiteral("screenshots"));
    const QString path = QDir(QStringLiteral("screenshots"))
                             .absoluteFilePath(QStringLiteral("port-setup-adapters.png"));
    QString shown;
    int listWidth = 0;
    int boxWidth = 0;
    When([&] { return host.WidgetOf(dialog) != nullptr && host.WidgetOf(dialog)->isVisible(); },
         [&] {
             auto* port = qobject_cast<QComboBox*>(host.ControlWidget(dialog, IDC_PORT));
             shown = port->currentText();
             listWidth = port->view()->minimumWidth();
             boxWidth = port->width();
             host.EndModal(dialog, IDCANCEL);
         });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(SaveDialogScreenshot(host, dialog, path, IDC_PORT));
    SetDeviceTree(DeviceTree{});
    EXPECT_EQ(shown.toStdString(),
              "Com" + std::to_string(ftdiNumber) + "  ttyUSB0 FT232R USB UART");
    EXPECT_GT(listWidth, boxWidth) << "the drop-down list is wide enough for the entry";
    std::printf("picture: %s\n", qPrintable(path));
}

}  // namespace
