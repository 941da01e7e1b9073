#include "dialog_screenshot.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPixmap>
#include <QTimer>
#include <chrono>

namespace {

// Long enough for the file dialog to read a folder on a busy machine.
constexpr std::chrono::seconds kStandardDialogWait{10};

}  // namespace

bool SaveDialogScreenshot(QtDialogHost& host, CDialog& dialog, const QString& path) {
    bool saved = false;
    // Queued before the run starts, so it fires inside the run once the window is shown.
    QTimer::singleShot(0, [&] {
        if (QDialog* widget = host.WidgetOf(dialog)) {
            saved = widget->grab().save(path, "PNG");
        }
        host.EndModal(dialog, IDCANCEL);
    });
    dialog.DoModal();
    return saved;
}

bool SaveStandardDialogScreenshot(QtDialogHost& host, CDialog& owner,
                                  const StandardDialogShot& shot, const QString& path) {
    bool saved = false;
    QTimer::singleShot(0, [&] {
        QDialog* ownerWidget = host.WidgetOf(owner);
        const QDeadlineTimer deadline(kStandardDialogWait);
        // open() returns only once the dialog it brings up is closed: the picture is
        // taken from a timer running inside that dialog's own run.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (shown == nullptr || shown == ownerWidget || !shown->isVisible()) {
                if (deadline.hasExpired()) {
                    poll.stop();
                }
                return;
            }
            const bool ready = shot.ready(*shown);
            if (!ready && !deadline.hasExpired()) {
                return;
            }
            poll.stop();
            saved = ready && shown->grab().save(path, "PNG");
            shot.dismiss(*shown);
        });
        poll.start(10);
        if (ownerWidget != nullptr) {
            shot.open();
        }
        poll.stop();
        host.EndModal(owner, IDCANCEL);
    });
    owner.DoModal();
    return saved;
}
