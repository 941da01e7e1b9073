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
#include "result_dlg.h"
#include "standard_dialogs.h"
#include "transfer_state.h"

namespace {

// A test of 12 seconds for the picture of the result dialog: the levels climb every half
// second and the machine holds for 0.3 s each second from level 12 on.
ReportInputs SampleReport() {
    ReportInputs inputs;
    inputs.programPath = "StrandexTest03.nc";
    inputs.programSize = 250000;
    inputs.settings = DefaultPortSettings();
    RunRecord& record = inputs.record;
    record.started = record.ended = true;
    const int levels[] = {5,  7,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                          19, 20, 22, 24, 26, 28, 30, 35, 40, 45, 50, 55};
    std::int64_t written = 0;
    std::int64_t ms = 0;
    for (const int level : levels) {
        record.events.push_back(
            {ms, ms == 0 ? RunEventKind::Start : RunEventKind::LevelStep, level, written, 0});
        const bool holds = level >= 12;
        for (int bucket = 0; bucket < 5; ++bucket) {
            const bool held = holds && bucket >= 2 && bucket < 5 && (ms / 500) % 2 == 1;
            const std::int64_t bytes = held ? 0 : 100 + level * 8;
            record.bucketBytes.push_back(bytes);
            written += bytes;
        }
        if (holds && (ms / 500) % 2 == 1) {
            record.events.push_back({ms + 200, RunEventKind::Xoff, level, written, 0});
            record.events.push_back({ms + 500, RunEventKind::Xon, level, written, 0});
        }
        ms += 500;
    }
    record.events.push_back({ms, RunEventKind::End, levels[std::size(levels) - 1], written,
                             static_cast<std::int32_t>(TransferEnd::LevelPassed)});
    record.writtenBytes = written;
    return inputs;
}

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
        CResultDlg result(SampleReport());
        const struct {
            CDialog* dialog;
            const char* name;
            int openList;
        } shots[] = {{&pretest, "pretest.png", 0},
                     {&portSetup, "port-setup.png", 0},
                     {&portSetup, "port-setup-ports.png", IDC_PORT},
                     {&about, "about.png", 0},
                     {&result, "result.png", 0}};
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
