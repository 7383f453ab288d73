#include "tree/imagetag.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace morvane {

bool isImageName(const QString& name) {
    const QString ext = QFileInfo(name).suffix().toLower();
    return ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") ||
           ext == QLatin1String("png") || ext == QLatin1String("gif");
}

QString imageTag(const QString& fullPath, const QString& siteFolder) {
    QImageReader reader(fullPath);
    reader.setDecideFormatFromContent(true);
    QSize size = reader.size(); // from the header
    if (!size.isValid()) {
        // A format whose header does not tell: read the first image.
        const QImage image = reader.read();
        if (image.isNull())
            return QString();
        size = image.size();
    }
    QString relative = QDir(siteFolder).relativeFilePath(fullPath);
    relative.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    relative.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return QStringLiteral("<img src='%1' width='%2' height='%3'>")
        .arg(relative)
        .arg(size.width())
        .arg(size.height());
}

} // namespace morvane
