// Where the program keeps its state: the settings file and the per-user data
// folder with the default site and the needing-upload record.
//
// The settings hold the sites' FTP passwords, so the program's own folders
// are made readable by the user alone (0700) and its state files 0600 when
// it creates them; a mode the user set later on an existing one is kept.
#pragma once

#include <QString>

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

// The settings store: INI format at settingsPath(). Its folder and file are
// created private when missing.
std::unique_ptr<QSettings> openSettings();

} // namespace morvane::paths
