// Qt's own texts (standard buttons, file and colour dialogs) in the user's language: the translations
// of the Qt base module that the system ships for the locale (Debian: qt6-translations-l10n).
#pragma once

#include "app/gui/Namespace.h"

#include <QLocale>

class QTranslator;

namespace dedezuviv::gui {

// Installs the translation of Qt's own texts for the locale in the running application. Returns the
// installed translator (owned by the application), or nullptr when the system has none for the
// locale (English texts then stay).
QTranslator* InstallQtTranslations(const QLocale& locale);

}  // namespace dedezuviv::gui
