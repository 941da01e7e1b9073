// strandex-pretest: the pre-test with its windows, on Qt.
//
//   strandex-pretest                    the tool
//   strandex-pretest --screenshots DIR  PNG pictures of the three dialogs into DIR (the
//                                       port settings also with its port list open)
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "about_dlg.h"
#include "dialog_screenshot.h"
#include "port_setup_dlg.h"
#include "pretest_app.h"
#include "pretest_dlg.h"
#include "qt_dialog_host.h"
#include "qt_platform_services.h"

namespace {

int WriteScreenshots(QtDialogHost& host, const QString& folder) {
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "strandex-pretest: cannot create %s\n", qPrintable(folder));
        return 1;
    }
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
    int status = 0;
    for (const auto& [dialog, name, openList] : shots) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(name));
        if (SaveDialogScreenshot(host, *dialog, path, openList)) {
            std::printf("%s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "strandex-pretest: cannot write %s\n", qPrintable(path));
            status = 1;
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The tool speaks Korean whatever the desktop's language, and so do Qt's own buttons
    // and file dialog where Qt's translations are installed (qt6-translations-l10n).
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Korean, QLocale::SouthKorea), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }
    QtDialogHost host;
    QtPlatformServices platform(host);
    SetPlatform(&platform);

    const QStringList args = QApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--screenshots")) {
        const int status = WriteScreenshots(host, args[2]);
        SetPlatform(nullptr);
        return status;
    }
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: strandex-pretest [--screenshots DIR]\n");
        return 2;
    }

    RunPretestProcess(host);
}
