// Fetches files from a site's server folder into its local folder. Each
// file is written under a temporary name beside its place (QSaveFile) and
// renamed over it only once the server has sent the whole file, so a
// failed, killed or full-disk download never leaves a half-written file
// under the real name, and the previous local file stays until then.
// Nothing is written outside the site folder, and nothing through a
// symbolic link: a file or folder on the way that is a link refuses the
// file. A downloaded file takes the server's modification time.
#pragma once

#include "core/sitestore.h"
#include "transfer/fileoutcomes.h"
#include "transfer/serverlisting.h"
#include "transfer/sshhostkey.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>

namespace morvane {

struct KeptConnections;

class DownloadJob : public QObject {
    Q_OBJECT
public:
    struct File {
        QString path;       // relative to the server folder and the site folder
        ServerEntry server; // as the walk listed it
    };

    DownloadJob(const Site& site, const QString& siteFolderLocal, const QList<File>& files,
                QObject* parent = nullptr);
    ~DownloadJob() override;

    void setReplyTimeout(int seconds);
    // Before start(): fetch over the connections a walk of the same site
    // left open (ServerWalk::takeConnections()) instead of logging in again.
    void useConnections(std::shared_ptr<KeptConnections> kept);
    void start(); // returns at once; finished() follows, exactly once
    void cancel();

    bool isFinished() const { return m_finished; }
    bool succeeded() const { return m_finished && m_error.isEmpty() && m_allDone; }
    QString resultText() const;
    QString errorText() const { return m_error; } // why the whole job stopped
    QStringList downloadedFiles() const { return m_outcomes.done(); }
    QStringList failedFiles() const; // in the order given
    QString failureOf(const QString& path) const;
    TrustProblem trustProblem() const;
    SshHostKey hostKey() const;
    int transfersMade() const;

    // The files being fetched now: relative path, size the listing gave,
    // bytes written so far (for a progress display).
    struct InFlight {
        QString path;
        qint64 size = 0;
        qint64 received = 0;
    };
    QList<InFlight> inFlight() const;

    // Where `relative` may be written below `siteFolder`: its full path,
    // after making the folders it needs. Empty with `problem` set when a
    // name is unsafe, or a file or folder on the way is a symbolic link or
    // not what it must be.
    static QString prepareTarget(const QString& siteFolder, const QString& relative,
                                 QString* problem);

Q_SIGNALS:
    void message(const QString& text);
    void fileDownloaded(const QString& path);
    // Bytes and files so far, of the totals the listing gave.
    void progress(qint64 bytesDone, qint64 bytesTotal, int filesDone, int filesTotal);
    void finished();

private:
    struct Impl;
    void fileEnded(int id, const QString& error);
    void finish(const QString& error);
    Site m_site;
    QString m_siteFolder;
    QList<File> m_files;
    std::unique_ptr<Impl> d;
    FileOutcomes m_outcomes;
    bool m_allDone = false;
    QString m_error;
    int m_replyTimeout = 60;
    int m_ended = 0;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace morvane
