// The addresses the Help menu and the update check use, and the rules that
// tell the program's own help pages from the rest of the web.
//
// The outside addresses (web site, support mailbox, rating page, update
// service) are deployment values set when the program is built; an empty
// one leaves its menu item out. The PHP manual and HTML reference hosts have
// public defaults.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QSettings;

namespace morvane::help {

// The URL scheme under which the web engine is given the built-in help pages.
inline constexpr char kScheme[] = "morvane";
inline constexpr char kHost[] = "help";

struct HelpLinks {
    QString website;       // the program's home page
    QString supportMail;   // the support mailbox, without "mailto:"
    QString rate;          // where users rate the program
    QString updateService; // the update service, without the query
    QString phpManualHost; // scheme and host of the PHP manual
    QString htmlReferenceHost;

    // The values the program was built with.
    static HelpLinks fromBuild();
    // The build values, with the update service replaced by the settings
    // key "UpdateCheckURL" when it is set (tests point it at their server).
    static HelpLinks fromSettings(QSettings& settings);

    // Each empty when its address is not configured.
    QUrl websiteUrl() const;
    QUrl supportUrl() const;
    QUrl rateUrl() const;
    QUrl updateServiceUrl() const;

    QUrl phpManualUrl(const QString& languageCode) const;
    QUrl phpManualFallbackUrl() const { return phpManualUrl(QStringLiteral("en")); }
    QUrl htmlReferenceUrl() const;
};

// The start page of the built-in help.
QUrl helpStartUrl();
// Whether the locked help window may show `url` itself: the blank page and
// every address under the help site's "/Morvane/" part. Everything else
// belongs in the user's browser.
bool isInsideHelp(const QUrl& url);

// The manual's language from the user's preferred languages, most preferred
// first: the first entry cut to two letters ("pt-BR" gives "pt"); "en" when
// there is none.
QString languageCode(const QStringList& preferredLanguages);

// The running platform as the update service and the support mail name it:
// "linux" and "Linux" here.
QString platformName();
QString platformDisplayName();

} // namespace morvane::help
