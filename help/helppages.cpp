#include "help/helppages.h"

#include "help/helplinks.h"
#include "resources/resources.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace morvane::help {

namespace {
const QString kUrlRoot = QStringLiteral("/Morvane/help/");
const QString kResourceRoot = QStringLiteral(":/Morvane/help/");
} // namespace

QString resourcePathFor(const QUrl& url) {
    if (url.scheme() != QLatin1String(kScheme) || url.host() != QLatin1String(kHost))
        return {};
    QString path = url.path(QUrl::FullyDecoded);
    if (path.contains(QChar(0)) || path.contains(QLatin1Char('\\')))
        return {};
    if (path.endsWith(QLatin1Char('/')))
        path += QStringLiteral("index.html");
    // Dot segments are resolved before the test, so "/Morvane/help/../x"
    // cannot reach another resource.
    path = QDir::cleanPath(path);
    if (!path.startsWith(kUrlRoot))
        return {};
    return kResourceRoot + path.mid(kUrlRoot.size());
}

QByteArray mimeTypeFor(const QString& fileName) {
    const QString ext = fileName.section(QLatin1Char('.'), -1).toLower();
    if (ext == QLatin1String("html") || ext == QLatin1String("htm"))
        return "text/html";
    if (ext == QLatin1String("css"))
        return "text/css";
    if (ext == QLatin1String("js"))
        return "text/javascript";
    if (ext == QLatin1String("png"))
        return "image/png";
    if (ext == QLatin1String("svg"))
        return "image/svg+xml";
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return "image/jpeg";
    return "application/octet-stream";
}

bool readHelpPage(const QUrl& url, HelpPage* page) {
    initResources();
    const QString path = resourcePathFor(url);
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    page->body = file.readAll();
    page->mimeType = mimeTypeFor(path);
    return true;
}

QStringList allHelpFiles() {
    initResources();
    QStringList files;
    QDirIterator it(kResourceRoot, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

} // namespace morvane::help
