#pragma once
// The whole program speaks Japanese, whatever the session's locale: Qt's own texts (the file dialogs,
// the buttons of input boxes, the context menu of every text field) come from the distribution's Qt
// translations, and Qt formats dates and sizes the Japanese way.

#include <QString>

class QCoreApplication;

namespace hozonix::app {

// Where the distribution keeps Qt's translations (qt6-translations-l10n).
QString QtTranslationsFolder();

// Installs qtbase_ja.qm from `folder` into the application and makes Japanese the default QLocale.
// False when the translation could not be loaded (Qt's texts then stay English).
bool InstallJapaneseQtTexts(QCoreApplication& app, const QString& folder = QtTranslationsFolder());

} // namespace hozonix::app
