#include "qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallKoreanQtTranslations(QCoreApplication& app) {
    return InstallKoreanQtTranslations(app, QtTranslationsFolder());
}

bool InstallKoreanQtTranslations(QCoreApplication& app, const QString& folder) {
    auto* translator = new QTranslator(&app);
    // Korean asked for by name: the system locale has no say in it.
    if (!translator->load(QLocale(QLocale::Korean, QLocale::SouthKorea), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

QString QtTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}
