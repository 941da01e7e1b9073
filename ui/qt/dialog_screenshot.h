// Pictures of dialogs as the operator first sees them, for review.
#pragma once

#include <QString>
#include <functional>

#include "qt_dialog_host.h"

class QDialog;

// Runs the dialog on the host, saves its window as a PNG once it is up, and ends it
// without its handlers. With a combo box's id, the picture shows that box's list dropped
// down over the dialog. False when the file could not be written.
bool SaveDialogScreenshot(QtDialogHost& host, CDialog& dialog, const QString& path,
                          int openListId = 0);

// One of the toolkit's own dialogs (a question, the file dialog) as the tool opens it.
struct StandardDialogShot {
    std::function<void()> open;             // brings it up over the running owner
    std::function<bool(QDialog&)> ready;    // it shows what the picture is for
    std::function<void(QDialog&)> dismiss;  // closes it so that the owner carries on
};

// Runs owner on the host; once it is up, shot.open() brings the toolkit's dialog up over
// it, which is saved as a PNG once shot.ready() holds and then dismissed, and owner ends
// without its handlers. False when that dialog was not ready within a few seconds or the
// file could not be written.
bool SaveStandardDialogScreenshot(QtDialogHost& host, CDialog& owner,
                                  const StandardDialogShot& shot, const QString& path);
