// Qt's own texts (message-box buttons, the file dialog) in the tool's language. The tool's
// windows are Korean by design, so these follow them, not the user's locale.
#pragma once

#include <QString>

class QCoreApplication;

// Loads Qt's Korean catalogue (qtbase_ko) from Qt's translations folder and installs it
// in app. False when the catalogue is not there (Debian's qt6-translations-l10n is not
// installed): Qt's own texts then stay English and nothing else changes.
bool InstallKoreanQtTranslations(QCoreApplication& app);
bool InstallKoreanQtTranslations(QCoreApplication& app, const QString& folder);

// Where InstallKoreanQtTranslations(app) looks.
QString QtTranslationsFolder();
