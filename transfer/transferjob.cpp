#include "transfer/transferjob.h"

#include "transfer/curllanes.h"
#include "transfer/fileoutcomes.h"

#include "transfer/ftplog.h"
#include "transfer/transferjob_p.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSet>

#include <algorithm>

namespace morvane {

using namespace transferjob;

namespace {

// The first status line names the protocol the job will speak.
QString initialisingLine(const Site& site) {
    switch (siteprotocol::of(site).value_or(SiteProtocol::Ftp)) {
    case SiteProtocol::Sftp:
        return QCoreApplication::translate("morvane::TransferJob", "Initializing SFTP");
    case SiteProtocol::Ftps:
    case SiteProtocol::FtpsImplicit:
        return QCoreApplication::translate("morvane::TransferJob", "Initializing FTPS");
    case SiteProtocol::Ftp:
        break;
    }
    return kInitialising();
}

} // namespace

void TransferJob::Impl::pump() {
    const int allowed = everLoggedIn ? std::clamp(connectionsWanted(), 1, limit) : 1;
    while (!finished && int(running.size()) < allowed && !ready.empty()) {
        const int index = ready.begin()->second;
        ready.erase(ready.begin());
        launch(index);
    }
}

// A connection more costs a login (and a TLS handshake), about as much as
// a small file: worth it only for a few transfers each. A few files sent
// again run on the connection of the first login; a site, or a few large
// files, on every connection allowed.
int TransferJob::Impl::connectionsWanted() const {
    int units = 0;
    auto add = [&](int index) {
        units += items[size_t(index)].large ? kTransfersPerConnection : 1;
        return units >= limit * kTransfersPerConnection;
    };
    for (const auto& [index, info] : running) {
        if (add(index))
            return limit;
    }
    for (const auto& [priority, index] : ready) {
        if (add(index))
            return limit;
    }
    return (units + kTransfersPerConnection - 1) / kTransfersPerConnection;
}

void TransferJob::Impl::launch(int index) {
    FtpError error;
    std::unique_ptr<StreamInfo> info = prepare(items[size_t(index)], &error);
    if (!info && error.domain == FtpErrorDomain::LocalFile) {
        itemEnded(index, error); // the local file cannot be read
        return;
    }
    if (!info) {
        abortAll(cannotInitiate(error.detail), Outcome::Failed, cannotInitiate(error.detail));
        return;
    }
    info->tag = index;
    info->onLogin = [this, runner = driver.get()] {
        // From inside curl, maybe on a transfer thread: decide later, from
        // the event loop.
        runner->post([this] {
            if (everLoggedIn)
                return;
            noteLogin();
            pump();
            checkFinished();
        });
    };
    if (!driver->add(info->easy.get())) {
        abortAll(kCannotInitiate(), Outcome::Failed, kCannotInitiate());
        return;
    }
    items[size_t(index)].state = State::Running;
    running.emplace(index, std::move(info));
}

void TransferJob::Impl::onDone(CURL* easy, CURLcode code) {
    StreamInfo* raw = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
    auto it = raw ? running.find(raw->tag) : running.end();
    if (it == running.end())
        return;
    std::unique_ptr<StreamInfo> info = std::move(it->second);
    running.erase(it);
    const int index = info->tag;
    if (cancelling) {
        // Only the removals of temporary files run now; how they end
        // changes nothing.
        info.reset();
        pump();
        checkFinished();
        return;
    }
    const FtpTransferResult r = ftpTransferResult(*info, code);
    if (r.loggedIn)
        noteLogin();
    const bool turnedAway = r.loginRefused || (everLoggedIn && r.connectionTurnedAway);
    if (!turnedAway)
        refusalsInARow = 0;
    if (r.insecure) {
        // A server that cannot be verified gets nothing more from this job.
        // (A data connection that fails its check after the login is no
        // certificate for the user to review: the login's was verified.)
        if (r.trust != TrustProblem::None) {
            trustProblem = r.trust;
            hostKey = r.hostKey;
        } else if (!r.error.loggedIn && r.error.code == CURLE_SSL_PINNEDPUBKEYNOTMATCH) {
            trustProblem = TrustProblem::Changed;
        } else if (!r.error.loggedIn && (r.error.code == CURLE_PEER_FAILED_VERIFICATION ||
                                         r.error.code == CURLE_SSL_ISSUER_ERROR)) {
            trustProblem = TrustProblem::Untrusted;
        }
        failEverything(r.error);
    } else if (!everLoggedIn && (r.unreachable || r.loginRefused)) {
        // The first login failed, or the server could not be reached: every
        // other transfer would end the same way.
        failEverything(r.error);
    } else if (turnedAway && takeRefusedLogin(index, r)) {
        // Runs again on a connection the server accepts.
    } else if (!(r.transient && retryLater(index, r)) && !retryOverStaleTemporary(index, r)) {
        stepEnded(index, r, *info);
    }
    info.reset();
    pump();
    checkFinished();
}

// A login the server turned away after another connection of the job had
// logged in. Returns false when the item should fail like any other
// transfer.
bool TransferJob::Impl::takeRefusedLogin(int index, const FtpTransferResult& r) {
    Item& item = items[size_t(index)];
    if (demandsSecureConnection(r.error.code, r.error.serverReply)) {
        failEverything(r.error);
        return true;
    }
    if (item.refusals >= kMaxRefusals)
        return false;
    if (++refusalsInARow > kMaxRefusals) {
        // Refused again and again with nothing getting through: not a limit
        // the job can keep to (the server may have banned this address).
        failEverything(r.error);
        return true;
    }
    // The server allows fewer connections than the job used: keep to the
    // ones it accepted and run this transfer again later.
    ++item.refusals;
    lowerLimit();
    qCDebug(lcFtp) << "The server turned a connection away (" << r.error.code
                   << "); now using at most" << limit;
    makeReady(index);
    return true;
}

void TransferJob::Impl::noteLogin() {
    everLoggedIn = true;
}

void TransferJob::Impl::lowerLimit() {
    limit = std::max(1, std::min(limit, int(running.size())));
    driver->setConnectionCacheSize(limit);
}

void TransferJob::Impl::stepEnded(int index, const FtpTransferResult& r, const StreamInfo& info) {
    Item& item = items[size_t(index)];
    if (item.owner >= 0)
        item.state = r.error.isError() ? State::Failed : State::Done;
    const int owner = item.owner;
    // After a failure that may have left a temporary file, remove it (a
    // failed removal changes nothing: the next upload replaces the file).
    auto cleanUp = [this, owner] { removeTemporaryFile(owner); };
    switch (item.step) {
    case Step::Listing:
    case Step::Folder:
        itemEnded(index, r.error);
        return;
    case Step::Store:
        if (r.error.isError()) {
            itemEnded(index, r.error);
            // The server may hold part of the file under its temporary
            // name: once logged in, or once curl asked for the file's bytes
            // (an SFTP failure after the login, such as a full disk, is
            // reported as one of the SSH layer).
            const bool mayHaveStarted = r.loggedIn || info.bytesRead > 0 || info.endReached;
            if (r.error.domain != FtpErrorDomain::LocalFile && mayHaveStarted)
                removeTemporaryFile(index);
            return;
        }
        item.state = State::Running; // until its follow-up has ended
        item.sentSize = info.bytesRead;
        if (useTemporaryNames)
            addFollowUp(Step::Finish, index);
        else if (checkSizes)
            addFollowUp(Step::Verify, index);
        else
            itemEnded(index, {});
        return;
    case Step::Finish:
        if (!r.error.isError()) {
            itemEnded(owner, {});
        } else if (protocol == SiteProtocol::Sftp && inFolderMadeByJob(item) && r.loggedIn &&
                   !finished) {
            // A file appeared meanwhile in the folder the job made.
            addFollowUp(Step::Replace, owner);
        } else if (!info.sizeMismatch && r.error.domain == FtpErrorDomain::FTP &&
                   info.replies.renameAccepted()) {
            qCInfo(lcFtp).noquote()
                << "The server refused to rename" << ftppath::printable(item.key)
                << "over the existing file; deleting the existing file, then renaming";
            addFollowUp(Step::Replace, owner);
        } else {
            FtpError error = r.error;
            if (!info.sizeMismatch && r.error.domain == FtpErrorDomain::FTP)
                error.detail = QStringLiteral(
                    "The server did not let the uploaded file be renamed into place; for this "
                    "server, turn off \"Upload under a temporary name\" in Site Properties.");
            itemEnded(owner, error);
            cleanUp();
        }
        return;
    case Step::Verify:
        itemEnded(owner, r.error);
        return;
    case Step::Replace:
        if (!r.error.isError())
            qCInfo(lcFtp).noquote() << "Deleted and replaced" << ftppath::printable(item.key);
        itemEnded(owner, r.error);
        if (r.error.isError())
            cleanUp();
        return;
    case Step::Cleanup:
        return;
    }
}

void TransferJob::Impl::itemEnded(int index, const FtpError& error) {
    Item& item = items[size_t(index)];
    if (item.state == State::Done || item.state == State::Failed)
        return; // ended already
    item.state = error.isError() ? State::Failed : State::Done;
    item.error = error.isError() ? streamErrorMessage(error) : QString();
    --unfinished;
    switch (item.step) {
    case Step::Store:
        if (!error.isError()) {
            Q_EMIT q->message(QCoreApplication::translate("morvane::TransferJob", "Uploaded \"%1\"")
                                  .arg(ftppath::printable(item.key)));
            Q_EMIT q->fileUploaded(item.key);
        } else {
            const QString note = folderNote(item, error);
            if (!note.isEmpty())
                item.error += QLatin1Char(' ') + note;
        }
        break;
    case Step::Folder:
        // A refused folder (one that exists already, most often) counts as
        // done; a file whose folder is really missing fails on its own.
        if (!failingEverything)
            item.folderError = error; // named when a file in it fails
        item.created = !error.isError();
        release(index);
        break;
    case Step::Listing:
        result =
            error.isError()
                ? QCoreApplication::translate("morvane::TransferJob", "ERROR: %1").arg(item.error)
                : QCoreApplication::translate("morvane::TransferJob", "Successful connection");
        listingSucceeded = !error.isError();
        break;
    default:
        break;
    }
}

void TransferJob::Impl::release(int index) {
    for (int dependent : items[size_t(index)].dependents) {
        if (items[size_t(dependent)].state == State::Waiting)
            makeReady(dependent);
    }
}

void TransferJob::Impl::checkFinished() {
    if (finished || unfinished > 0 || !running.empty() || !ready.empty())
        return;
    if (cancelling) {
        finish(cancelText, Outcome::Cancelled);
        return;
    }
    if (mode == Mode::Test) {
        finish(result, listingSucceeded ? Outcome::Succeeded : Outcome::Failed);
        return;
    }
    const QStringList failed = q->failedFiles();
    finish(jobsummary::resultLine(FileVerb::Upload, failed,
                                  q->uploadedFiles().size() + failed.size(),
                                  [this](const QString& file) { return q->failureOf(file); }),
           failed.isEmpty() ? Outcome::Succeeded : Outcome::Failed);
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
    Q_EMIT message(initialisingLine(d->site));
    d->plan();
    if (!d->planProblem.isEmpty()) {
        qCDebug(lcFtp).noquote() << "The job cannot start:" << d->planProblem;
        const QString text =
            d->planProblem.startsWith(kCannotInitiate())
                ? d->planProblem
                : QCoreApplication::translate("morvane::TransferJob", "ERROR: ") + d->planProblem;
        d->abortAll(text, Outcome::Failed, d->planProblem);
        return;
    }
    ensureCurlInitialised();
    if (const char* problem = curlLoadProblem()) {
        const QString why = cannotInitiate(QString::fromUtf8(problem) + QLatin1Char('.'));
        d->abortAll(why, Outcome::Failed, why);
        return;
    }
    // A connection test makes one connection.
    auto lanes = std::make_unique<CurlLanes>(d->mode == Impl::Mode::Test ? 1 : d->limit);
    if (!lanes->isUsable()) {
        d->abortAll(kCannotInitiate(), Outcome::Failed, kCannotInitiate());
        return;
    }
    d->driver = std::move(lanes);
    d->driver->setConnectionCacheSize(d->limit);
    d->driver->setDoneHandler(
        [impl = d.get()](CURL* easy, CURLcode code) { impl->onDone(easy, code); });

    for (size_t i = 0; i < d->items.size(); ++i) {
        Impl::Item& item = d->items[i];
        if (item.state == Impl::State::Failed)
            continue; // refused before it was ever sent
        ++d->unfinished;
        if (!item.waiting)
            d->makeReady(int(i));
    }
    d->pump();
    d->checkFinished();
}

void TransferJob::usePassword(const QString& password) {
    if (!d->started)
        d->site.setValue(sitekey::password, password);
}

void TransferJob::failToStart(const QString& why) {
    if (d->started)
        return;
    d->started = true;
    d->plan();
    d->abortAll(QCoreApplication::translate("morvane::TransferJob", "ERROR: ") + why,
                Outcome::Failed, why);
}

void TransferJob::cancel() {
    if (d->finished || d->cancelling)
        return;
    const QString text =
        d->mode == Impl::Mode::Test
            ? kCancelled()
            : QCoreApplication::translate("morvane::TransferJob", "ERROR: ") + kCancelled();
    if (!d->started || !d->driver) {
        if (!d->started) {
            d->started = true;
            d->plan();
        }
        d->abortAll(text, Outcome::Cancelled, kCancelled());
        return;
    }
    d->cancelAndClean(text);
}

void TransferJob::setReplyTimeout(int seconds) {
    d->replyTimeout = std::max(1, seconds);
}

TrustProblem TransferJob::trustProblem() const {
    return d->trustProblem;
}

SshHostKey TransferJob::hostKey() const {
    return d->hostKey;
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

QString TransferJob::failureOf(const QString& file) const {
    auto it = d->fileItems.constFind(file);
    if (it == d->fileItems.constEnd())
        return QString();
    const Impl::Item& item = d->items[size_t(*it)];
    if (item.state == Impl::State::Done)
        return QString();
    return item.error.isEmpty() ? QCoreApplication::translate("morvane::TransferJob", "Not sent")
                                : item.error;
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

QList<TransferJob::InFlight> TransferJob::inFlight() const {
    QList<InFlight> out;
    for (const auto& [index, info] : d->running) {
        const Impl::Item& item = d->items[size_t(index)];
        if (item.step == Impl::Step::Store && info && info->kind == FtpTransferKind::Store)
            out.append({item.key, info->fileSize, info->bytesRead.load(std::memory_order_relaxed)});
    }
    return out;
}

} // namespace morvane
