// What the server held when this program last saw each file: after every
// upload and download, the size and modification time the server lists for
// the file. An upload compares the server's listing with it before it
// replaces a file: a file changed on the server since (by a colleague, a
// web-based admin, an installer) is a conflict and is not overwritten
// unless asked. A site without a memory yet uploads as always, then starts
// remembering.
//
// One small file per site beside the record of files needing upload
// ("ServerState-<hash of the site's name>.json"), written atomically, readable
// by the user alone. It names the server and server folder it was made for;
// a site moved to another server or folder starts afresh.
#pragma once

#include "core/sitestore.h"
#include "transfer/serverlisting.h"
#include "upload/uploadplan.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace morvane {

class ServerState {
public:
    // The state file of `site`, in the folder of the record at `recordPath`.
    static QString pathFor(const Site& site, const QString& recordPath);

    // Reads the state of `site`; a missing or unreadable file, or one made for
    // another server or folder, is an empty memory.
    void load(const Site& site, const QString& recordPath);
    // Writes it (0600). False with `problem` set on failure.
    bool save(QString* problem) const;

    bool isEmpty() const { return m_files.isEmpty(); }
    std::optional<ServerEntry> remembered(const QString& path) const;
    void remember(const QString& path, const ServerEntry& entry);
    void forget(const QString& path);

    // Whether the server's file `now` is no longer the one remembered: its
    // size differs, or its time lies outside what the remembered time stood
    // for (each within its listing's precision).
    static bool changedSince(const ServerEntry& remembered, const ServerEntry& now);

private:
    QString m_path;
    QString m_server;
    QString m_folder;
    QMap<QString, ServerEntry> m_files;
};

namespace serverstate {

// Files of `send` (relative) whose server copy changed since it was last
// seen, each with the reason ("changed on the server since…"), given the
// server's entries now.
QList<uploadplan::Refusal> conflicts(const ServerState& state, const QStringList& send,
                                     const QMap<QString, ServerEntry>& now);

// The folders (relative; "" for the server folder) that hold `files`.
QStringList foldersOf(const QStringList& files);

// For the publish sequence: lists the server folders of the files to send
// (only when the site has a memory) and holds back the conflicts. False
// with `problem` set when the server can't be listed.
// `serverNow` (optional) receives the server's entries of the folders listed.
bool holdBackConflicts(const Site& site, const QString& recordPath, const QStringList& send,
                       QList<uploadplan::Refusal>* held, QString* problem,
                       QMap<QString, ServerEntry>* serverNow = nullptr);
// Before files are sent: what was remembered of them goes, so that an
// upload killed before it could remember them anew is never taken for a
// change made on the server.
void forgetBeforeSending(const Site& site, const QString& recordPath, const QStringList& files);
// After a transfer: lists the folders of `files` and remembers how the
// server holds them now. False with `problem` set on failure (the upload
// itself stands).
bool rememberServer(const Site& site, const QString& recordPath, const QStringList& files,
                    QString* problem);

} // namespace serverstate

} // namespace morvane
