#include "dialog_screenshot.h"

#include <QDialog>
#include <QPixmap>
#include <QTimer>

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
