// Pictures of the Qt program's windows for review, made without a display.
#pragma once

#include <QString>

#include "qt_dialog_host.h"

// PNG pictures into folder (made when missing): the three dialogs, the quit question and
// the file dialog over a sample folder. Prints each file written; returns the process's
// exit status, 1 when any picture failed.
int WriteScreenshots(QtDialogHost& host, const QString& folder);
