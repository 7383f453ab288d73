#include "upload/sitecompare.h"

#include <QDir>
#include <QFileInfo>

#include <QSet>

#include <algorithm>
#include <functional>

namespace morvane::sitecompare {

QString stateName(State state) {
    switch (state) {
    case State::Same:
        return QStringLiteral("same");
    case State::OnlyHere:
        return QStringLiteral("only here");
    case State::OnlyOnServer:
        return QStringLiteral("only on server");
    case State::Differs:
        return QStringLiteral("differs");
    }
    return QString();
}

LocalScan scanLocal(const QString& siteFolder, const Exclusions& exclusions, int maxDepth) {
    LocalScan scan;
    const QFileInfo top(siteFolder);
    if (!top.isDir() || top.isSymLink()) {
        scan.ok = false;
        scan.problem = QStringLiteral("The site folder \"%1\" is not a folder.").arg(siteFolder);
        return scan;
    }
    std::function<void(const QString&, int)> walk = [&](const QString& relative, int depth) {
        const QDir dir(relative.isEmpty() ? siteFolder : siteFolder + QLatin1Char('/') + relative);
        if (!dir.isReadable()) {
            scan.skipped.append({relative, QStringLiteral("the folder can't be read")});
            return;
        }
        const QFileInfoList entries = dir.entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& info : entries) {
            const QString path = relative.isEmpty() ? info.fileName()
                                                    : relative + QLatin1Char('/') + info.fileName();
            const bool folder = info.isDir() && !info.isSymLink();
            if (exclusions.excludes(path, folder))
                continue;
            if (info.isSymLink()) {
                scan.skipped.append({path, QStringLiteral("a symbolic link (never followed)")});
                continue;
            }
            if (folder) {
                if (depth + 1 > maxDepth) {
                    scan.skipped.append({path, QStringLiteral("too deep")});
                    continue;
                }
                scan.folders << path;
                walk(path, depth + 1);
                continue;
            }
            if (!info.isFile())
                continue; // a pipe, a device: not a file of the site
            scan.files.insert(path, {info.size(), info.lastModified().toUTC()});
        }
    };
    walk(QString(), 0);
    return scan;
}

bool sameFile(const LocalFile& local, const ServerEntry& server) {
    if (server.size >= 0 && server.size != local.size)
        return false;
    if (!server.modified.isValid() || !local.modified.isValid())
        return true;
    const qint64 precision = std::max<qint64>(1, server.precision);
    const qint64 here = local.modified.toSecsSinceEpoch();
    const qint64 there = server.modified.toSecsSinceEpoch();
    return here >= there && here < there + precision;
}

QList<Row> compare(const QMap<QString, LocalFile>& local,
                   const QMap<QString, ServerEntry>& server) {
    QList<Row> rows;
    auto l = local.constBegin();
    auto s = server.constBegin();
    while (l != local.constEnd() || s != server.constEnd()) {
        if (s == server.constEnd() || (l != local.constEnd() && l.key() < s.key())) {
            rows.append({l.key(), State::OnlyHere});
            ++l;
        } else if (l == local.constEnd() || s.key() < l.key()) {
            rows.append({s.key(), State::OnlyOnServer});
            ++s;
        } else {
            rows.append({l.key(), sameFile(*l, *s) ? State::Same : State::Differs});
            ++l;
            ++s;
        }
    }
    return rows;
}

QStringList foldersLeftEmpty(const QStringList& serverFolders, const QStringList& serverFiles,
                             const QStringList& deleted, const QStringList& localFolders,
                             const std::function<bool(const QString&)>& holdsUnlisted) {
    const QSet<QString> gone(deleted.cbegin(), deleted.cend());
    QStringList out;
    for (const QString& folder : serverFolders) {
        if (localFolders.contains(folder) || holdsUnlisted(folder))
            continue;
        const QString prefix = folder + QLatin1Char('/');
        const bool keeps =
            std::any_of(serverFiles.cbegin(), serverFiles.cend(), [&](const QString& f) {
                return f.startsWith(prefix) && !gone.contains(f);
            });
        if (!keeps)
            out << folder;
    }
    std::stable_sort(out.begin(), out.end(), [](const QString& a, const QString& b) {
        return a.count(QLatin1Char('/')) > b.count(QLatin1Char('/'));
    });
    return out;
}

namespace {
// A relative path that stays inside the server folder: no empty, "." or
// ".." name, no leading "/".
bool staysInside(const QString& path) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return false;
    const QStringList names = path.split(QLatin1Char('/'));
    return std::none_of(names.cbegin(), names.cend(), [](const QString& n) {
        return n.isEmpty() || n == QLatin1String(".") || n == QLatin1String("..");
    });
}

// True when `path` is `top` or lies below it; everything lies below the
// site folder itself (an empty `top`).
bool within(const QString& path, const QString& top) {
    if (top.isEmpty())
        return true;
    return path == top || (path.startsWith(top) && path.at(top.size()) == QLatin1Char('/'));
}
} // namespace

bool skippedHere(const LocalScan& local, const QString& path) {
    return std::any_of(local.skipped.cbegin(), local.skipped.cend(),
                       [&path](const LocalSkip& s) { return within(path, s.path); });
}

Deletions serverDeletions(const LocalScan& local, const QMap<QString, ServerEntry>& serverFiles,
                          const QStringList& serverFolders,
                          const std::function<bool(const QString&)>& holdsUnlisted,
                          const Exclusions& exclusions) {
    // What the local scan could not see (a link, an unreadable or too deep
    // folder) is not "deleted here": the server's files there stay.
    const auto unseenHere = [&local](const QString& path) { return skippedHere(local, path); };
    Deletions out;
    for (const Row& row : compare(local.files, serverFiles)) {
        if (row.state == State::OnlyOnServer && staysInside(row.path) &&
            !exclusions.excludes(row.path) && !unseenHere(row.path))
            out.files << row.path;
    }
    const QStringList folders = foldersLeftEmpty(serverFolders, serverFiles.keys(), out.files,
                                                 local.folders, holdsUnlisted);
    for (const QString& folder : folders) {
        if (staysInside(folder) && !exclusions.excludes(folder, true) && !unseenHere(folder))
            out.folders << folder;
    }
    return out;
}

Deletions serverDeletions(const LocalScan& local, const ServerWalk& walk,
                          const Exclusions& exclusions) {
    return serverDeletions(
        local, walk.files(), walk.folders(),
        [&walk](const QString& folder) { return walk.holdsUnlisted(folder); }, exclusions);
}

} // namespace morvane::sitecompare
