// Where the program keeps its state: the settings file and the per-user data
// folder with the default site and the needing-upload record.
//
// The settings hold the sites' FTP passwords, so the program's own folders
// are made readable by the user alone (0700) and its state files 0600 when
// it creates them; a mode the user set later on an existing one is kept.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace morvane::paths {

// The per-user data folder ($XDG_DATA_HOME, usually ~/.local/share); empty
// when the system has none.
QString supportFolder();
// supportFolder() + "/Morvane"
QString dataFolder();
// supportFolder() + "/Morvane/DefaultSite"
QString defaultSiteFolder();
// supportFolder() + "/Morvane/NeedingUpload.dict"
QString needingUploadPath();
// $XDG_CONFIG_HOME/Morvane/Morvane.conf
QString settingsPath();

// Creates `folder` and any missing parents with mode 0700; folders that exist
// keep their mode. False (with the system's description in `error`) when a
// level could not be made.
bool makePrivateFolder(const QString& folder, QString* error = nullptr);

// Creates an empty file with mode 0600 when nothing is at `path` yet, so that
// a later atomic write (which keeps the mode of the file it replaces) never
// leaves it readable by others.
void createPrivateFile(const QString& path);

// The cache folders written by the program and the libraries inside it:
// the per-user cache folder ($XDG_CACHE_HOME, usually ~/.cache), the
// program's own folder in it (where the web engine keeps its cache), and
// the folder of Qt's compiled shaders. Qt and the web engine create the ones
// they need with the process's umask, which may leave them writable by
// everybody; this creates each missing one with mode 0700 first, as the XDG
// base-directory specification asks. A mode the user set on an existing one
// is kept.
QStringList cacheFolders();
void preparePrivateCacheFolders();

// The settings store: INI format at settingsPath(). Its folder and file are
// created private when missing.
std::unique_ptr<QSettings> openSettings();

} // namespace morvane::paths
