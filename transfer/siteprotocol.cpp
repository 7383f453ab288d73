#include "transfer/siteprotocol.h"

#include "transfer/ftpaddress.h"

#include <QCoreApplication>
#include <QUrl>

namespace morvane::siteprotocol {

std::optional<SiteProtocol> of(const Site& site) {
    const QString value = site.value(ftpsitekey::protocol).trimmed().toLower();
    if (value.isEmpty())
        return SiteProtocol::Ftp;
    for (SiteProtocol p :
         {SiteProtocol::Ftp, SiteProtocol::Ftps, SiteProtocol::FtpsImplicit, SiteProtocol::Sftp}) {
        if (value == key(p))
            return p;
    }
    return std::nullopt;
}

QString key(SiteProtocol protocol) {
    switch (protocol) {
    case SiteProtocol::Ftp:
        return QStringLiteral("ftp");
    case SiteProtocol::Ftps:
        return QStringLiteral("ftps");
    case SiteProtocol::FtpsImplicit:
        return QStringLiteral("ftps-implicit");
    case SiteProtocol::Sftp:
        return QStringLiteral("sftp");
    }
    return QString();
}

QString title(SiteProtocol protocol) {
    switch (protocol) {
    case SiteProtocol::Ftp:
        return QStringLiteral("FTP");
    case SiteProtocol::Ftps:
        return QCoreApplication::translate("SiteProtocol", "FTPS (TLS)");
    case SiteProtocol::FtpsImplicit:
        return QCoreApplication::translate("SiteProtocol", "FTPS (implicit TLS, port 990)");
    case SiteProtocol::Sftp:
        return QCoreApplication::translate("SiteProtocol", "SFTP (SSH)");
    }
    return QString();
}

QList<SiteProtocol> offered() {
    return {SiteProtocol::Ftp, SiteProtocol::Ftps, SiteProtocol::FtpsImplicit, SiteProtocol::Sftp};
}

int defaultPort(SiteProtocol protocol) {
    switch (protocol) {
    case SiteProtocol::FtpsImplicit:
        return 990;
    case SiteProtocol::Sftp:
        return 22;
    default:
        return 21;
    }
}

QString scheme(SiteProtocol protocol) {
    switch (protocol) {
    case SiteProtocol::FtpsImplicit:
        return QStringLiteral("ftps");
    case SiteProtocol::Sftp:
        return QStringLiteral("sftp");
    default:
        return QStringLiteral("ftp");
    }
}

QString browseAddress(const Site& site) {
    const auto protocol = of(site);
    if (!protocol || *protocol == SiteProtocol::FtpsImplicit)
        return QString();
    const QString scheme =
        *protocol == SiteProtocol::Ftps ? QStringLiteral("ftps") : siteprotocol::scheme(*protocol);
    const auto address =
        FtpServerAddress::parse(site.server().trimmed(), siteprotocol::scheme(*protocol));
    const auto folder = ftppath::splitFolder(site.serverFolder());
    if (!address || !folder)
        return QString();
    QUrl url;
    url.setScheme(scheme);
    url.setAuthority(address->authority);
    if (!site.userName().isEmpty())
        url.setUserName(site.userName());
    // FTP paths start at the login folder; SFTP ones at the root, so the
    // home folder's "~" stands before them unless the site's folder is
    // absolute itself.
    const bool absolute = ftppath::isAbsoluteFolder(site.serverFolder());
    const QStringList segments = absolute ? *folder : address->segments + *folder;
    const QString prefix =
        *protocol == SiteProtocol::Sftp && !absolute ? QStringLiteral("/~/") : QStringLiteral("/");
    url.setPath(prefix + segments.join(QLatin1Char('/')));
    return url.toString(QUrl::FullyEncoded);
}

} // namespace morvane::siteprotocol
