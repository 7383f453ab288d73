#include "paths.h"

#include <QSettings>
#include <QStandardPaths>

namespace morvane::paths {

QString supportFolder() {
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    return dirs.isEmpty() ? QString() : dirs.first();
}

QString defaultSiteFolder() { return supportFolder() + QStringLiteral("/Morvane/DefaultSite"); }

QString needingUploadPath() {
    return supportFolder() + QStringLiteral("/Morvane/NeedingUpload.dict");
}

std::unique_ptr<QSettings> openSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Morvane"), QStringLiteral("Morvane"));
}

} // namespace morvane::paths
