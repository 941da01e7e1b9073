// strandex-pretest: the pre-test with its windows, on Qt.
//
//   strandex-pretest                    the tool
//   strandex-pretest --screenshots DIR  PNG pictures of the three dialogs into DIR
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "about_dlg.h"
#include "dialog_screenshot.h"
#include "port_setup_dlg.h"
#include "pretest_app.h"
#include "pretest_dlg.h"
#include "qt_dialog_host.h"
#include "qt_platform_services.h"
#include "qt_translations.h"

namespace {

int WriteScreenshots(QtDialogHost& host, const QString& folder) {
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "strandex-pretest: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    CPretestDlg pretest;
    CPortSetupDlg portSetup;
    CAboutDlg about;
    const std::pair<CDialog*, const char*> shots[] = {
        {&pretest, "pretest.png"}, {&portSetup, "port-setup.png"}, {&about, "about.png"}};
    int status = 0;
    for (const auto& [dialog, name] : shots) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(name));
        if (SaveDialogScreenshot(host, *dialog, path)) {
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
    if (!InstallKoreanQtTranslations(app)) {
        std::fprintf(stderr,
                     "strandex-pretest: Qt's Korean texts (qtbase_ko.qm) are not in %s; "
                     "Qt's own buttons and file dialog stay English\n",
                     qPrintable(QtTranslationsFolder()));
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
