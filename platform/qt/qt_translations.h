// The toolkit's own texts (message box buttons, the file dialog) in the
// learner's language.
#pragma once

#include <QLocale>

class QTranslator;

namespace plat::qt {

// Loads the toolkit's catalogue for `locale` ("qtbase_zh_CN.qm" and the
// like, from the toolkit's translations folder) and installs it in the
// application. Returns the installed translator, owned by the application,
// or null when there is no catalogue for the locale (English stays).
QTranslator* InstallToolkitTranslations(const QLocale& locale = QLocale::system());

}  // namespace plat::qt
