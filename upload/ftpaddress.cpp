#include "upload/ftpaddress.h"

#include <QUrl>

namespace morvane {

namespace {

bool hasControlCharacters(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

QString encodeSegment(const QString& segment) {
    return QString::fromLatin1(QUrl::toPercentEncoding(segment));
}

} // namespace

std::optional<FtpServerAddress> FtpServerAddress::parse(const QString& serverText) {
    QString text = serverText.trimmed();
    if (text.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive))
        text = text.mid(6);
    if (text.isEmpty() || text.contains(QLatin1String("://")) || hasControlCharacters(text))
        return std::nullopt;

    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    const QString authorityText = slash < 0 ? text : text.left(slash);
    const QString folderText = slash < 0 ? QString() : text.mid(slash);
    // Credentials belong in the user name and password fields, never here.
    if (authorityText.isEmpty() || authorityText.contains(QLatin1Char('@')))
        return std::nullopt;

    QUrl url;
    url.setScheme(QStringLiteral("ftp"));
    url.setAuthority(authorityText, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return std::nullopt;
    if (authorityText.endsWith(QLatin1Char(':')))
        return std::nullopt;
    const auto segments = ftppath::splitFolder(folderText);
    if (!segments)
        return std::nullopt;

    FtpServerAddress address;
    address.host = url.host();
    address.authority = url.authority(QUrl::FullyEncoded);
    address.segments = *segments;
    return address;
}

bool FtpServerAddress::isLocalHost() const {
    const QString h = host.toLower();
    return h == QLatin1String("localhost") || h == QLatin1String("127.0.0.1") ||
           h == QLatin1String("::1") || h.endsWith(QLatin1String(".localhost"));
}

QByteArray FtpServerAddress::url(const QStringList& path, bool trailingSlash) const {
    QString text = QStringLiteral("ftp://") + authority + QLatin1Char('/');
    QStringList encoded;
    for (const QString& segment : segments + path)
        encoded << encodeSegment(segment);
    text += encoded.join(QLatin1Char('/'));
    if (trailingSlash && !encoded.isEmpty())
        text += QLatin1Char('/');
    return text.toLatin1();
}

namespace ftppath {

bool isSendable(const QString& name) {
    return !name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n')) &&
           !name.contains(QChar(0));
}

std::optional<QStringList> splitFolder(const QString& folder) {
    if (!isSendable(folder))
        return std::nullopt;
    QStringList result;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part != QLatin1String("."))
            result << part;
    }
    return result;
}

std::optional<QStringList> splitRelativeFile(const QString& relativePath) {
    if (!isSendable(relativePath))
        return std::nullopt;
    const QStringList parts = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return std::nullopt;
    for (const QString& part : parts) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            return std::nullopt;
    }
    return parts;
}

QString join(const QStringList& segments) {
    return segments.join(QLatin1Char('/'));
}

} // namespace ftppath

} // namespace morvane
