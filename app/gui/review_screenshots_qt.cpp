#include "review_screenshots_qt.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <utility>

#include "about_dlg.h"
#include "dialog_screenshot.h"
#include "port_setup_dlg.h"
#include "pretest_dlg.h"
#include "standard_dialogs.h"

namespace {

// The quit question the close box asks, answered No so that the window carries on.
StandardDialogShot QuitQuestionShot(QtDialogHost& host, CDialog& pretest) {
    return {[&host, &pretest] { host.WidgetOf(pretest)->close(); },
            [](QDialog& shown) { return qobject_cast<QMessageBox*>(&shown) != nullptr; },
            [](QDialog& shown) {
                if (auto* box = qobject_cast<QMessageBox*>(&shown)) {
                    box->button(QMessageBox::No)->click();
                } else {
                    shown.reject();
                }
            }};
}

// The file dialog "...." opens, once it lists the NC programs of the current folder.
StandardDialogShot FileDialogShot(QtDialogHost& host, CDialog& pretest, int programs) {
    return {[&host, &pretest] {
                qobject_cast<QPushButton*>(host.ControlWidget(pretest, IDC_PICKFILE))->click();
            },
            [programs](QDialog& shown) {
                const auto* chooser = qobject_cast<QFileDialog*>(&shown);
                return chooser != nullptr && ListedFileNames(*chooser).size() == programs;
            },
            [](QDialog& shown) { shown.reject(); }};
}

// A folder as a shop floor has it: programs named in either case, a note, a program
// without an extension. Returns how many of them the file dialog lists at first.
int WriteSampleFolder(const QDir& folder) {
    const std::pair<const char*, const char*> files[] = {
        {"O1000.nc", "%\nO1000\nG0 X0 Y0\nM30\n%\n"},
        {"O2000.NC", "%\nO2000\nG1 X10 F100\nM30\n%\n"},
        {"작업 메모.txt", "O1000 먼저\n"},
        {"O3000", "%\nO3000\nM30\n%\n"},
    };
    for (const auto& [name, text] : files) {
        QFile file(folder.filePath(QString::fromUtf8(name)));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(text);
        }
    }
    return 2;
}

bool ReportScreenshot(bool saved, const QString& path) {
    if (saved) {
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "strandex-pretest: cannot write %s\n", qPrintable(path));
    }
    return saved;
}

}  // namespace

int WriteScreenshots(QtDialogHost& host, const QString& folder) {
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "strandex-pretest: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    const QDir out(QDir(folder).absolutePath());
    bool allSaved = true;
    {
        CPretestDlg pretest;
        CPortSetupDlg portSetup;
        CAboutDlg about;
        const struct {
            CDialog* dialog;
            const char* name;
            int openList;
        } shots[] = {{&pretest, "pretest.png", 0},
                     {&portSetup, "port-setup.png", 0},
                     {&portSetup, "port-setup-ports.png", IDC_PORT},
                     {&about, "about.png", 0}};
        for (const auto& [dialog, name, openList] : shots) {
            const QString path = out.filePath(QString::fromLatin1(name));
            allSaved &= ReportScreenshot(SaveDialogScreenshot(host, *dialog, path, openList), path);
        }
    }
    {
        CPretestDlg pretest;
        const QString path = out.filePath(QStringLiteral("quit-question.png"));
        allSaved &= ReportScreenshot(
            SaveStandardDialogScreenshot(host, pretest, QuitQuestionShot(host, pretest), path),
            path);
    }
    {
        // The file dialog opens in the current folder: a sample one for the picture.
        QTemporaryDir sample;
        const QString previous = QDir::currentPath();
        const int programs = WriteSampleFolder(QDir(sample.path()));
        QDir::setCurrent(sample.path());
        CPretestDlg pretest;
        const QString path = out.filePath(QStringLiteral("file-dialog.png"));
        allSaved &=
            ReportScreenshot(SaveStandardDialogScreenshot(
                                 host, pretest, FileDialogShot(host, pretest, programs), path),
                             path);
        QDir::setCurrent(previous);
    }
    return allSaved ? 0 : 1;
}
