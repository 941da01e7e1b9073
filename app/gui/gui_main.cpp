// strandex-pretest: the pre-test with its windows, on Qt.
//
//   strandex-pretest                    the tool
//   strandex-pretest --screenshots DIR  PNG pictures of the three dialogs, the quit
//                                       question and the file dialog into DIR
#include <QApplication>
#include <cstdio>

#include "pretest_app.h"
#include "qt_dialog_host.h"
#include "qt_platform_services.h"
#include "qt_translations.h"
#include "review_screenshots_qt.h"

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
