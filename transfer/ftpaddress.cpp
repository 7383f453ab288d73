#include "transfer/ftpaddress.h"

#include <QCoreApplication>
#include <QHash>
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

std::optional<FtpServerAddress> FtpServerAddress::parse(const QString& serverText,
                                                        const QString& scheme) {
    QString text = serverText.trimmed();
    // The protocol comes from the site's setting; a prefix may repeat it
    // (or be plain "ftp://", as every site once had), never contradict it.
    for (const QString& prefix : {QStringLiteral("ftp://"), scheme + QStringLiteral("://")}) {
        if (text.startsWith(prefix, Qt::CaseInsensitive)) {
            text = text.mid(prefix.size());
            break;
        }
    }
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
    address.port = url.port();
    address.scheme = scheme;
    address.segments = *segments;
    return address;
}

bool FtpServerAddress::isLocalHost() const {
    const QString h = host.toLower();
    return h == QLatin1String("localhost") || h == QLatin1String("127.0.0.1") ||
           h == QLatin1String("::1") || h.endsWith(QLatin1String(".localhost"));
}

QByteArray FtpServerAddress::url(const QStringList& path, bool trailingSlash) const {
    QString text = scheme + QStringLiteral("://") + authority + QLatin1Char('/');
    const bool fromRoot = absolute && !(segments + path).isEmpty();
    // An SFTP path after the host is absolute; "~/" makes it relative to
    // the login's folder. An FTP path is relative to the login's folder
    // (curl sends it whole, without CWD); an encoded "/" first makes it
    // absolute.
    if (scheme == QLatin1String("sftp") && !fromRoot)
        text += QStringLiteral("~/");
    else if (scheme != QLatin1String("sftp") && fromRoot)
        text += QStringLiteral("%2F");
    QStringList encoded;
    for (const QString& segment : segments + path)
        encoded << encodeSegment(segment);
    text += encoded.join(QLatin1Char('/'));
    if (trailingSlash && !encoded.isEmpty())
        text += QLatin1Char('/');
    return text.toLatin1();
}

QString FtpServerAddress::commandPath(const QStringList& path) const {
    const QString joined = ftppath::join(segments + path);
    return absolute && !joined.isEmpty() ? QLatin1Char('/') + joined : joined;
}

std::optional<QStringList> FtpServerAddress::takeServerFolder(const QString& folder,
                                                              QString* problem) {
    auto base = ftppath::splitFolder(folder, problem);
    if (base && ftppath::isAbsoluteFolder(folder)) {
        absolute = true;
        segments.clear();
    }
    return base;
}

namespace ftppath {

namespace {

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

QString controlName(char32_t c) {
    switch (c) {
    case 0:
        return QStringLiteral("NUL");
    case '\t':
        return QStringLiteral("tab");
    case '\n':
        return QCoreApplication::translate("FtpAddress", "line feed");
    case '\r':
        return QCoreApplication::translate("FtpAddress", "carriage return");
    case 0x1b:
        return QStringLiteral("escape");
    case 0x7f:
        return QStringLiteral("delete");
    default:
        return QString();
    }
}

} // namespace

QString nameProblem(const QString& name) {
    for (char32_t c : name.toUcs4()) {
        if (c == '\\')
            return QCoreApplication::translate("FtpAddress", "The name contains a backslash (\\)");
        if (isControl(c)) {
            const QString code = QStringLiteral("U+%1").arg(QString::number(uint(c), 16).toUpper(),
                                                            4, QLatin1Char('0'));
            const QString what = controlName(c);
            return what.isEmpty()
                       ? QCoreApplication::translate("FtpAddress",
                                                     "The name contains the control character %1")
                             .arg(code)
                       : QCoreApplication::translate(
                             "FtpAddress", "The name contains the control character %1 (%2)")
                             .arg(code, what);
        }
    }
    return QString();
}

bool isSendable(const QString& name) {
    return nameProblem(name).isEmpty();
}

QString printable(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (char32_t c : name.toUcs4()) {
        if (!isControl(c)) {
            out += QString::fromUcs4(&c, 1);
            continue;
        }
        switch (c) {
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += QStringLiteral("\\x%1").arg(QString::number(uint(c), 16).toUpper(), 2,
                                               QLatin1Char('0'));
        }
    }
    return out;
}

std::optional<QStringList> splitFolder(const QString& folder, QString* problem) {
    const QString why = nameProblem(folder);
    if (!why.isEmpty()) {
        if (problem)
            *problem = why;
        return std::nullopt;
    }
    QStringList result;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part != QLatin1String("."))
            result << part;
    }
    return result;
}

bool isAbsoluteFolder(const QString& folder) {
    if (!folder.startsWith(QLatin1Char('/')))
        return false;
    const auto parts = splitFolder(folder);
    return parts && !parts->isEmpty();
}

std::optional<QStringList> splitRelativeFile(const QString& relativePath, QString* problem) {
    auto refuse = [problem](const QString& why) -> std::optional<QStringList> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    const QString why = nameProblem(relativePath);
    if (!why.isEmpty())
        return refuse(why);
    const QStringList parts = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return refuse(QCoreApplication::translate("FtpAddress", "The name is empty"));
    for (const QString& part : parts) {
        if (part == QLatin1String(".."))
            return refuse(
                QCoreApplication::translate("FtpAddress", "The path contains a \"..\" segment"));
        if (part == QLatin1String("."))
            return refuse(
                QCoreApplication::translate("FtpAddress", "The path contains a \".\" segment"));
    }
    return parts;
}

QString join(const QStringList& segments) {
    return segments.join(QLatin1Char('/'));
}

namespace {
const QString kTemporarySuffix = QStringLiteral(".morvane-upload");
}

bool isTemporaryName(const QString& fileName) {
    return fileName.size() > kTemporarySuffix.size() + 1 && fileName.startsWith(QLatin1Char('.')) &&
           fileName.endsWith(kTemporarySuffix);
}

QString temporaryName(const QString& fileName) {
    const QString& suffix = kTemporarySuffix;
    constexpr qsizetype kMaxBytes = 255;
    QString name = QLatin1Char('.') + fileName + suffix;
    if (name.toUtf8().size() <= kMaxBytes)
        return name;
    const QString hash = QString::number(qHash(fileName), 16);
    QString stem = fileName;
    while (!stem.isEmpty() &&
           (QLatin1Char('.') + stem + QLatin1Char('~') + hash + suffix).toUtf8().size() > kMaxBytes)
        stem.chop(stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
    return QLatin1Char('.') + stem + QLatin1Char('~') + hash + suffix;
}

} // namespace ftppath

} // namespace morvane
