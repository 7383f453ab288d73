#include "upload/transferjob.h"

#include "upload/ftpaddress.h"
#include "upload/ftpcurl.h"
#include "upload/ftpstream.h"

#include <QHash>
#include <QMetaObject>
#include <QSet>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace morvane {

namespace {

const QString kFolderKeyPrefix = QStringLiteral("{*Directory*} ");
const QString kInitialising = QStringLiteral("Intializing FTP");
const QString kCannotInitiate = QStringLiteral("ERROR: Can't initiate FTP");
const QString kCancelled = QStringLiteral("Cancelled");

constexpr int kDefaultConnections = 4;
constexpr int kMaxConnections = 64;
// How often one transfer may be put back in the queue because the server
// turned its connection away as one too many.
constexpr int kMaxRefusals = 20;

int connectionLimit(const Site& site) {
    bool ok = false;
    const int n = site.value(QStringLiteral("maxconnections")).trimmed().toInt(&ok, 10);
    if (!ok || n < 1)
        return kDefaultConnections;
    return std::min(n, kMaxConnections);
}

} // namespace

// The job keeps one item per transfer: the listing of a connection test, or
// for an upload the folder requests (each level of each folder once, in the
// order they are first needed) and one store per file. An item starts once
// the folder it needs has ended, created or refused, and at most `limit`
// items run at once over the connections the multi handle keeps for reuse.
struct TransferJob::Impl {
    enum class Mode { Test, Upload };
    enum class State { Waiting, Ready, Running, Done, Failed };

    struct Item {
        FtpTransferKind kind = FtpTransferKind::Store;
        QString key;            // the relative file path, or a folder key
        QStringList remotePath; // below the server's folder
        QString localPath;
        std::vector<int> dependents; // items that start once this one ended
        bool waiting = false;        // waits for a folder request
        State state = State::Waiting;
        QString error;
        int refusals = 0;
    };

    TransferJob* q = nullptr;
    Mode mode = Mode::Upload;
    Site site;
    QString siteFolderLocal;
    QStringList files;

    std::optional<FtpServerAddress> server;
    bool plannable = true; // false when the server folder cannot be sent
    FtpCredentials credentials;
    std::vector<Item> items;
    QHash<QString, int> fileItems;   // relative path -> item
    QHash<QString, int> folderItems; // folder key -> item
    std::set<int> ready;             // started in request order
    std::unordered_map<int, std::unique_ptr<MyStreamInfo>> running;
    std::unique_ptr<CurlMultiDriver> driver;
    int limit = kDefaultConnections;
    int unfinished = 0;
    int replyTimeout = 60; // seconds

    bool started = false;
    bool finished = false;
    QString result;
    Outcome outcome = Outcome::Running;
    bool listingSucceeded = false;

    void plan();
    int requestFolders(const QStringList& segments);
    void addItem(Item item, int waitFor);

    void pump();
    void launch(int index);
    void onDone(CURL* easy, CURLcode code);
    void itemEnded(int index, const FtpError& error);
    void release(int index);
    void checkFinished();
    void abortAll(const QString& why);
    void finish(const QString& text, Outcome how);
    void releaseConnections();
};

void TransferJob::Impl::addItem(Item item, int waitFor) {
    const int index = int(items.size());
    item.waiting = waitFor >= 0;
    if (waitFor >= 0)
        items[size_t(waitFor)].dependents.push_back(index);
    items.push_back(std::move(item));
}

// Requests every level of a folder chain that is not requested yet; each
// level waits for the one above it. Returns the deepest level's item, or -1.
int TransferJob::Impl::requestFolders(const QStringList& segments) {
    int parent = -1;
    QStringList path;
    for (const QString& segment : segments) {
        path << segment;
        const QString key = kFolderKeyPrefix + ftppath::join(path);
        auto found = folderItems.constFind(key);
        if (found != folderItems.constEnd()) {
            parent = *found;
            continue;
        }
        Item folder;
        folder.kind = FtpTransferKind::MakeFolder;
        folder.key = key;
        folder.remotePath = path;
        addItem(std::move(folder), parent);
        parent = int(items.size()) - 1;
        folderItems.insert(key, parent);
    }
    return parent;
}

void TransferJob::Impl::plan() {
    server = FtpServerAddress::parse(site.server());
    credentials = {site.userName(), site.password()};
    limit = connectionLimit(site);
    if (mode == Mode::Test) {
        Item listing;
        listing.kind = FtpTransferKind::Listing;
        addItem(std::move(listing), -1);
        return;
    }
    const auto base = ftppath::splitFolder(site.serverFolder());
    if (!base) {
        plannable = false;
        return;
    }
    requestFolders(*base);
    for (const QString& file : files) {
        if (fileItems.contains(file))
            continue; // listed twice: sent once
        Item store;
        store.kind = FtpTransferKind::Store;
        store.key = file;
        const auto segments = ftppath::splitRelativeFile(file);
        int waitFor = -1;
        if (!segments) {
            // Never sent: the name would break the command it goes into.
            store.state = State::Failed;
            store.error = MyStreamErrorMessage({FtpErrorDomain::BadName, 0, {}});
        } else {
            waitFor = requestFolders(*base + segments->mid(0, segments->size() - 1));
            store.remotePath = *base + *segments;
            store.localPath = siteFolderLocal + QLatin1Char('/') + file;
        }
        addItem(std::move(store), waitFor);
        fileItems.insert(file, int(items.size()) - 1);
    }
}

void TransferJob::Impl::pump() {
    while (!finished && int(running.size()) < limit && !ready.empty()) {
        const int index = *ready.begin();
        ready.erase(ready.begin());
        launch(index);
    }
}

void TransferJob::Impl::launch(int index) {
    Item& item = items[size_t(index)];
    FtpError error;
    std::unique_ptr<MyStreamInfo> info =
        item.kind == FtpTransferKind::Listing
            ? MySimpleDirectoryListing(*server, credentials, replyTimeout)
            : MySimpleUpload(*server, item.remotePath, item.localPath, credentials, item.key,
                             &error, replyTimeout);
    if (!info && error.isError()) {
        itemEnded(index, error); // the local file cannot be read
        return;
    }
    if (!info) {
        abortAll(kCannotInitiate);
        return;
    }
    info->tag = index;
    driver->trackSockets(info->easy.get(), &info->sockets);
    if (info->kind == FtpTransferKind::Store) {
        info->pauseAtEnd = [this, index, raw = info.get()] {
            if (!driver->pauseUntilFinalReply(raw->easy.get(), raw->sockets))
                return false;
            // Paused, curl watches no clock; a server that never answers
            // must still not hold the job.
            QTimer::singleShot(replyTimeout * 1000, q, [this, index, raw] {
                auto it = running.find(index);
                if (it == running.end() || it->second.get() != raw)
                    return;
                driver->remove(raw->easy.get());
                running.erase(it);
                std::fputs("No final reply from the server after the upload\n", stderr);
                itemEnded(index, {FtpErrorDomain::Curl, CURLE_OPERATION_TIMEDOUT, {}});
                pump();
                checkFinished();
            });
            return true;
        };
    }
    if (!driver->add(info->easy.get())) {
        abortAll(kCannotInitiate);
        return;
    }
    item.state = State::Running;
    running.emplace(index, std::move(info));
}

void TransferJob::Impl::onDone(CURL* easy, CURLcode code) {
    MyStreamInfo* raw = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
    auto it = raw ? running.find(raw->tag) : running.end();
    if (it == running.end())
        return;
    std::unique_ptr<MyStreamInfo> info = std::move(it->second);
    running.erase(it);
    const int index = info->tag;
    const FtpTransferResult r = ftpTransferResult(*info, code);
    info.reset();

    Item& item = items[size_t(index)];
    const bool tooMany = r.error.domain == FtpErrorDomain::FTP && r.error.code == 421 &&
                         r.newConnection && !running.empty() && item.refusals < kMaxRefusals;
    if (tooMany) {
        // Flow control: the server allows fewer connections than we used.
        // Keep to the ones it accepted and run this transfer again later.
        ++item.refusals;
        limit = std::max(1, int(running.size()));
        driver->setConnectionCacheSize(limit);
        std::fprintf(stderr, "Server turned a connection away (421); now using at most %d\n",
                     limit);
        item.state = State::Ready;
        ready.insert(index);
    } else {
        itemEnded(index, r.error);
    }
    pump();
    checkFinished();
}

void TransferJob::Impl::itemEnded(int index, const FtpError& error) {
    Item& item = items[size_t(index)];
    item.state = error.isError() ? State::Failed : State::Done;
    item.error = error.isError() ? MyStreamErrorMessage(error) : QString();
    --unfinished;
    switch (item.kind) {
    case FtpTransferKind::Store:
        if (!error.isError()) {
            Q_EMIT q->message(QStringLiteral("Uploaded \"%1\"").arg(item.key));
            Q_EMIT q->fileUploaded(item.key);
        }
        break;
    case FtpTransferKind::MakeFolder:
        // A refused folder (one that exists already, most often) counts as
        // done; a file whose folder is really missing fails on its own.
        release(index);
        break;
    case FtpTransferKind::Listing:
        result = error.isError() ? QStringLiteral("ERROR: %1").arg(item.error)
                                 : QStringLiteral("Successful connection");
        listingSucceeded = !error.isError();
        break;
    }
}

void TransferJob::Impl::release(int index) {
    for (int dependent : items[size_t(index)].dependents) {
        Item& d = items[size_t(dependent)];
        if (d.state == State::Waiting) {
            d.state = State::Ready;
            ready.insert(dependent);
        }
    }
}

void TransferJob::Impl::checkFinished() {
    if (finished || unfinished > 0 || !running.empty())
        return;
    if (mode == Mode::Test) {
        finish(result, listingSucceeded ? Outcome::Succeeded : Outcome::Failed);
        return;
    }
    for (const QString& file : files) {
        const Item& item = items[size_t(fileItems.value(file))];
        if (item.state == State::Failed) {
            finish(QStringLiteral("Error uploading \"%1\": %2").arg(file, item.error),
                   Outcome::Failed);
            return;
        }
    }
    finish(QStringLiteral("Successful upload of all files"), Outcome::Succeeded);
}

// Stops every transfer; whatever did not end is reported as failed.
void TransferJob::Impl::abortAll(const QString& why) {
    for (auto& [index, info] : running)
        driver->remove(info->easy.get());
    running.clear();
    ready.clear();
    for (Item& item : items) {
        if (item.state != State::Done && item.state != State::Failed) {
            item.state = State::Failed;
            item.error = why;
        }
    }
    unfinished = 0;
    finish(mode == Mode::Test || why == kCannotInitiate ? why
                                                        : QStringLiteral("ERROR: %1").arg(why),
           why == kCancelled ? Outcome::Cancelled : Outcome::Failed);
}

void TransferJob::Impl::finish(const QString& text, Outcome how) {
    if (finished)
        return;
    finished = true;
    result = text;
    outcome = how;
    Q_EMIT q->message(text);
    // Announced from the event loop, so that a receiver may delete the job;
    // the idle connections are closed then too (not from inside the
    // driver's own callback).
    QMetaObject::invokeMethod(
        q,
        [job = q] {
            job->d->releaseConnections();
            Q_EMIT job->finished();
        },
        Qt::QueuedConnection);
}

TransferJob::TransferJob(std::unique_ptr<Impl> impl) : d(std::move(impl)) {
    d->q = this;
}

// Stops what still runs and closes every connection.
void TransferJob::Impl::releaseConnections() {
    if (!driver)
        return;
    for (auto& [index, info] : running)
        driver->remove(info->easy.get());
    running.clear();
    driver.reset();
}

TransferJob::~TransferJob() {
    d->releaseConnections();
}

std::unique_ptr<TransferJob> TransferJob::makeConnectionTest(const Site& site) {
    auto impl = std::make_unique<Impl>();
    impl->mode = Impl::Mode::Test;
    impl->site = site;
    impl->result = QStringLiteral("invalid");
    return std::unique_ptr<TransferJob>(new TransferJob(std::move(impl)));
}

std::unique_ptr<TransferJob> TransferJob::makeUpload(const Site& site,
                                                     const QString& siteFolderLocal,
                                                     const QStringList& files) {
    auto impl = std::make_unique<Impl>();
    impl->mode = Impl::Mode::Upload;
    impl->site = site;
    impl->siteFolderLocal = siteFolderLocal;
    impl->files = files;
    return std::unique_ptr<TransferJob>(new TransferJob(std::move(impl)));
}

void TransferJob::start() {
    if (d->started)
        return;
    d->started = true;
    Q_EMIT message(kInitialising);
    d->plan();
    if (!d->server || !d->plannable) {
        std::fputs("The server name or folder does not form a valid FTP address\n", stderr);
        d->abortAll(kCannotInitiate);
        return;
    }
    d->driver = std::make_unique<CurlMultiDriver>();
    d->driver->setConnectionCacheSize(d->limit);
    d->driver->setDoneHandler(
        [impl = d.get()](CURL* easy, CURLcode code) { impl->onDone(easy, code); });

    for (size_t i = 0; i < d->items.size(); ++i) {
        Impl::Item& item = d->items[i];
        if (item.state == Impl::State::Failed)
            continue; // refused before it was ever sent
        ++d->unfinished;
        if (!item.waiting) {
            item.state = Impl::State::Ready;
            d->ready.insert(int(i));
        }
    }
    d->pump();
    d->checkFinished();
}

void TransferJob::cancel() {
    if (d->finished)
        return;
    if (!d->started) {
        d->started = true;
        d->plan();
    }
    d->abortAll(kCancelled);
}

void TransferJob::setReplyTimeout(int seconds) {
    d->replyTimeout = std::max(1, seconds);
}

bool TransferJob::isFinished() const {
    return d->finished;
}
QString TransferJob::resultText() const {
    return d->result;
}
TransferJob::Outcome TransferJob::outcome() const {
    return d->outcome;
}
bool TransferJob::succeeded() const {
    return d->outcome == Outcome::Succeeded;
}

// Both lists keep the upload order and name a file listed twice once.
QStringList TransferJob::uploadedFiles() const {
    QStringList out;
    QSet<QString> seen;
    for (const QString& file : d->files) {
        auto it = d->fileItems.constFind(file);
        if (it != d->fileItems.constEnd() && d->items[size_t(*it)].state == Impl::State::Done &&
            !seen.contains(file)) {
            seen.insert(file);
            out << file;
        }
    }
    return out;
}

QStringList TransferJob::failedFiles() const {
    QStringList out;
    QSet<QString> seen;
    for (const QString& file : d->files) {
        auto it = d->fileItems.constFind(file);
        const bool done =
            it != d->fileItems.constEnd() && d->items[size_t(*it)].state == Impl::State::Done;
        if (!done && !seen.contains(file)) {
            seen.insert(file);
            out << file;
        }
    }
    return out;
}

} // namespace morvane
