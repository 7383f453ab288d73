// What the two server shortcuts of the outline's gear menu hand to other
// programs: the site's server folder mounted with GVfs ("gio mount") and
// shown in the file manager, and the site's address given to the outside FTP
// client. The password never goes into an argument, where every user of the
// machine could read it in the process list: "gio mount" reads it from its
// standard input, and the outside client asks for it itself.
#pragma once

#include "core/sitestore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace morvane::servershortcuts {

// The outside FTP client offered when it is installed.
inline const QString kClientProgram = QStringLiteral("filezilla");
inline const QString kMountProgram = QStringLiteral("gio");

// The ftp address of the site's server folder with the user name but never
// the password: "ftp://bob@example.com/www/site", "ftp://bob@example.com"
// for the folder "/" or none. nullopt when the server text is not a usable
// address (empty, another scheme, credentials in it) or the folder holds a
// segment no server could take.
std::optional<QUrl> folderAddress(const Site& site);

// Where GVfs shows the mounted server folder on this machine:
// "<runtimeDir>/gvfs/ftp:host=example.com,user=bob/www/site".
QString mountedFolder(const Site& site, const QString& runtimeDir);

// "gio mount ADDRESS" (with --anonymous for a site without a user name).
QStringList mountArguments(const Site& site);
// What "gio mount" reads when it asks for the password.
QByteArray mountInput(const Site& site);

// The outside client's arguments: the address alone.
QStringList clientArguments(const Site& site);

} // namespace morvane::servershortcuts
