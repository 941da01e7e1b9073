// The application object the Qt host tests share, on the offscreen platform, and a way to
// act once something has happened inside a modal run.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

inline QApplication& TestApp() {
    // Set here rather than by the test runner, so the suite needs no display however it
    // is started.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit it would outlive Qt's own globals (the input devices a key
    // event creates) and crash in their teardown.
    static auto* app = new QApplication(argc, argv);
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

// Answers the next message box with the button and hands its text to seen.
inline void AnswerMessageBox(QMessageBox::StandardButton button,
                             std::function<void(const QString&)> seen = {}) {
    When([] { return OpenMessageBox() != nullptr; },
         [button, seen] {
             QMessageBox* box = OpenMessageBox();
             if (seen) {
                 seen(box->text());
             }
             box->button(button)->click();
         });
}
