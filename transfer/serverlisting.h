// The entries of a server folder as a walk of the server reads them: from
// an MLSD reply (exact times in UTC) or a LIST reply and an SFTP listing
// (ls -l lines, to the minute or the day). A name from a listing is the
// server's text, never trusted as a path: one that could leave its folder
// or act on a terminal is refused (see nameProblem()).
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace morvane {

struct ServerEntry {
    QString name;
    bool isFolder = false;
    bool isLink = false; // a symbolic link on the server: never followed
    qint64 size = -1;    // -1 when not given
    QDateTime modified;  // UTC; invalid when not given
    // How finely `modified` is known, in seconds: 1 for MLSD and exact
    // times, 60 for "Dec 08 04:40", a day for "Dec 08 2025".
    qint64 precision = 1;
};

enum class ServerLineKind { Entry, Skip, Invalid };

// One line of an MLSD reply ("type=file;size=12;modify=20261208044000; a.html").
// The folder itself and its parent (type cdir, pdir) are Skip.
ServerLineKind parseMlsdLine(const QByteArray& line, ServerEntry* entry);

// One line of a LIST reply or an SFTP listing. `localTime`: the times are
// the server's local time, taken as this machine's (SFTP servers format
// them so); otherwise UTC (the default of FTP servers).
ServerLineKind parseLsLine(const QByteArray& line, ServerEntry* entry, bool localTime);

namespace servername {
// Why a name from a listing can't be used as a local or server name, or an
// empty text when it can: "/", "\", NUL, control characters, "." and "..".
QString problem(const QString& name);
} // namespace servername

} // namespace morvane
