#include "help/helplinks.h"

#include <QSettings>
#include <QSysInfo>
#include <QUrlQuery>

namespace morvane::help {

namespace {
QUrl configured(const QString& address) {
    const QString trimmed = address.trimmed();
    return trimmed.isEmpty() ? QUrl() : QUrl(trimmed);
}

QString withoutTrailingSlash(QString s) {
    while (s.endsWith(QLatin1Char('/')))
        s.chop(1);
    return s;
}
} // namespace

HelpLinks HelpLinks::fromBuild() {
    HelpLinks links;
    links.website = QStringLiteral(MORVANE_WEBSITE_URL);
    links.supportMail = QStringLiteral(MORVANE_SUPPORT_EMAIL);
    links.rate = QStringLiteral(MORVANE_RATE_URL);
    links.updateService = QStringLiteral(MORVANE_UPDATE_URL);
    links.phpManualHost = QStringLiteral(MORVANE_PHP_MANUAL_HOST);
    links.htmlReferenceHost = QStringLiteral(MORVANE_HTML_REFERENCE_HOST);
    return links;
}

HelpLinks HelpLinks::fromSettings(QSettings& settings) {
    HelpLinks links = fromBuild();
    const QVariant overridden = settings.value(QStringLiteral("UpdateCheckURL"));
    if (overridden.isValid())
        links.updateService = overridden.toString();
    return links;
}

QUrl HelpLinks::websiteUrl() const {
    return configured(website);
}

QUrl HelpLinks::supportUrl() const {
    const QString mailbox = supportMail.trimmed();
    if (mailbox.isEmpty())
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(mailbox);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"),
                       QStringLiteral("Morvane-") + platformDisplayName());
    url.setQuery(query);
    return url;
}

QUrl HelpLinks::rateUrl() const {
    return configured(rate);
}

QUrl HelpLinks::updateServiceUrl() const {
    return configured(updateService);
}

QUrl HelpLinks::phpManualUrl(const QString& languageCode) const {
    return QUrl(withoutTrailingSlash(phpManualHost.trimmed()) +
                QStringLiteral("/manual/%1/").arg(languageCode));
}

QUrl HelpLinks::htmlReferenceUrl() const {
    return QUrl(withoutTrailingSlash(htmlReferenceHost.trimmed()) +
                QStringLiteral("/tags/ref_byfunc.asp"));
}

QUrl helpStartUrl() {
    QUrl url;
    url.setScheme(QLatin1String(kScheme));
    url.setHost(QLatin1String(kHost));
    url.setPath(QStringLiteral("/Morvane/help/index.html"));
    return url;
}

bool isInsideHelp(const QUrl& url) {
    const QString address = url.toString(QUrl::FullyEncoded);
    if (address == QLatin1String("about:blank"))
        return true;
    const QString prefix = QStringLiteral("%1://%2/Morvane/").arg(kScheme, kHost);
    return address.startsWith(prefix);
}

QString languageCode(const QStringList& preferredLanguages) {
    if (preferredLanguages.isEmpty() || preferredLanguages.first().isEmpty())
        return QStringLiteral("en");
    const QString& first = preferredLanguages.first();
    return first.size() > 1 ? first.left(2) : first;
}

QString platformName() {
#if defined(Q_OS_LINUX)
    return QStringLiteral("linux");
#elif defined(Q_OS_WIN)
    return QStringLiteral("windows");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("mac");
#else
    return QSysInfo::kernelType();
#endif
}

QString platformDisplayName() {
#if defined(Q_OS_LINUX)
    return QStringLiteral("Linux");
#elif defined(Q_OS_WIN)
    return QStringLiteral("Windows");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("MacOS");
#else
    return QSysInfo::kernelType();
#endif
}

} // namespace morvane::help
