#include "sites/servershortcuts.h"

#include "transfer/ftpaddress.h"
#include "transfer/siteprotocol.h"

namespace morvane::servershortcuts {

namespace {

struct Parts {
    QString host;
    int port = -1;
    QStringList segments; // the server text's own folder, then the site's
};

std::optional<Parts> partsOf(const Site& site) {
    const auto server = FtpServerAddress::parse(site.server());
    if (!server)
        return std::nullopt;
    const auto folder = ftppath::splitFolder(site.serverFolder());
    if (!folder)
        return std::nullopt;
    QUrl authority;
    authority.setScheme(QStringLiteral("ftp"));
    authority.setAuthority(server->authority);
    Parts p;
    p.host = server->host;
    p.port = authority.port();
    p.segments = server->segments + *folder;
    return p;
}

// A value in a GVfs mount name: the characters that separate its parts
// are percent-encoded.
QString gvfsValue(const QString& value) {
    return QString::fromLatin1(value.toUtf8().toPercentEncoding("@"));
}

} // namespace

std::optional<QUrl> folderAddress(const Site& site) {
    const auto protocol = siteprotocol::of(site);
    if (!protocol)
        return std::nullopt;
    if (*protocol != SiteProtocol::Ftp) {
        // Secure sites are browsed over their own protocol, never in clear.
        const QUrl url(siteprotocol::browseAddress(site), QUrl::StrictMode);
        if (!url.isValid() || url.isEmpty())
            return std::nullopt;
        return url;
    }
    const auto parts = partsOf(site);
    if (!parts)
        return std::nullopt;
    QUrl url;
    url.setScheme(QStringLiteral("ftp"));
    url.setHost(parts->host);
    if (parts->port > 0)
        url.setPort(parts->port);
    if (!site.userName().isEmpty())
        url.setUserName(site.userName());
    if (!parts->segments.isEmpty())
        url.setPath(QLatin1Char('/') + parts->segments.join(QLatin1Char('/')));
    if (!url.isValid())
        return std::nullopt;
    return url;
}

QString mountedFolder(const Site& site, const QString& runtimeDir) {
    // GVfs names FTP and FTPS mounts alike; an SFTP mount's folders start at
    // the server's root, which the site's folder does not say, so an SFTP
    // site is always opened by its address.
    const auto protocol = siteprotocol::of(site);
    if (!protocol || (*protocol != SiteProtocol::Ftp && *protocol != SiteProtocol::Ftps))
        return QString();
    const auto parts = partsOf(site);
    if (!parts || runtimeDir.isEmpty())
        return QString();
    QString name = *protocol == SiteProtocol::Ftps ? QStringLiteral("ftps:host=")
                                                   : QStringLiteral("ftp:host=");
    name += gvfsValue(parts->host);
    if (parts->port > 0)
        name += QStringLiteral(",port=%1").arg(parts->port);
    if (!site.userName().isEmpty())
        name += QStringLiteral(",user=") + gvfsValue(site.userName());
    QString path = runtimeDir + QStringLiteral("/gvfs/") + name;
    for (const QString& segment : parts->segments)
        path += QLatin1Char('/') + segment;
    return path;
}

QStringList mountArguments(const Site& site) {
    const auto address = folderAddress(site);
    if (!address)
        return {};
    QStringList args{QStringLiteral("mount")};
    if (site.userName().isEmpty())
        args << QStringLiteral("--anonymous");
    args << address->toString(QUrl::FullyEncoded);
    return args;
}

QByteArray mountInput(const Site& site) {
    if (site.userName().isEmpty())
        return QByteArray();
    return site.password().toUtf8() + '\n';
}

QStringList clientArguments(const Site& site) {
    const auto address = folderAddress(site);
    if (!address)
        return {};
    return {address->toString(QUrl::FullyEncoded)};
}

} // namespace morvane::servershortcuts
