#include "app/previewaddress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <cerrno>

#include <sys/stat.h>

namespace morvane::preview {

namespace {

bool hasScheme(const QString& text) {
    return text.contains(QLatin1String("://"));
}

// "htp:/x" or "mailto:x": a scheme without an authority, which no local web
// address has ("localhost:8080" is a host and a port).
bool hasOtherScheme(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:(?![0-9])"));
    return !hasScheme(text) && scheme.match(text).hasMatch();
}

} // namespace

bool isImage(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") ||
           suffix == QLatin1String("png") || suffix == QLatin1String("gif");
}

QString diskPageType(const QString& path) {
    static const QStringList serverPages = {QStringLiteral("php"),   QStringLiteral("php3"),
                                            QStringLiteral("php4"),  QStringLiteral("php5"),
                                            QStringLiteral("phtml"), QStringLiteral("shtml"),
                                            QStringLiteral("inc")};
    static const QStringList plainTexts = {QStringLiteral("md"), QStringLiteral("markdown"),
                                           QStringLiteral("txt"), QStringLiteral("htaccess")};
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (serverPages.contains(suffix))
        return QStringLiteral("text/html");
    if (plainTexts.contains(suffix))
        return QStringLiteral("text/plain");
    return QString();
}

QString relativePath(const QString& siteFolder, const QString& path) {
    QString folder = siteFolder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    const QString prefix = folder == QLatin1String("/") ? folder : folder + QLatin1Char('/');
    if (folder.isEmpty() || !path.startsWith(prefix) || path.size() == prefix.size())
        return QString();
    return path.mid(prefix.size());
}

QString escapePath(const QString& relative) {
    QStringList segments = relative.split(QLatin1Char('/'));
    for (QString& segment : segments)
        segment = QString::fromLatin1(QUrl::toPercentEncoding(segment));
    return segments.join(QLatin1Char('/'));
}

QString escapeHtml(const QString& text) {
    QString out = text.toHtmlEscaped(); // & < > "
    out.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return out;
}

QUrl parseLocalUrl(const QString& localUrl, QString* problem) {
    const QString text = localUrl.trimmed();
    auto fail = [&](const QString& why) {
        if (problem)
            *problem = why;
        return QUrl();
    };
    if (text.isEmpty())
        return fail(QCoreApplication::translate("Preview", "The site has no local address."));
    QUrl url(hasScheme(text) ? text : QStringLiteral("http://") + text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (hasOtherScheme(text) || !url.isValid() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty() || url.hasQuery() || url.hasFragment())
        return fail(QCoreApplication::translate(
                        "Preview",
                        "The site's Local URL \u201C%1\u201D is not a web address the preview can "
                        "use. Set an address such as http://localhost/ or "
                        "http://127.0.0.1:8080/mysite/ in the site's properties, or leave it empty "
                        "to preview files straight from disk.")
                        .arg(text));
    return url;
}

QUrl localServerUrl(const QString& localUrl, const QString& relative, QString* problem) {
    if (!parseLocalUrl(localUrl, problem).isValid())
        return QUrl();
    QString base = localUrl.trimmed();
    if (!hasScheme(base))
        base.prepend(QStringLiteral("http://"));
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    // The local address is taken as the address it is; only the file's own
    // path is escaped.
    QUrl url(base + escapePath(relative), QUrl::TolerantMode);
    if (!url.isValid()) {
        if (problem)
            *problem = url.errorString();
        return QUrl();
    }
    return url;
}

QString errorPage(const QString& description, int code, bool serverHint) {
    const QString hint =
        serverHint ? QStringLiteral("<p>") +
                         escapeHtml(QCoreApplication::translate(
                             "Preview", "(If your Site Properties has a Local URL specified, make "
                                        "sure your local web server is running.)"))
                   : QString();
    return QStringLiteral("<body style='font-family: sans-serif; font-size: 14px'>"
                          "<font color='red' size='+3'>%1</font><p>%2 %3<p>%4 %5%6</body>")
        .arg(escapeHtml(QCoreApplication::translate("Preview", "Error Loading Page")),
             escapeHtml(QCoreApplication::translate("Preview", "Error Description:")),
             escapeHtml(description),
             escapeHtml(QCoreApplication::translate("Preview", "Error Code:")),
             QString::number(code), hint);
}

QString problemPage(const QString& message) {
    return QStringLiteral("<body style='font-family: sans-serif; font-size: 14px'>"
                          "<font color='red' size='+3'>%1</font><p>%2</body>")
        .arg(escapeHtml(QCoreApplication::translate("Preview", "Error Loading Page")),
             escapeHtml(message));
}

bool isConnectionFailure(int code) {
    // Refused, failed, unreachable address, timed out.
    return code == -102 || code == -104 || code == -109 || code == -118;
}

QString resolveInside(const QString& folder, const QString& path) {
    if (folder.isEmpty() || path.isEmpty() || !QDir::isAbsolutePath(path))
        return QString();
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return QString();
    QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty()) {
        // Something that is there (a link) but cannot be resolved is
        // outside; for a name where nothing is, its folder decides.
        struct stat st {};
        const QString clean = QDir::cleanPath(path);
        if (::lstat(QFile::encodeName(clean).constData(), &st) == 0 || errno != ENOENT)
            return QString();
        const QFileInfo info(clean);
        const QString parent = info.dir().canonicalPath();
        if (parent.isEmpty() || info.fileName().isEmpty())
            return QString();
        real = parent == QLatin1String("/") ? parent + info.fileName()
                                            : parent + QLatin1Char('/') + info.fileName();
    }
    const bool inside =
        real == root ||
        real.startsWith(root == QLatin1String("/") ? root : root + QLatin1Char('/'));
    if (!inside)
        return QString();
    // Spelled below the folder as given, so that a site folder reached
    // through a link keeps the paths the rest of the program uses.
    QString base = QDir::cleanPath(folder);
    if (root == QLatin1String("/"))
        return base == QLatin1String("/") ? real : base + real;
    return base + real.mid(root.size());
}

bool isInsideFolder(const QUrl& url, const QString& folder) {
    return url.isLocalFile() && !resolveInside(folder, url.toLocalFile()).isEmpty();
}

bool isSiteFile(const QString& folder, const QString& path) {
    const QString real = resolveInside(folder, path);
    if (real.isEmpty())
        return false;
    struct stat st {};
    if (::stat(QFile::encodeName(real).constData(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode);
}

bool isInsideLocalUrl(const QUrl& url, const QString& localUrl) {
    const QUrl base = parseLocalUrl(localUrl, nullptr);
    if (!base.isValid() || url.scheme().toLower() != base.scheme().toLower() ||
        url.host().toLower() != base.host().toLower() ||
        url.port(url.scheme() == QLatin1String("https") ? 443 : 80) !=
            base.port(base.scheme() == QLatin1String("https") ? 443 : 80))
        return false;
    QString prefix = base.path(QUrl::FullyEncoded);
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    QString path = url.path(QUrl::FullyEncoded);
    if (path.isEmpty())
        path = QStringLiteral("/");
    // "/site" itself and everything below "/site/", but not "/site2".
    return path.startsWith(prefix) || path + QLatin1Char('/') == prefix;
}

QString addressLabel(const QUrl& url) {
    if (url.isEmpty() || url.toString() == QLatin1String("about:blank"))
        return QString();
    return QUrl::fromPercentEncoding(url.toEncoded());
}

} // namespace morvane::preview
