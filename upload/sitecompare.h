// A site's folder beside its server folder: which files are only here, only
// on the server, differ, or are the same. The local side is read here; the
// server side comes from a ServerWalk. Excluded names take no part.
#pragma once

#include "core/exclusions.h"
#include "transfer/serverlisting.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

namespace morvane::sitecompare {

enum class State { Same, OnlyHere, OnlyOnServer, Differs };

// The words a state is printed with ("only here", "only on server", "differs", "same").
QString stateName(State state);

struct LocalFile {
    qint64 size = 0;
    QDateTime modified; // UTC
};

struct LocalSkip {
    QString path;
    QString reason;
};

struct LocalScan {
    QMap<QString, LocalFile> files; // relative path -> file
    QStringList folders;            // relative paths, each after its parent
    QList<LocalSkip> skipped;       // links and unreadable folders, named
    bool ok = true;                 // false: the site folder itself can't be read
    QString problem;
};

// Every file below `siteFolder` that is not excluded. A symbolic link is
// never followed (it is named in `skipped`): what a link points to is not
// the site's to download over or compare. At most `maxDepth` folders deep.
LocalScan scanLocal(const QString& siteFolder, const Exclusions& exclusions, int maxDepth = 64);

// Whether a local file and a server file are the same: the sizes are equal
// and the local time lies within the server's precision of the server's
// time (a time the server shows to the minute stands for that whole minute).
// A server that shows no time is judged by the size alone.
bool sameFile(const LocalFile& local, const ServerEntry& server);

struct Row {
    QString path;
    State state = State::Same;
};

// Every file of either side with its state, sorted by path.
QList<Row> compare(const QMap<QString, LocalFile>& local, const QMap<QString, ServerEntry>& server);

// The server folders that are empty once `deleted` (files) are gone: not
// folders here (`localFolders`), holding no other file of `serverFiles` and
// no name the walk left out (`holdsUnlisted`). Deepest first.
QStringList foldersLeftEmpty(const QStringList& serverFolders, const QStringList& serverFiles,
                             const QStringList& deleted, const QStringList& localFolders,
                             const std::function<bool(const QString&)>& holdsUnlisted);

} // namespace morvane::sitecompare
