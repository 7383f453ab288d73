// The program speaks the user's language: its own texts (translations/
// morvane_LANG.ts, built into the program) and Qt's (the standard buttons and
// dialogs, from Qt's translations folder) are loaded for the system's
// language, which LANGUAGE, LC_ALL, LC_MESSAGES or LANG choose.
#pragma once

#include <QLocale>
#include <QString>

namespace morvane::translations {

// Where the built-in translations are: morvane_de.qm…
inline constexpr char kResourceFolder[] = ":/i18n";

// Installs the program's and Qt's translations for the first of the
// locale's interface languages that has one, on the running application
// object; an earlier call's translators are removed first, so calling it
// again switches the language. English, or a language without translation,
// leaves the program in English. Returns the language of the program's
// translation that was installed ("de"), else an empty string (also when
// there is no QCoreApplication).
QString install(const QLocale& locale = QLocale::system());

// Removes what install() put in place: the program speaks English again.
void uninstall();

} // namespace morvane::translations
