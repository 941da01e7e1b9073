// The toolkit's own dialogs as the framework asks for them: message boxes and file-open.
#pragma once

#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

#include "dialog_host.h"

class QFileDialog;
class QWidget;

// The second entry of the file dialog's type list, after the request's own pattern; the
// Win32 host offers the same.
inline constexpr std::string_view kAllFilesFilter = "모든 파일 (*)";

// Styles MB_OK, MB_ICONINFORMATION, MB_YESNO (Yes the default button); returns IDOK, IDYES
// or IDNO.
int RunMessageBox(QWidget* owner, std::string_view text, std::string_view caption, UINT style);
std::optional<std::string> RunOpenFileDialog(QWidget* owner, const FileDialogRequest& request);
// initialName is the name offered; its extension's files are listed first.
std::optional<std::string> RunSaveFileDialog(QWidget* owner, const FileDialogRequest& request);
// The names the file dialog lists for its folder under the chosen type, folders included,
// in the order shown; empty until it has read the folder.
QStringList ListedFileNames(const QFileDialog& dialog);
