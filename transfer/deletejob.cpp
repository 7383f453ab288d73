#include "transfer/deletejob.h"

#include "transfer/transferqueue.h"

#include <QMetaObject>

#include <algorithm>

namespace morvane {

struct DeleteJob::Impl {
    explicit Impl(QObject* context) : queue(context) {}
    TransferQueue queue;
};

DeleteJob::DeleteJob(const Site& site, const QStringList& files, const QStringList& folders,
                     QObject* parent)
    : QObject(parent), m_site(site), m_files(files), m_folders(folders),
      d(std::make_unique<Impl>(this)), m_outcomes(files, tr("Not deleted")) {
    // A folder goes after every folder inside it.
    std::stable_sort(m_folders.begin(), m_folders.end(), [](const QString& a, const QString& b) {
        return a.count(QLatin1Char('/')) > b.count(QLatin1Char('/'));
    });
}

DeleteJob::~DeleteJob() = default;

void DeleteJob::useConnections(std::shared_ptr<KeptConnections> kept) {
    d->queue.useConnections(std::move(kept));
}

void DeleteJob::setReplyTimeout(int seconds) {
    m_replyTimeout = std::max(1, seconds);
}

TrustProblem DeleteJob::trustProblem() const {
    return d->queue.trustProblem();
}

SshHostKey DeleteJob::hostKey() const {
    return d->queue.hostKey();
}

void DeleteJob::start() {
    if (m_started)
        return;
    m_started = true;
    if (m_files.isEmpty() && m_folders.isEmpty()) {
        finish(QString());
        return;
    }
    QString problem;
    if (!d->queue.configure(m_site, &problem)) {
        finish(problem);
        return;
    }
    d->queue.setReplyTimeout(m_replyTimeout);
    const int fileCount = int(m_files.size());
    d->queue.setHandlers(
        [this, fileCount](int id, FtpError* error) -> std::unique_ptr<StreamInfo> {
            const bool folder = id >= fileCount;
            const QString& path = folder ? m_folders[id - fileCount] : m_files[id];
            const bool sftp = d->queue.protocol() == SiteProtocol::Sftp;
            const QString target = ftpCommandPath(
                d->queue.server(), d->queue.serverFolder() + path.split(QLatin1Char('/')));
            const QString command = folder
                                        ? (sftp ? QStringLiteral("rmdir ") : QStringLiteral("RMD "))
                                        : (sftp ? QStringLiteral("rm ") : QStringLiteral("DELE "));
            return ftpCommands(d->queue.server(), {command + target}, d->queue.credentials(), path,
                               error, d->queue.options());
        },
        [this, fileCount](int id, const FtpTransferResult& r, StreamInfo&) {
            if (m_finished)
                return;
            if (id >= fileCount) {
                // Not empty (it holds names the walk did not list): it stays.
                if (!r.error.isError()) {
                    m_removedFolders << m_folders[id - fileCount];
                    Q_EMIT message(tr("Removed the folder \"%1\"")
                                       .arg(ftppath::printable(m_folders[id - fileCount])));
                }
                nextFolder();
                return;
            }
            ended(id, r.error.isError() ? streamErrorMessage(r.error) : QString());
        },
        [this](const FtpError& error) { finish(streamErrorMessage(error)); });
    if (!d->queue.begin(&problem)) {
        finish(tr("ERROR: Can't initiate FTP. %1").arg(problem));
        return;
    }
    for (int i = 0; i < fileCount; ++i)
        d->queue.enqueue(i);
    if (fileCount == 0)
        nextFolder();
}

void DeleteJob::ended(int id, const QString& error) {
    const QString& path = m_files[id];
    if (error.isEmpty()) {
        m_outcomes.setDone(path);
        Q_EMIT message(tr("Deleted \"%1\"").arg(ftppath::printable(path)));
    } else {
        m_outcomes.setFailed(path, error);
    }
    if (++m_filesEnded == m_files.size())
        nextFolder();
}

void DeleteJob::nextFolder() {
    if (m_finished)
        return;
    if (m_nextFolder >= m_folders.size()) {
        finish(QString());
        return;
    }
    d->queue.enqueue(int(m_files.size()) + m_nextFolder++);
}

QStringList DeleteJob::failedFiles() const {
    return m_outcomes.failedFiles();
}

QString DeleteJob::failureOf(const QString& path) const {
    return m_outcomes.failureOf(path);
}

QString DeleteJob::resultText() const {
    return m_outcomes.resultText(FileVerb::Delete);
}

void DeleteJob::cancel() {
    if (!m_finished)
        finish(tr("Cancelled"));
}

void DeleteJob::finish(const QString& error) {
    if (m_finished)
        return;
    m_finished = true;
    m_error = error;
    m_outcomes.setJobError(error);
    d->queue.stop();
    Q_EMIT message(resultText());
    QMetaObject::invokeMethod(this, &DeleteJob::finished, Qt::QueuedConnection);
}

} // namespace morvane
