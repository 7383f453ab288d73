#include "core/paths.h"

#include <QSettings>
#include <QStandardPaths>

namespace morvane::paths {

QString supportFolder() {
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    return dirs.isEmpty() ? QString() : dirs.first();
}

QString defaultSiteFolder() {
    return supportFolder() + QStringLiteral("/Morvane/DefaultSite");
}

QString needingUploadPath() {
    return supportFolder() + QStringLiteral("/Morvane/NeedingUpload.dict");
}

std::unique_ptr<QSettings> openSettings() {
    // Named explicitly: Qt's own INI location for the user scope would end in
    // ".ini" rather than ".conf".
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::make_unique<QSettings>(folder + QStringLiteral("/Morvane/Morvane.conf"),
                                       QSettings::IniFormat);
}

} // namespace morvane::paths
