#include "dialog_screenshot.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <chrono>

namespace {

// Long enough for the file dialog to read a folder on a busy machine.
constexpr std::chrono::seconds kStandardDialogWait{10};

// The dialog with the combo box's list open: the list is a window of its own, so the two
// pictures are laid on one another where they stand on the screen.
QPixmap WithOpenList(QDialog& dialog, QComboBox& combo) {
    const QPixmap window = dialog.grab();
    combo.showPopup();
    QWidget* popup = combo.view()->window();
    const QPixmap list = popup->grab();
    const QPoint at = dialog.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0)));
    combo.hidePopup();
    const QRect bounds = QRect(QPoint(0, 0), window.size()).united(QRect(at, list.size()));
    QPixmap picture(bounds.size());
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(-bounds.topLeft(), window);
    painter.drawPixmap(at - bounds.topLeft(), list);
    return picture;
}

}  // namespace

bool SaveDialogScreenshot(QtDialogHost& host, CDialog& dialog, const QString& path,
                          int openListId) {
    bool saved = false;
    // Queued before the run starts, so it fires inside the run once the window is shown.
    QTimer::singleShot(0, [&] {
        if (QDialog* widget = host.WidgetOf(dialog)) {
            auto* combo = openListId != 0
                              ? qobject_cast<QComboBox*>(host.ControlWidget(dialog, openListId))
                              : nullptr;
            const QPixmap picture =
                combo != nullptr ? WithOpenList(*widget, *combo) : widget->grab();
            saved = picture.save(path, "PNG");
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
