#include "core/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace morvane::translations {

namespace {

// Owned here rather than by the application object, so that a second
// install() replaces them and a test can return to English.
std::unique_ptr<QTranslator>& ownTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator>& qtTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

void remove(std::unique_ptr<QTranslator>& translator) {
    if (!translator)
        return;
    QCoreApplication::removeTranslator(translator.get());
    translator.reset();
}

} // namespace

QString install(const QLocale& locale) {
    uninstall();
    if (!QCoreApplication::instance())
        return QString();
    // The interface languages in the user's order of preference; English is
    // the language of the sources, so reaching it ends the search.
    auto own = std::make_unique<QTranslator>();
    QString found;
    for (QString language : locale.uiLanguages()) {
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (language == QLatin1String("C") || language == QLatin1String("POSIX") ||
            language.startsWith(QLatin1String("en")))
            return QString();
        // "de_AT" falls back to "de".
        if (own->load(QStringLiteral("morvane_") + language,
                      QString::fromLatin1(kResourceFolder))) {
            found = language;
            break;
        }
    }
    if (found.isEmpty())
        return QString();
    // Qt's own texts (standard buttons, file dialogs) in the same language.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QStringLiteral("qtbase_") + found,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        qtTranslator() = std::move(qt);
    }
    QCoreApplication::installTranslator(own.get());
    const QString language = own->language();
    ownTranslator() = std::move(own);
    return language.isEmpty() ? found : language;
}

void uninstall() {
    remove(ownTranslator());
    remove(qtTranslator());
}

} // namespace morvane::translations
