// Where the program keeps its state: the settings file and the per-user data
// folder with the default site and the needing-upload record.
#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace morvane::paths {

// The per-user data folder ($XDG_DATA_HOME, usually ~/.local/share); empty
// when the system has none.
QString supportFolder();
// supportFolder() + "/Morvane/DefaultSite"
QString defaultSiteFolder();
// supportFolder() + "/Morvane/NeedingUpload.dict"
QString needingUploadPath();

// The settings store: INI format at $XDG_CONFIG_HOME/Morvane/Morvane.conf.
std::unique_ptr<QSettings> openSettings();

} // namespace morvane::paths
