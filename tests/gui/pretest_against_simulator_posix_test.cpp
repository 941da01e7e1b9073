// The real main window on the Qt host runs tests against the simulated machine.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <chrono>
#include <filesystem>
#include <functional>

#include "child_process_posix.h"
#include "comm_device_path_posix.h"
#include "nc_program.h"
#include "platform_services.h"
#include "pretest_dlg.h"
#include "qt_dialog_host.h"
#include "qt_platform_services.h"
#include "qt_test_app.h"
#include "temp_dir.h"
#include "test_status.h"
#include "transfer_state.h"

namespace {

using namespace std::chrono_literals;

class PretestOnQtAgainstSimulator : public testing::Test {
  protected:
    PretestOnQtAgainstSimulator() { TestApp(); }

    QString Text(int id) {
        QWidget* widget = host_.ControlWidget(dialog_, id);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            return label->text();
        }
        return qobject_cast<QPlainTextEdit*>(widget)->toPlainText();
    }

    void Press(int id) { qobject_cast<QPushButton*>(host_.ControlWidget(dialog_, id))->click(); }

    // Starts the machine on COM1, presses 전송 once the window is up, lets whileSending act,
    // and quits once an end status shows (kept in endStatus_). Returns the event log shown
    // at the end.
    QString Run(std::vector<std::string> simArgs, const std::function<void()>& whileSending) {
        dir_.Write("StrandexTest03.nc", GenerateNcProgram(250000, 3));
        // The stored rate the window loads: line time is not what these tests are about.
        dir_.Write("Orvane/Velidor.conf", "Boudrate=921600\n");
        simArgs.insert(simArgs.begin(), {CNC_SIM_PATH, "--wait-timeout", "30"});
        sim_.emplace(simArgs);
        const auto slave = sim_->ReadLine(10s);
        EXPECT_TRUE(slave.has_value()) << sim_->Errors();
        if (!slave) {
            return {};
        }
        SetComDeviceOverride(1, *slave);
        // The window takes its default file from the current directory.
        const auto savedDir = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        SetPlatform(&platform_);

        QString log;
        When(
            [&] {
                return host_.WidgetOf(dialog_) != nullptr && host_.WidgetOf(dialog_)->isVisible();
            },
            [&] {
                Press(IDOK);
                EXPECT_EQ(Text(IDC_STATUS), QString::fromUtf8(kSendingStatusText));
                whileSending();
                When([&] { return Text(IDC_STATUS) != QString::fromUtf8(kSendingStatusText); },
                     [&] {
                         endStatus_ = Text(IDC_STATUS);
                         log = Text(IDC_LOG);
                         AnswerMessageBox(QMessageBox::Yes);
                         host_.WidgetOf(dialog_)->close();
                     });
            });
        EXPECT_EQ(dialog_.DoModal(), IDCANCEL);
        SetPlatform(nullptr);
        SetComDeviceOverride(1, "");
        std::filesystem::current_path(savedDir);
        return log;
    }

    QString endStatus_;
    TempDir dir_;
    ScopedEnv settings_{"XDG_CONFIG_DIRS", dir_.path().string()};
    std::optional<ChildProcess> sim_;
    QtDialogHost host_;
    QtPlatformServices platform_{host_};
    CPretestDlg dialog_;
};

TEST_F(PretestOnQtAgainstSimulator, EndsByItselfAtLevel65) {
    const QString log = Run({"--rate", "0"}, [] {});
    EXPECT_EQ(g_transferState.nTransferUnit, 65);
    EXPECT_EQ(endStatus_, QString::fromUtf8(kEndedStatusText));
    EXPECT_TRUE(log.contains(QStringLiteral("테스트완료, 전송중단"))) << log.toStdString();
    ASSERT_TRUE(sim_);
    EXPECT_EQ(sim_->Wait(30s), 0) << sim_->Errors();
}

// A slow machine, so the test is still running when the operator stops it.
TEST_F(PretestOnQtAgainstSimulator, StopsThroughTheQuestion) {
    QString question;
    QStringList answers;
    const QString log =
        Run({"--buffer", "4096", "--xoff-at", "1024", "--xon-at", "256", "--rate", "2000"}, [&] {
            When([] { return g_transferState.nSentBytes > 0; },
                 [&] {
                     AnswerMessageBox(QMessageBox::Yes, [&](const QMessageBox& box) {
                         question = box.text();
                         answers = {box.button(QMessageBox::Yes)->text(),
                                    box.button(QMessageBox::No)->text()};
                     });
                     Press(IDC_STOP);
                 });
        });
    EXPECT_EQ(question, QStringLiteral("전송을 중단하길 원하십니까?"));
    // Qt's own buttons speak Korean too, whatever the locale the suite runs in.
    EXPECT_EQ(answers, QStringList({QStringLiteral("예(&Y)"), QStringLiteral("아니요(&N)")}));
    EXPECT_LT(g_transferState.nTransferUnit, 65);
    // The stop is named as such, no longer as a complete test.
    EXPECT_EQ(endStatus_, QString::fromUtf8(kStoppedStatusText));
    EXPECT_TRUE(log.contains(QStringLiteral("테스트완료, 전송중단"))) << log.toStdString();
}

}  // namespace
