#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

#include "port_setup_dlg.h"
#include "qt_dialog_host.h"
#include "qt_test_app.h"
#include "temp_dir.h"

namespace {

template <typename Widget>
Widget* Control(QtDialogHost& host, const CDialog& dialog, int id) {
    return qobject_cast<Widget*>(host.ControlWidget(dialog, id));
}

bool Marked(QtDialogHost& host, const CDialog& dialog, int id) {
    return Control<QRadioButton>(host, dialog, id)->isChecked();
}

// The settings go into real widgets, the operator's clicks and picks come back through the
// host's routing, and OK hands them out; the seven radios in one run must keep the other
// two settings' marks after a click.
TEST(PortSetupOnQt, SettingsRoundTrip) {
    TestApp();
    QtDialogHost host;
    CPortSetupDlg dialog;
    dialog.m_nComID = 3;
    dialog.m_nBaudRate = 4800;
    dialog.m_nDataBits = 8;
    dialog.m_nStopBits = 1;
    dialog.m_nParity = 0;
    dialog.m_bSendSignalWait = 0;

    bool shown = false;
    When([&] { return host.WidgetOf(dialog) != nullptr && host.WidgetOf(dialog)->isVisible(); },
         [&] {
             shown = true;
             auto* port = Control<QComboBox>(host, dialog, IDC_PORT);
             auto* baud = Control<QComboBox>(host, dialog, IDC_BAUD);
             EXPECT_EQ(port->count(), 99);
             // The device Com3 reaches on this machine may follow the number.
             EXPECT_TRUE(port->currentText() == QStringLiteral("Com3") ||
                         port->currentText().startsWith(QStringLiteral("Com3  ")));
             EXPECT_EQ(baud->currentText(), QStringLiteral("4800"));
             EXPECT_TRUE(Marked(host, dialog, IDC_DATABITS8));
             EXPECT_FALSE(Marked(host, dialog, IDC_DATABITS7));
             EXPECT_TRUE(Marked(host, dialog, IDC_STOPBITS1));
             EXPECT_TRUE(Marked(host, dialog, IDC_PARITYNONE));
             EXPECT_FALSE(Control<QCheckBox>(host, dialog, IDC_SENDSIGNALWAIT)->isChecked());

             Control<QRadioButton>(host, dialog, IDC_DATABITS7)->click();
             EXPECT_TRUE(Marked(host, dialog, IDC_DATABITS7));
             EXPECT_FALSE(Marked(host, dialog, IDC_DATABITS8));
             EXPECT_TRUE(Marked(host, dialog, IDC_STOPBITS1));
             EXPECT_TRUE(Marked(host, dialog, IDC_PARITYNONE));
             Control<QRadioButton>(host, dialog, IDC_PARITYODD)->click();
             Control<QCheckBox>(host, dialog, IDC_SENDSIGNALWAIT)->click();

             port->setCurrentIndex(6);
             emit port->activated(6);
             baud->setCurrentIndex(5);
             emit baud->activated(5);
             Control<QPushButton>(host, dialog, IDOK)->click();
         });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(shown);
    EXPECT_EQ(dialog.m_nComID, 7);
    EXPECT_EQ(dialog.m_nBaudRate, 38400);
    EXPECT_EQ(dialog.m_nDataBits, 7);
    EXPECT_EQ(dialog.m_nStopBits, 1);
    EXPECT_EQ(dialog.m_nParity, 1);
    EXPECT_EQ(dialog.m_bSendSignalWait, 1);
}

void PressEnterOn(QWidget* widget) {
    widget->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// As under the Windows dialog manager (checked under Wine): Enter presses the focused push
// button, and elsewhere the template's last default-style button, 저장, which keeps the
// settings in the user's file and says so; that one is also the button drawn as the default.
TEST(PortSetupOnQt, EnterMatchesTheWindowsDialogManager) {
    TestApp();
    const TempDir config;
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().string());
    QtDialogHost host;
    CPortSetupDlg dialog;
    dialog.m_bSendSignalWait = 0;
    bool stayedOpen = false;
    When([&] { return host.WidgetOf(dialog) != nullptr && host.WidgetOf(dialog)->isVisible(); },
         [&] {
             EXPECT_TRUE(Control<QPushButton>(host, dialog, IDC_SAVE)->isDefault());
             EXPECT_FALSE(Control<QPushButton>(host, dialog, IDOK)->isDefault());
             int saved = 0;
             const auto answerSaved = [&saved](const QMessageBox& box) {
                 saved += box.text().startsWith(QStringLiteral("설정을 저장했습니다")) ? 1 : 0;
             };
             AnswerMessageBox(QMessageBox::Ok, answerSaved);
             PressEnterOn(Control<QCheckBox>(host, dialog, IDC_SENDSIGNALWAIT));
             AnswerMessageBox(QMessageBox::Ok, answerSaved);
             PressEnterOn(Control<QComboBox>(host, dialog, IDC_BAUD));
             EXPECT_EQ(saved, 2) << "Enter away from a push button pressed 저장";
             stayedOpen = host.WidgetOf(dialog)->isVisible();
             PressEnterOn(Control<QPushButton>(host, dialog, IDOK));
         });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(stayedOpen);
}

}  // namespace
