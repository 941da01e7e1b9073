#include "dialog_screenshot.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

namespace {

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
