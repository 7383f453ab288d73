// Deletes files in a site's server folder, then removes the folders that
// are empty afterwards. Paths are relative to the server folder and come
// from a walk of it (their names checked there), so nothing outside the
// server folder is ever named. A folder is removed with RMD (rmdir over
// SFTP), which every server refuses for a folder that still holds
// anything, names the walk did not list included; such a refusal is no
// failure.
#pragma once

#include "core/sitestore.h"
#include "transfer/fileoutcomes.h"
#include "transfer/sshhostkey.h"

#include <QMap>
#include <QObject>
#include <QStringList>

#include <memory>

namespace morvane {

struct KeptConnections;

class DeleteJob : public QObject {
    Q_OBJECT
public:
    // `folders`: those to remove once the files are gone, if empty then.
    DeleteJob(const Site& site, const QStringList& files, const QStringList& folders,
              QObject* parent = nullptr);
    ~DeleteJob() override;

    void setReplyTimeout(int seconds);
    // Before start(): delete over the connections a walk of the same site
    // left open (ServerWalk::takeConnections()) instead of logging in again.
    void useConnections(std::shared_ptr<KeptConnections> kept);
    void start(); // returns at once; finished() follows, exactly once
    void cancel();

    bool isFinished() const { return m_finished; }
    bool succeeded() const { return m_finished && m_error.isEmpty() && failedFiles().isEmpty(); }
    QString resultText() const;
    QStringList deletedFiles() const { return m_outcomes.done(); }
    QStringList removedFolders() const { return m_removedFolders; }
    QStringList failedFiles() const;
    QString failureOf(const QString& path) const;
    TrustProblem trustProblem() const;
    SshHostKey hostKey() const;

Q_SIGNALS:
    void message(const QString& text);
    void finished();

private:
    struct Impl;
    void ended(int id, const QString& error);
    void nextFolder();
    void finish(const QString& error);
    Site m_site;
    QStringList m_files;
    QStringList m_folders; // deepest first
    std::unique_ptr<Impl> d;
    QStringList m_removedFolders;
    FileOutcomes m_outcomes;
    QString m_error;
    int m_replyTimeout = 60;
    int m_filesEnded = 0;
    int m_nextFolder = 0;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace morvane
