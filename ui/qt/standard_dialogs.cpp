#include "standard_dialogs.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
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
    // Qt's own dialog, not the desktop's: only Qt's is sure to speak the tool's language
    // whatever the user's locale.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The request's pattern (the NC programs) first, matched in either case as on Windows;
    // all files second, for a program named .txt or with no extension at all.
    QStringList filters;
    if (!request.initialName.empty()) {
        filters << ToQt(request.initialName);
    }
    filters << ToQt(kAllFilesFilter);
    dialog.setNameFilters(filters);
    if (!request.defaultExtension.empty()) {
        dialog.setDefaultSuffix(ToQt(request.defaultExtension));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toUtf8().toStdString();
}

std::optional<std::string> RunSaveFileDialog(QWidget* owner, const FileDialogRequest& request) {
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    if (!request.defaultExtension.empty()) {
        filters << ToQt("*." + request.defaultExtension);
        dialog.setDefaultSuffix(ToQt(request.defaultExtension));
    }
    filters << ToQt(kAllFilesFilter);
    dialog.setNameFilters(filters);
    dialog.selectFile(ToQt(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toUtf8().toStdString();
}

QStringList ListedFileNames(const QFileDialog& dialog) {
    // Qt's own dialog keeps its list and detail views on one filtered model; "listView" is
    // the name its form gives the first.
    const auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QStringList names;
    if (view == nullptr || view->model() == nullptr) {
        return names;
    }
    const QAbstractItemModel& model = *view->model();
    const QModelIndex folder = view->rootIndex();
    for (int row = 0; row < model.rowCount(folder); ++row) {
        names << model.index(row, 0, folder).data().toString();
    }
    return names;
}
