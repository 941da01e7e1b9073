#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <atomic>
#include <filesystem>
#include <thread>

#include "about_dlg.h"
#include "platform_services.h"
#include "pretest_dlg.h"
#include "qt_dialog_host.h"
#include "qt_platform_services.h"
#include "qt_test_app.h"
#include "result_dlg.h"
#include "temp_dir.h"
#include "test_status.h"
#include "transfer_state.h"

namespace {

class PretestOnQt : public testing::Test {
  protected:
    PretestOnQt() : savedDir_(std::filesystem::current_path()) {
        TestApp();
        std::filesystem::current_path(dir_.path());
        SetPlatform(&platform_);
    }
    ~PretestOnQt() override {
        SetPlatform(nullptr);
        std::filesystem::current_path(savedDir_);
    }

    QString Text(const CDialog& dialog, int id) {
        QWidget* widget = host_.ControlWidget(dialog, id);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            return label->text();
        }
        return qobject_cast<QPlainTextEdit*>(widget)->toPlainText();
    }

    TempDir dir_;
    ScopedEnv settings_{"XDG_CONFIG_DIRS", dir_.path().string()};
    std::filesystem::path savedDir_;
    QtDialogHost host_;
    QtPlatformServices platform_{host_};
};

// The window opens with its title, texts and the about entry, and the close box asks
// before it ends the run, with Qt's buttons in Korean as the rest of the window.
TEST_F(PretestOnQt, OpensAndClosesThroughTheQuitQuestion) {
    CPretestDlg dialog(nullptr, [](const WorkerParam&) { return false; });
    QString question;
    QStringList answers;
    When([&] { return host_.WidgetOf(dialog) != nullptr && host_.WidgetOf(dialog)->isVisible(); },
         [&] {
             QDialog* window = host_.WidgetOf(dialog);
             EXPECT_EQ(window->windowTitle(), QStringLiteral("Strandex 사전 테스트(Orvane)"));
             EXPECT_EQ(Text(dialog, IDC_STATUS), QStringLiteral("전송 상태"));
             EXPECT_EQ(Text(dialog, IDC_PROGRESS_LINE), QStringLiteral("전송 (0/0)"));
             EXPECT_TRUE(host_.ControlWidget(dialog, IDC_SETTINGS)->isVisible());
             ASSERT_FALSE(window->actions().isEmpty());
             // The about item, then the result item, greyed until a test has ended.
             const QList<QAction*> actions = window->actions();
             ASSERT_EQ(actions.size(), 3);
             EXPECT_EQ(actions[0]->text(), QString::fromUtf8(kAboutMenuText));
             EXPECT_TRUE(actions[1]->isSeparator());
             EXPECT_EQ(actions[2]->text(), QString::fromUtf8(kResultMenuText));
             EXPECT_FALSE(actions[2]->isEnabled());
             AnswerMessageBox(QMessageBox::Yes, [&](const QMessageBox& box) {
                 question = box.text();
                 answers = {box.button(QMessageBox::Yes)->text(),
                            box.button(QMessageBox::No)->text()};
             });
             window->close();
         });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(question, QStringLiteral("DNC를 끝내길 원하십니까?"));
    EXPECT_EQ(answers, QStringList({QStringLiteral("예(&Y)"), QStringLiteral("아니요(&N)")}));
}

// Text added to the log box goes to its end without the box being filled anew (the first
// line keeps a mark a new fill would drop), and the box shows its end, however the operator
// had scrolled or selected.
TEST_F(PretestOnQt, TheLogBoxTakesAddedTextAtItsEnd) {
    CPretestDlg dialog(nullptr, [](const WorkerParam&) { return false; });
    When([&] { return host_.WidgetOf(dialog) != nullptr && host_.WidgetOf(dialog)->isVisible(); },
         [&] {
             auto* log = qobject_cast<QPlainTextEdit*>(host_.ControlWidget(dialog, IDC_LOG));
             std::string lines;
             for (int n = 0; n < 200; ++n) {
                 lines += "line " + std::to_string(n) + "\r\n";
             }
             host_.SetText(dialog, IDC_LOG, lines);
             log->document()->firstBlock().setUserState(42);
             log->moveCursor(QTextCursor::Start);
             log->moveCursor(QTextCursor::Down, QTextCursor::KeepAnchor);
             host_.AppendText(dialog, IDC_LOG, "added 1\r\nadded 2\r\n");
             EXPECT_EQ(host_.GetText(dialog, IDC_LOG), lines + "added 1\r\nadded 2\r\n");
             EXPECT_EQ(log->document()->firstBlock().userState(), 42);
             EXPECT_EQ(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());
             EXPECT_GT(log->verticalScrollBar()->maximum(), 0);
             AnswerMessageBox(QMessageBox::Yes);
             host_.WidgetOf(dialog)->close();
         });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

// Enter in the path box is the send command, as on Windows; here the default file is
// missing, so send says so.
TEST_F(PretestOnQt, EnterInThePathBoxSends) {
    CPretestDlg dialog(nullptr, [](const WorkerParam&) { return false; });
    QString said;
    QString okText;
    When([&] { return host_.WidgetOf(dialog) != nullptr && host_.WidgetOf(dialog)->isVisible(); },
         [&] {
             QWidget* path = host_.ControlWidget(dialog, IDC_FILEPATH);
             qobject_cast<QPushButton*>(host_.ControlWidget(dialog, IDC_SETTINGS))->setFocus();
             path->setFocus();
             AnswerMessageBox(QMessageBox::Ok, [&](const QMessageBox& box) {
                 said = box.text();
                 okText = box.button(QMessageBox::Ok)->text();
             });
             QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QApplication::sendEvent(path, &press);
             When([&] { return !said.isEmpty() && OpenMessageBox() == nullptr; },
                  [&] {
                      AnswerMessageBox(QMessageBox::Yes);
                      host_.WidgetOf(dialog)->close();
                  });
         });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(said.startsWith(QString::fromUtf8(kFileMissingText))) << said.toStdString();
    EXPECT_EQ(okText, QStringLiteral("확인"));
}

// The browse button opens the file dialog listing NC programs first, and the chosen path
// becomes the file under test.
TEST_F(PretestOnQt, BrowsePicksTheFile) {
    const auto file = dir_.Write("other.nc", "G0");
    CPretestDlg dialog(nullptr, [](const WorkerParam&) { return false; });
    QStringList filters;
    When([&] { return host_.WidgetOf(dialog) != nullptr && host_.WidgetOf(dialog)->isVisible(); },
         [&] {
             When([&] { return OpenFileChooser() != nullptr; },
                  [&] {
                      QFileDialog* chooser = OpenFileChooser();
                      filters = chooser->nameFilters();
                      chooser->selectFile(QString::fromStdString(file.string()));
                      static_cast<QDialog*>(chooser)->accept();
                  });
             qobject_cast<QPushButton*>(host_.ControlWidget(dialog, IDC_PICKFILE))->click();
             EXPECT_EQ(qobject_cast<QLineEdit*>(host_.ControlWidget(dialog, IDC_FILEPATH))->text(),
                       QString::fromStdString(file.string()));
             AnswerMessageBox(QMessageBox::Yes);
             host_.WidgetOf(dialog)->close();
         });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_EQ(filters.first(), QStringLiteral("*.nc"));
}

// A worker's message box is shown on the GUI thread while the worker waits for the answer,
// and its end message, posted from that thread, reaches the window's handler.
TEST_F(PretestOnQt, WorkerBoxBlocksAndEndMessageArrives) {
    const auto file = dir_.Write("StrandexTest03.nc", std::string(200000, 'G'));
    std::thread worker;
    std::atomic<int> answer = 0;
    std::atomic<bool> answered = false;
    auto start = [&](const WorkerParam& param) {
        const HWND window = param.hWndNotify;
        worker = std::thread([&, window] {
            answer = Platform().ShowMessageBox(window, "long line", "Trans message", MB_OK);
            answered = true;
            Platform().PostToWindow(window, WM_TRANSFER_DONE, 0, 0);
        });
        return true;
    };
    CPretestDlg dialog(nullptr, start);
    bool waitedForAnswer = false;
    When([&] { return host_.WidgetOf(dialog) != nullptr && host_.WidgetOf(dialog)->isVisible(); },
         [&] {
             AnswerMessageBox(QMessageBox::Ok, [&](const QMessageBox& box) {
                 waitedForAnswer = !answered;
                 EXPECT_EQ(box.text(), QStringLiteral("long line"));
             });
             qobject_cast<QPushButton*>(host_.ControlWidget(dialog, IDOK))->click();
             EXPECT_EQ(Text(dialog, IDC_STATUS), QString::fromUtf8(kSendingStatusText));
             EXPECT_FALSE(host_.ControlWidget(dialog, IDC_SETTINGS)->isVisible());
             When([&] { return Text(dialog, IDC_STATUS) == QString::fromUtf8(kEndedStatusText); },
                  [&] {
                      EXPECT_TRUE(host_.ControlWidget(dialog, IDC_SETTINGS)->isVisible());
                      AnswerMessageBox(QMessageBox::Yes);
                      host_.WidgetOf(dialog)->close();
                  });
         });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    worker.join();
    EXPECT_TRUE(waitedForAnswer);
    EXPECT_EQ(answer, IDOK);
    g_transferState.bSending = 0;
}

}  // namespace
