#include "core/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane::paths {

QString supportFolder() {
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    return dirs.isEmpty() ? QString() : dirs.first();
}

QString dataFolder() {
    return supportFolder() + QStringLiteral("/Morvane");
}

QString defaultSiteFolder() {
    return dataFolder() + QStringLiteral("/DefaultSite");
}

QString needingUploadPath() {
    return dataFolder() + QStringLiteral("/NeedingUpload.dict");
}

QString settingsPath() {
    // Named explicitly: Qt's own INI location for the user scope would end in
    // ".ini" rather than ".conf".
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folder + QStringLiteral("/Morvane/Morvane.conf");
}

bool makePrivateFolder(const QString& folder, QString* error) {
    const QString clean = QDir::cleanPath(folder);
    if (clean.isEmpty() || !QDir::isAbsolutePath(clean)) {
        if (error)
            *error = QStringLiteral("\"%1\" is not an absolute path.").arg(folder);
        return false;
    }
    // Each missing level in turn, from the top, so every one gets 0700.
    qsizetype from = 1;
    while (from <= clean.size()) {
        qsizetype slash = clean.indexOf(QLatin1Char('/'), from);
        if (slash < 0)
            slash = clean.size();
        const QByteArray level = QFile::encodeName(clean.left(slash));
        from = slash + 1;
        if (level.isEmpty())
            continue;
        if (::mkdir(level.constData(), 0700) == 0 || errno == EEXIST)
            continue;
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!QFileInfo(clean).isDir()) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(ENOTDIR));
        return false;
    }
    return true;
}

void createPrivateFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    // O_EXCL: an existing file (or link) is left exactly as it is.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

QStringList cacheFolders() {
    const QString generic = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString own = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QStringList folders;
    if (!generic.isEmpty())
        folders << generic;
    if (!own.isEmpty())
        folders << own;
    // Where Qt keeps compiled shaders when it can write to the shared cache
    // folder (else in the program's own, private already). The shared
    // folder may have been made earlier by another program, open to others
    // to look into: the shaders' own folder must not be open to their writes.
    if (!generic.isEmpty())
        folders << generic + QStringLiteral("/qtshadercache-") + QSysInfo::buildAbi();
    return folders;
}

void preparePrivateCacheFolders() {
    // A folder that cannot be made is left to whoever needs it to report.
    for (const QString& folder : cacheFolders())
        makePrivateFolder(folder);
}

std::unique_ptr<QSettings> openSettings() {
    const QString path = settingsPath();
    if (makePrivateFolder(QFileInfo(path).absolutePath()))
        createPrivateFile(path);
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace morvane::paths
