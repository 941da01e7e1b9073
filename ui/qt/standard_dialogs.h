// The toolkit's own dialogs as the framework asks for them: message boxes and file-open.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dialog_host.h"

class QWidget;

// Styles MB_OK, MB_ICONINFORMATION, MB_YESNO (Yes the default button); returns IDOK, IDYES
// or IDNO.
int RunMessageBox(QWidget* owner, std::string_view text, std::string_view caption, UINT style);
std::optional<std::string> RunOpenFileDialog(QWidget* owner, const FileDialogRequest& request);
