// A site's folder beside its server folder: which files are only here, only
// on the server, differ, or are the same. The local side is read here; the
// server side comes from a ServerWalk. Excluded names take no part.
#pragma once

#include "core/exclusions.h"
#include "transfer/serverlisting.h"
#include "transfer/serverwalk.h"

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

// True when `path` is, or lies below, a name the local scan skipped: what is
// there here is unknown, so a server file there is not "only on the server".
bool skippedHere(const LocalScan& local, const QString& path);

// What an upload with deletions removes on the server: the files the walk
// listed that have no counterpart here, then the server folders left empty
// (deepest first). The walk lists only the site's server folder and never an
// excluded name; an excluded path or one that could leave the server folder
// is left out here all the same.
struct Deletions {
    QStringList files;
    QStringList folders;
    bool isEmpty() const { return files.isEmpty() && folders.isEmpty(); }
};
Deletions serverDeletions(const LocalScan& local, const ServerWalk& walk,
                          const Exclusions& exclusions);
// The same from the listing's parts. A server path that the local scan
// skipped (a link, an unreadable or too deep folder), or lies below one, is
// never taken for deleted here.
Deletions serverDeletions(const LocalScan& local, const QMap<QString, ServerEntry>& serverFiles,
                          const QStringList& serverFolders,
                          const std::function<bool(const QString&)>& holdsUnlisted,
                          const Exclusions& exclusions);

} // namespace morvane::sitecompare
