// How an upload or connection test meets failures: a transfer that may
// pass runs again after a pause, a store over a stale temporary file once
// more, and a cancel or a failure of the whole job stops every transfer and
// removes the temporary files that stores may have left on the server.
#include "transfer/ftplog.h"
#include "transfer/transferjob_p.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <set>

namespace morvane {

using namespace transferjob;

// A transfer that failed for a reason that may pass (a dropped connection,
// 421, 425, 426) runs again after a short pause, a few times at most. Its
// file keeps its mark until the server confirms it, and a store that fails
// for good still has its temporary file removed (stepEnded). Returns false
// when the transfer should fail as it is.
bool TransferJob::Impl::retryLater(int index, const FtpTransferResult& r) {
    Item& item = items[size_t(index)];
    if (finished || item.step == Step::Cleanup)
        return false;
    // A store cut off mid-file twice is no passing fault (a full disk).
    if (r.cutOffMidStore && item.retries >= 1)
        return false;
    if (item.retries >= kMaxRetries) {
        if (everLoggedIn)
            return false;
        // Not one connection has worked yet: the server cannot be used.
        failEverything(r.error);
        return true;
    }
    const int delayMs = kRetryDelayMs << item.retries;
    ++item.retries;
    item.state = State::Waiting;
    item.clearTemporaryFirst = item.step == Step::Store;
    qCInfo(lcFtp).noquote() << "Trying" << ftppath::printable(item.key) << "again in" << delayMs
                            << "ms after:" << streamErrorMessage(r.error);
    QTimer::singleShot(delayMs, q, [this, index] {
        if (finished || failingEverything || items[size_t(index)].state != State::Waiting)
            return; // cancelled or failed meanwhile
        makeReady(index);
        pump();
        checkFinished();
    });
    return true;
}

// A store refused outright may have met the temporary file of an earlier,
// killed upload on a server that does not overwrite files: it runs once
// more, at once, deleting that file first.
bool TransferJob::Impl::retryOverStaleTemporary(int index, const FtpTransferResult& r) {
    Item& item = items[size_t(index)];
    if (finished || item.step != Step::Store || !useTemporaryNames ||
        protocol == SiteProtocol::Sftp || item.clearTemporaryFirst ||
        r.error.domain != FtpErrorDomain::FTP || (r.error.code != 550 && r.error.code != 553))
        return false;
    item.clearTemporaryFirst = true;
    makeReady(index);
    return true;
}

void TransferJob::Impl::removeTemporaryFile(int store) {
    if (useTemporaryNames && !finished && items[size_t(store)].step == Step::Store)
        addFollowUp(Step::Cleanup, store);
}

// Stops every transfer, then removes the temporary files that the stores
// under way (or waiting for their rename) may have left on the server, and
// finishes once those removals have ended or after a short deadline.
void TransferJob::Impl::cancelAndClean(const QString& finalText) {
    std::set<int> stores;
    auto note = [this, &stores](int index, const StreamInfo* info) {
        const Item& item = items[size_t(index)];
        const int store = item.owner >= 0 ? item.owner : index;
        if (items[size_t(store)].step != Step::Store)
            return;
        const bool started = item.step != Step::Store || everLoggedIn ||
                             (info && (info->bytesRead > 0 || info->endReached));
        if (started && item.step != Step::Verify)
            stores.insert(store);
    };
    for (const auto& [index, info] : running)
        note(index, info.get());
    for (const auto& [priority, index] : ready)
        if (items[size_t(index)].owner >= 0)
            note(index, nullptr);
    // A store waiting to run again after a passing failure may have left
    // part of its file under the temporary name.
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].step == Step::Store && items[i].state == State::Waiting &&
            items[i].clearTemporaryFirst)
            stores.insert(int(i));
    stopEverything(kCancelled());
    cancelling = true;
    cancelText = finalText;
    for (int store : stores)
        removeTemporaryFile(store);
    if (ready.empty()) {
        finish(finalText, Outcome::Cancelled);
        return;
    }
    qCDebug(lcFtp) << "Cancelled; removing" << ready.size() << "temporary files";
    Q_EMIT q->message(QCoreApplication::translate(
        "morvane::TransferJob", "Stopping: removing the unfinished files from the server"));
    // The removals get a short while; a server that does not answer them
    // must not hold the cancel.
    QTimer::singleShot(std::min(replyTimeout, kCancelCleanupSeconds) * 1000, q, [this] {
        if (finished)
            return;
        for (auto& [index, info] : running)
            driver->remove(info->easy.get());
        running.clear();
        ready.clear();
        finish(cancelText, Outcome::Cancelled);
    });
    pump();
}

// The server refused the login (or demands encryption, or cannot be
// reached): everything not done fails with that message, and nothing more
// is tried.
void TransferJob::Impl::failEverything(const FtpError& error) {
    failingEverything = true;
    for (auto& [index, info] : running)
        driver->remove(info->easy.get());
    running.clear();
    ready.clear();
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        const bool counted =
            item.step == Step::Listing || item.step == Step::Folder || item.step == Step::Store;
        if (counted && item.state != State::Done && item.state != State::Failed)
            itemEnded(int(i), error);
    }
    ready.clear(); // folders released just now start nothing
    unfinished = 0;
}

// Stops every transfer; whatever did not end fails with `itemError`.
void TransferJob::Impl::stopEverything(const QString& itemError) {
    for (auto& [index, info] : running)
        driver->remove(info->easy.get());
    running.clear();
    ready.clear();
    for (Item& item : items) {
        if (item.state != State::Done && item.state != State::Failed) {
            item.state = State::Failed;
            item.error = itemError;
        }
    }
    unfinished = 0;
}

// Stops every transfer and finishes; whatever did not end is reported as
// failed.
void TransferJob::Impl::abortAll(const QString& finalText, Outcome how, const QString& itemError) {
    stopEverything(itemError);
    finish(finalText, how);
}

} // namespace morvane
