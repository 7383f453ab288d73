#include "transfer/downloadjob.h"

#include "transfer/ftplog.h"
#include "transfer/transferqueue.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <vector>

namespace morvane {

namespace {

// One file as it arrives, possibly on a transfer thread: written to its
// temporary file only; committed or dropped on the job's thread.
struct Sink {
    std::unique_ptr<QSaveFile> file;
    std::atomic<qint64> written{0}; // counted on the transfer's thread
    bool writeFailed = false;
    QString writeError;
};

size_t receiveFile(char* data, size_t size, size_t count, void* userp) {
    auto* sink = static_cast<Sink*>(userp);
    const auto n = static_cast<qint64>(size) * static_cast<qint64>(count);
    if (sink->file->write(data, n) != n) {
        sink->writeFailed = true;
        sink->writeError = sink->file->errorString();
        return 0; // ends the transfer; the temporary file is dropped
    }
    sink->written += n;
    return size_t(n);
}

bool setModified(const QString& path, qint64 secondsSinceEpoch) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(secondsSinceEpoch);
    times[1].tv_nsec = 0;
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) ==
           0;
}

QStringList pathsOf(const QList<DownloadJob::File>& files) {
    QStringList out;
    out.reserve(files.size());
    for (const DownloadJob::File& f : files)
        out << f.path;
    return out;
}

} // namespace

struct DownloadJob::Impl {
    explicit Impl(QObject* context) : queue(context) {}
    TransferQueue queue;
    std::vector<std::unique_ptr<Sink>> sinks;
    std::vector<QString> targets;
    qint64 bytesTotal = 0;
    qint64 bytesDone = 0;
};

DownloadJob::DownloadJob(const Site& site, const QString& siteFolderLocal, const QList<File>& files,
                         QObject* parent)
    : QObject(parent), m_site(site), m_siteFolder(siteFolderLocal), m_files(files),
      d(std::make_unique<Impl>(this)), m_outcomes(pathsOf(files), tr("Not fetched")) {
    d->sinks.resize(size_t(files.size()));
    d->targets.resize(size_t(files.size()));
    for (const File& f : files)
        d->bytesTotal += std::max<qint64>(0, f.server.size);
}

DownloadJob::~DownloadJob() = default;

void DownloadJob::useConnections(std::shared_ptr<KeptConnections> kept) {
    d->queue.useConnections(std::move(kept));
}

void DownloadJob::setReplyTimeout(int seconds) {
    m_replyTimeout = std::max(1, seconds);
}

TrustProblem DownloadJob::trustProblem() const {
    return d->queue.trustProblem();
}

SshHostKey DownloadJob::hostKey() const {
    return d->queue.hostKey();
}

int DownloadJob::transfersMade() const {
    return d->queue.started();
}

QString DownloadJob::prepareTarget(const QString& siteFolder, const QString& relative,
                                   QString* problem) {
    const QStringList names = relative.split(QLatin1Char('/'));
    for (const QString& name : names) {
        const QString why = servername::problem(name);
        if (!why.isEmpty()) {
            *problem = tr("The path can't be written here: %1.").arg(why);
            return QString();
        }
    }
    QString path = siteFolder;
    for (qsizetype i = 0; i < names.size(); ++i) {
        path += QLatin1Char('/') + names[i];
        const QFileInfo info(path);
        const bool last = i + 1 == names.size();
        if (info.isSymLink()) {
            *problem = tr("\"%1\" is a symbolic link here; it is not written through.")
                           .arg(ftppath::printable(names.mid(0, i + 1).join(QLatin1Char('/'))));
            return QString();
        }
        if (last) {
            if (info.exists() && !info.isFile()) {
                *problem = tr("A folder or other non-file has this name here.");
                return QString();
            }
            break;
        }
        if (info.exists() && !info.isDir()) {
            *problem = tr("\"%1\" is a file here, not a folder.")
                           .arg(ftppath::printable(names.mid(0, i + 1).join(QLatin1Char('/'))));
            return QString();
        }
        if (!info.exists() && !QDir().mkdir(path)) {
            *problem = tr("The folder \"%1\" can't be made.")
                           .arg(ftppath::printable(names.mid(0, i + 1).join(QLatin1Char('/'))));
            return QString();
        }
    }
    return path;
}

void DownloadJob::start() {
    if (m_started)
        return;
    m_started = true;
    if (m_files.isEmpty()) {
        finish(QString());
        return;
    }
    QString problem;
    if (!d->queue.configure(m_site, &problem)) {
        finish(problem);
        return;
    }
    d->queue.setReplyTimeout(m_replyTimeout);
    d->queue.setHandlers(
        [this](int id, FtpError* error) -> std::unique_ptr<StreamInfo> {
            const File& file = m_files[id];
            QString why;
            const QString target = prepareTarget(m_siteFolder, file.path, &why);
            if (target.isEmpty()) {
                *error = {FtpErrorDomain::LocalFile, 0, why, {}, 0};
                return nullptr;
            }
            auto sink = std::make_unique<Sink>();
            sink->file = std::make_unique<QSaveFile>(target);
            if (!sink->file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
                *error = {FtpErrorDomain::LocalFile,
                          0,
                          tr("The local file can't be written: %1").arg(sink->file->errorString()),
                          {},
                          0};
                return nullptr;
            }
            const QByteArray url = d->queue.server().url(
                d->queue.serverFolder() + file.path.split(QLatin1Char('/')), false);
            auto info = prepareTransfer(FtpTransferKind::Fetch, url, d->queue.credentials(),
                                        file.path, error, d->queue.options());
            if (!info)
                return nullptr;
            CURL* easy = info->easy.get();
            const bool ok =
                curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &receiveFile) == CURLE_OK &&
                curl_easy_setopt(easy, CURLOPT_WRITEDATA, static_cast<void*>(sink.get())) ==
                    CURLE_OK &&
                // No SIZE before each RETR: a round trip per file, and the
                // server's final reply says the file came whole anyway.
                curl_easy_setopt(easy, CURLOPT_IGNORE_CONTENT_LENGTH, 1L) == CURLE_OK;
            if (!ok) {
                *error = {
                    FtpErrorDomain::Setup, 0, tr("libcurl refused the download's settings"), {}, 0};
                return nullptr;
            }
            d->sinks[size_t(id)] = std::move(sink);
            d->targets[size_t(id)] = target;
            return info;
        },
        [this](int id, const FtpTransferResult& r, StreamInfo&) {
            if (m_finished)
                return;
            std::unique_ptr<Sink> sink = std::move(d->sinks[size_t(id)]);
            if (!sink || r.error.isError() || sink->writeFailed) {
                if (sink)
                    sink->file->cancelWriting();
                // A local problem found before the transfer is this job's
                // own words about writing; the engine's message for a local
                // file speaks of reading one, as an upload does.
                QString why = sink && sink->writeFailed
                                  ? tr("The local file can't be written: %1").arg(sink->writeError)
                              : r.error.domain == FtpErrorDomain::LocalFile
                                  ? r.error.detail
                                  : streamErrorMessage(r.error);
                fileEnded(id, why);
                return;
            }
            // The place may have been swapped for a link while the file came.
            QString why;
            const QString target = d->targets[size_t(id)];
            if (prepareTarget(m_siteFolder, m_files[id].path, &why) != target) {
                sink->file->cancelWriting();
                fileEnded(id, why);
                return;
            }
            if (!sink->file->commit()) {
                fileEnded(id,
                          tr("The local file can't be written: %1").arg(sink->file->errorString()));
                return;
            }
            // The time the listing showed (to the second with MLSD, else to
            // the minute or the day): a comparison then finds the file the
            // same within the server's precision, without a request per file
            // for the exact time.
            const QDateTime listed = m_files[id].server.modified;
            if (listed.isValid())
                setModified(target, listed.toSecsSinceEpoch());
            d->bytesDone += sink->written;
            fileEnded(id, QString());
        },
        [this](const FtpError& error) { finish(streamErrorMessage(error)); });
    if (!d->queue.begin(&problem)) {
        finish(tr("ERROR: Can't initiate FTP. %1").arg(problem));
        return;
    }
    for (int i = 0; i < m_files.size(); ++i)
        d->queue.enqueue(i);
}

void DownloadJob::fileEnded(int id, const QString& error) {
    const QString& path = m_files[id].path;
    if (error.isEmpty()) {
        m_outcomes.setDone(path);
        Q_EMIT message(tr("Downloaded \"%1\"").arg(ftppath::printable(path)));
        Q_EMIT fileDownloaded(path);
    } else {
        m_outcomes.setFailed(path, error);
    }
    Q_EMIT progress(d->bytesDone, d->bytesTotal, int(m_outcomes.done().size()),
                    int(m_files.size()));
    if (++m_ended == m_files.size())
        finish(QString());
}

QList<DownloadJob::InFlight> DownloadJob::inFlight() const {
    QList<InFlight> out;
    for (size_t i = 0; i < d->sinks.size(); ++i) {
        if (d->sinks[i])
            out.append({m_files[qsizetype(i)].path, m_files[qsizetype(i)].server.size,
                        d->sinks[i]->written.load(std::memory_order_relaxed)});
    }
    return out;
}

QStringList DownloadJob::failedFiles() const {
    return m_outcomes.failedFiles();
}

QString DownloadJob::failureOf(const QString& path) const {
    return m_outcomes.failureOf(path);
}

QString DownloadJob::resultText() const {
    return m_outcomes.resultText(FileVerb::Download);
}

void DownloadJob::cancel() {
    if (!m_finished)
        finish(tr("Cancelled"));
}

void DownloadJob::finish(const QString& error) {
    if (m_finished)
        return;
    m_finished = true;
    m_error = error;
    d->queue.stop();
    // Files still being written are dropped; the local ones stay as they were.
    for (auto& sink : d->sinks) {
        if (sink)
            sink->file->cancelWriting();
    }
    d->sinks.clear();
    m_outcomes.setJobError(error);
    m_allDone = m_outcomes.failedFiles().isEmpty();
    Q_EMIT message(resultText());
    QMetaObject::invokeMethod(this, &DownloadJob::finished, Qt::QueuedConnection);
}

} // namespace morvane
