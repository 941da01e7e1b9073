// The application object the Qt host tests share, on the offscreen platform, and a way to
// act once something has happened inside a modal run.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "qt_translations.h"

// Made as the GUI program makes it: with Qt's Korean texts installed.
inline QApplication& TestApp() {
    // Set here rather than by the test runner, so the suite needs no display however it
    // is started.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit it would outlive Qt's own globals (the input devices a key
    // event creates) and crash in their teardown.
    static auto* app = [] {
        // Qt's texts must be Korean whatever the user's locale; in the plain C locale the
        // tests show that the locale plays no part (a Korean desktop would hide it).
        qputenv("LC_ALL", "C.UTF-8");
        qputenv("LANG", "C.UTF-8");
        qunsetenv("LANGUAGE");
        auto* made = new QApplication(argc, argv);
        InstallKoreanQtTranslations(*made);
        return made;
    }();
    return *app;
}

// Runs action on the GUI thread as soon as ready() holds, checking every few milliseconds.
// The suite's time-out is the guard against a condition that never comes.
inline void When(std::function<bool()> ready, std::function<void()> action) {
    auto* timer = new QTimer(&TestApp());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, ready, action] {
        if (ready()) {
            timer->stop();
            timer->deleteLater();
            action();
        }
    });
    timer->start();
}

// The message box on screen, if any.
inline QMessageBox* OpenMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

// The file dialog on screen, if any.
inline QFileDialog* OpenFileChooser() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* chooser = qobject_cast<QFileDialog*>(widget);
            chooser != nullptr && chooser->isVisible()) {
            return chooser;
        }
    }
    return nullptr;
}

// Answers the next message box with the button and hands the box to seen first.
inline void AnswerMessageBox(QMessageBox::StandardButton button,
                             std::function<void(const QMessageBox&)> seen = {}) {
    When([] { return OpenMessageBox() != nullptr; },
         [button, seen] {
             QMessageBox* box = OpenMessageBox();
             if (seen) {
                 seen(*box);
             }
             box->button(button)->click();
         });
}
