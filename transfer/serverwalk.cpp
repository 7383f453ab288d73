#include "transfer/serverwalk.h"

#include "transfer/ftplog.h"
#include "transfer/transferqueue.h"

#include <QMetaObject>

#include <algorithm>
#include <vector>

namespace morvane {

namespace {

// One folder's listing as it arrives, possibly on a transfer thread; read
// on the walk's thread once the transfer has ended.
struct ListingBuffer {
    StreamInfo* info = nullptr;
    QByteArray bytes;
    qint64 cap = 0;
    bool tooBig = false;
    bool mlsd = false; // asked for with MLSD
};

size_t receiveListing(char* data, size_t size, size_t count, void* userp) {
    auto* buffer = static_cast<ListingBuffer*>(userp);
    const size_t n = size * count;
    StreamInfo* info = buffer->info;
    if (!info->listingClock.isValid())
        info->listingClock.start();
    if (info->listingClock.elapsed() > info->listingLimitMs) {
        info->listingTooSlow = true;
        return 0;
    }
    if (buffer->bytes.size() + qint64(n) > buffer->cap) {
        buffer->tooBig = true;
        return 0;
    }
    buffer->bytes.append(data, qsizetype(n));
    return n;
}

// Replies that say the server does not know a command.
bool commandUnknown(long code) {
    return code == 500 || code == 501 || code == 502 || code == 504;
}

QString joined(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

} // namespace

struct ServerWalk::Impl {
    struct Folder {
        QStringList segments; // below the server folder
        QString path;         // the same joined with "/"
        int depth = 0;
    };
    explicit Impl(QObject* context) : queue(context) {}
    TransferQueue queue;
    std::vector<Folder> folders;
    std::vector<std::unique_ptr<ListingBuffer>> buffers;
    int outstanding = 0; // listings queued or running
    int entries = 0;
};

ServerWalk::ServerWalk(const Site& site, const Exclusions& exclusions, QObject* parent)
    : QObject(parent), m_site(site), m_exclusions(exclusions), d(std::make_unique<Impl>(this)) {}

ServerWalk::~ServerWalk() = default;

void ServerWalk::setReplyTimeout(int seconds) {
    m_replyTimeout = std::max(1, seconds);
}

TrustProblem ServerWalk::trustProblem() const {
    return d->queue.trustProblem();
}

SshHostKey ServerWalk::hostKey() const {
    return d->queue.hostKey();
}

int ServerWalk::listingsMade() const {
    return d->queue.started();
}

void ServerWalk::start() {
    if (m_started)
        return;
    m_started = true;
    QString problem;
    if (!d->queue.configure(m_site, &problem)) {
        finish(problem);
        return;
    }
    d->queue.setReplyTimeout(m_replyTimeout);
    const bool sftp = d->queue.protocol() == SiteProtocol::Sftp;
    m_mlsd = !sftp; // tried first; a server that does not know it is listed with LIST
    d->queue.setHandlers(
        [this, sftp](int id, FtpError* error) -> std::unique_ptr<StreamInfo> {
            const Impl::Folder& folder = d->folders[size_t(id)];
            const QByteArray url =
                d->queue.server().url(d->queue.serverFolder() + folder.segments, true);
            auto info = prepareTransfer(FtpTransferKind::Listing, url, d->queue.credentials(),
                                        folder.path, error, d->queue.options());
            if (!info)
                return nullptr;
            auto buffer = std::make_unique<ListingBuffer>();
            buffer->info = info.get();
            buffer->cap = m_limits.maxListingBytes;
            CURL* easy = info->easy.get();
            bool ok = curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &receiveListing) == CURLE_OK &&
                      curl_easy_setopt(easy, CURLOPT_WRITEDATA, static_cast<void*>(buffer.get())) ==
                          CURLE_OK;
            buffer->mlsd = m_mlsd && !sftp;
            if (ok && buffer->mlsd)
                ok = curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "MLSD") == CURLE_OK;
            if (!ok) {
                *error = {FtpErrorDomain::Setup,
                          0,
                          QStringLiteral("libcurl refused the listing's settings"),
                          {},
                          0};
                return nullptr;
            }
            d->buffers[size_t(id)] = std::move(buffer);
            return info;
        },
        [this, sftp](int id, const FtpTransferResult& r, StreamInfo&) {
            if (m_finished)
                return;
            const ListingBuffer* buffer = d->buffers[size_t(id)].get();
            const QString shown = d->folders[size_t(id)].path.isEmpty()
                                      ? QStringLiteral("the server folder")
                                      : QStringLiteral("the server folder \"%1\"")
                                            .arg(ftppath::printable(d->folders[size_t(id)].path));
            if (buffer && buffer->tooBig) {
                finish(QStringLiteral("The listing of %1 is larger than %2 MB; it was not read.")
                           .arg(shown)
                           .arg(m_limits.maxListingBytes / (qint64{1024} * 1024)));
                return;
            }
            if (r.error.isError()) {
                if (buffer && buffer->mlsd && commandUnknown(r.responseCode)) {
                    m_mlsd = false; // an older server: LIST it is
                    d->queue.enqueue(id);
                    return;
                }
                const bool missing = r.error.domain == FtpErrorDomain::FTP
                                         ? r.error.code == 550 || r.error.code == 450
                                         : sftp && (r.responseCode == 2 ||
                                                    r.error.code == CURLE_REMOTE_FILE_NOT_FOUND);
                if (m_onlySome && missing) {
                    // Not on the server (yet): nothing in it to know about.
                    if (--d->outstanding == 0 && !m_finished)
                        finish(QString());
                    return;
                }
                finish(QStringLiteral("Can't list %1: %2").arg(shown, streamErrorMessage(r.error)));
                return;
            }
            listed(id, buffer ? buffer->bytes : QByteArray(), buffer && buffer->mlsd, sftp);
            d->buffers[size_t(id)].reset();
            if (--d->outstanding == 0 && !m_finished)
                finish(QString());
        },
        [this](const FtpError& error) {
            finish(
                QStringLiteral("Can't list the server folder: %1").arg(streamErrorMessage(error)));
        });
    if (!d->queue.begin(&problem)) {
        finish(QStringLiteral("ERROR: Can't initiate FTP. ") + problem);
        return;
    }
    if (!m_onlySome) {
        addFolder(QStringList(), 0);
        return;
    }
    if (m_only.isEmpty()) {
        finish(QString());
        return;
    }
    for (const QString& folder : m_only)
        addFolder(folder.split(QLatin1Char('/'), Qt::SkipEmptyParts), 0);
}

void ServerWalk::setOnlyFolders(const QStringList& folders) {
    m_onlySome = true;
    m_only.clear();
    // The server folder first: a server without MLSD is found out there.
    for (const QString& f : folders) {
        const QString clean = f.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
        if (!m_only.contains(clean))
            m_only << clean;
    }
    std::stable_sort(m_only.begin(), m_only.end(), [](const QString& a, const QString& b) {
        return a.isEmpty() && !b.isEmpty();
    });
}

void ServerWalk::addFolder(const QStringList& segments, int depth) {
    d->folders.push_back({segments, segments.join(QLatin1Char('/')), depth});
    d->buffers.emplace_back();
    ++d->outstanding;
    d->queue.enqueue(int(d->folders.size()) - 1);
}

void ServerWalk::listed(int id, const QByteArray& listing, bool mlsd, bool sftp) {
    const Impl::Folder folder = d->folders[size_t(id)];
    int read = 0;
    int unreadable = 0;
    for (const QByteArray& line : listing.split('\n')) {
        ServerEntry entry;
        const ServerLineKind kind =
            mlsd ? parseMlsdLine(line, &entry) : parseLsLine(line, &entry, sftp);
        if (kind == ServerLineKind::Skip)
            continue;
        if (kind == ServerLineKind::Invalid) {
            // A name with a line break in it splits its line in two; the
            // pieces are named and left alone.
            ++unreadable;
            m_unlistedIn << folder.path;
            m_skipped.append(
                {joined(folder.path, ftppath::printable(QString::fromUtf8(line.left(200)))),
                 QStringLiteral("a line of the server's listing that can't be read")});
            continue;
        }
        ++read;
        // A folder's own entries for itself and its parent.
        if (entry.isFolder &&
            (entry.name == QLatin1String(".") || entry.name == QLatin1String("..")))
            continue;
        if (++d->entries > m_limits.maxEntries) {
            finish(QStringLiteral("The server folder holds more than %1 files and folders; it was "
                                  "not read further.")
                       .arg(m_limits.maxEntries));
            return;
        }
        const QString path = joined(folder.path, entry.name);
        const QString problem = servername::problem(entry.name);
        if (!problem.isEmpty()) {
            m_skipped.append({joined(folder.path, ftppath::printable(entry.name)), problem});
            m_unlistedIn << folder.path;
            continue;
        }
        if (m_exclusions.excludes(path, entry.isFolder)) {
            m_unlistedIn << folder.path;
            continue;
        }
        if (entry.isLink) {
            m_skipped.append({path, QStringLiteral("a link on the server (never followed)")});
            m_unlistedIn << folder.path;
            continue;
        }
        if (entry.isFolder && m_onlySome) {
            m_folders << path;
            continue;
        }
        if (entry.isFolder) {
            if (folder.depth + 1 > m_limits.maxDepth) {
                finish(QStringLiteral("The server folder \"%1\" lies more than %2 folders deep; "
                                      "it was not read further.")
                           .arg(ftppath::printable(path))
                           .arg(m_limits.maxDepth));
                return;
            }
            m_folders << path;
            addFolder(folder.segments + QStringList{entry.name}, folder.depth + 1);
            continue;
        }
        m_files.insert(path, entry);
    }
    if (unreadable > 0 && read == 0)
        finish(QStringLiteral("The listing of the server folder \"%1\" can't be read.")
                   .arg(ftppath::printable(folder.path)));
}

bool ServerWalk::holdsUnlisted(const QString& folder) const {
    const QString below = folder + QLatin1Char('/');
    return std::any_of(m_unlistedIn.cbegin(), m_unlistedIn.cend(),
                       [&](const QString& f) { return f == folder || f.startsWith(below); });
}

std::shared_ptr<KeptConnections> ServerWalk::takeConnections() {
    return succeeded() ? d->queue.keepConnections() : nullptr;
}

void ServerWalk::cancel() {
    if (!m_finished)
        finish(QStringLiteral("Cancelled"));
}

void ServerWalk::finish(const QString& error) {
    if (m_finished)
        return;
    m_finished = true;
    m_error = error;
    d->queue.stop();
    if (!error.isEmpty())
        qCDebug(lcFtp).noquote() << "Server walk failed:" << error;
    QMetaObject::invokeMethod(this, &ServerWalk::finished, Qt::QueuedConnection);
}

} // namespace morvane
