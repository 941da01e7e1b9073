// A picture of a dialog as the operator first sees it, for review.
#pragma once

#include <QString>

#include "qt_dialog_host.h"

// Runs the dialog on the host, saves its window as a PNG once it is up, and ends it
// without its handlers. With a combo box's id, the picture shows that box's list dropped
// down over the dialog. False when the file could not be written.
bool SaveDialogScreenshot(QtDialogHost& host, CDialog& dialog, const QString& path,
                          int openListId = 0);
