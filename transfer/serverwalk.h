// A walk of a site's server folder: one listing per folder, every folder
// below it, each entry read as a ServerEntry. It is what a comparison, a
// download and the deletions of an upload start from. The walk is bounded
// (folders deep, entries in all, bytes per listing), so that an endless or
// huge listing ends it with a clear message. Names from the listings are
// never trusted as paths: a name that could leave its folder is skipped and
// named (skipped()), a link on the server is never followed, and excluded
// names are neither listed nor entered.
#pragma once

#include "core/exclusions.h"
#include "core/sitestore.h"
#include "transfer/serverlisting.h"
#include "transfer/sshhostkey.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <memory>

namespace morvane {

struct KeptConnections;

class ServerWalk : public QObject {
    Q_OBJECT
public:
    struct Skipped {
        QString path; // relative, as the server named it (for messages only)
        QString reason;
    };
    struct Limits {
        int maxDepth = 32;                         // folders below the server folder
        int maxEntries = 200000;                   // entries of all listings together
        qint64 maxListingBytes = 32 * 1024 * 1024; // of one folder's listing
    };

    ServerWalk(const Site& site, const Exclusions& exclusions, QObject* parent = nullptr);
    ~ServerWalk() override;

    void setLimits(const Limits& limits) { m_limits = limits; }
    // Lists exactly these folders (relative; "" is the server folder
    // itself) and none below them, instead of the whole tree. A folder
    // missing on the server counts as empty.
    void setOnlyFolders(const QStringList& folders);
    void setReplyTimeout(int seconds);

    void start(); // returns at once; finished() follows, exactly once
    void cancel();

    bool isFinished() const { return m_finished; }
    bool succeeded() const { return m_finished && m_error.isEmpty(); }
    QString errorText() const { return m_error; } // empty on success
    TrustProblem trustProblem() const;
    SshHostKey hostKey() const;

    // Every file below the server folder (relative path, "/" between names).
    const QMap<QString, ServerEntry>& files() const { return m_files; }
    // Every folder below it, each after the folder that holds it.
    const QStringList& folders() const { return m_folders; }
    const QList<Skipped>& skipped() const { return m_skipped; }
    // Whether the folder (relative) or one below it holds names left out of
    // files() and folders(): excluded, skipped or links. Such a folder never
    // becomes empty by deleting what the walk listed.
    bool holdsUnlisted(const QString& folder) const;
    int listingsMade() const; // server listings run, reruns included
    // Whether the times are exact to the second (MLSD) rather than to the
    // minute or the day.
    bool exactTimes() const { return m_mlsd; }
    // After a walk that succeeded: its connections, still open and logged
    // in, for the download or deletions that follow (useConnections()).
    std::shared_ptr<KeptConnections> takeConnections();

Q_SIGNALS:
    void finished();

private:
    struct Impl;
    void finish(const QString& error);
    void addFolder(const QStringList& segments, int depth);
    void listed(int id, const QByteArray& listing, bool mlsd, bool sftp);
    Site m_site;
    Exclusions m_exclusions;
    Limits m_limits;
    int m_replyTimeout = 60;
    std::unique_ptr<Impl> d;
    QMap<QString, ServerEntry> m_files;
    QStringList m_folders;
    QList<Skipped> m_skipped;
    QStringList m_unlistedIn; // folders that directly hold unlisted names
    QString m_error;
    bool m_mlsd = false;
    bool m_onlySome = false;
    QStringList m_only;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace morvane
