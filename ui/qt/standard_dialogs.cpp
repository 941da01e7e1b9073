#include "standard_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace {

QString ToQt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

int RunMessageBox(QWidget* owner, std::string_view text, std::string_view caption, UINT style) {
    QMessageBox box(owner);
    box.setWindowTitle(ToQt(caption));
    box.setText(ToQt(text));
    box.setTextFormat(Qt::PlainText);
    // The icon bits form one field, as in Win32.
    const UINT icon = style & 0xF0;
    box.setIcon(icon == MB_ICONINFORMATION ? QMessageBox::Information
                : icon == MB_ICONWARNING   ? QMessageBox::Warning
                                           : QMessageBox::NoIcon);
    if ((style & MB_YESNO) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        // Any answer but No counts as yes, a closed box included.
        return box.exec() == QMessageBox::No ? IDNO : IDYES;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IDOK;
}

std::optional<std::string> RunOpenFileDialog(QWidget* owner, const FileDialogRequest& request) {
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList filters;
    if (!request.initialName.empty()) {
        filters << ToQt(request.initialName);
    }
    filters << QStringLiteral("*");
    dialog.setNameFilters(filters);
    if (!request.defaultExtension.empty()) {
        dialog.setDefaultSuffix(ToQt(request.defaultExtension));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toUtf8().toStdString();
}
