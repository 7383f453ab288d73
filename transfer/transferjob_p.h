// The inner workings of a TransferJob, shared by the files that implement
// it: transferjob.cpp runs the transfers and keeps the results,
// ftpjobplan.cpp plans the items and prepares each one's transfer.
#pragma once

#include "transfer/ftpaddress.h"
#include "transfer/ftpcurl.h"
#include "transfer/ftpstream.h"
#include "transfer/transferjob.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace morvane {

namespace transferjob {

inline const QString kFolderKeyPrefix = QStringLiteral("{*Directory*} ");
inline QString kInitialising() {
    return QCoreApplication::translate("morvane::TransferJob", "Initializing FTP");
}
inline QString kCannotInitiate() {
    return QCoreApplication::translate("morvane::TransferJob", "ERROR: Can't initiate FTP");
}
inline QString kCancelled() {
    return QCoreApplication::translate("morvane::TransferJob", "Cancelled");
}

inline constexpr int kDefaultConnections = 4;
inline constexpr int kMaxConnections = 64;
// How often one transfer may be put back in the queue because the server
// turned its connection away as one too many.
inline constexpr int kMaxRefusals = 20;
// How often a transfer that failed for a passing reason (a dropped
// connection, 421, 425, 426) runs again, and the pause before the first
// rerun, doubled for each next one.
inline constexpr int kMaxRetries = 3;
inline constexpr int kRetryDelayMs = 250;
// Transfers waiting or running for each connection the job opens, up to
// its limit; a large file counts as that many, so it gets a connection of
// its own.
inline constexpr int kTransfersPerConnection = 4;
inline constexpr qint64 kLargeFile = 256 * 1024;
// How long a cancelled job may spend removing its temporary files.
inline constexpr int kCancelCleanupSeconds = 10;

// "ERROR: Can't initiate FTP", with the reason after it.
inline QString cannotInitiate(const QString& why) {
    return why.isEmpty() ? kCannotInitiate() : kCannotInitiate() + QStringLiteral(". ") + why;
}

} // namespace transferjob

// The job keeps one item per transfer: the listing of a connection test, or
// for an upload the folder requests (each level of each folder once, in the
// order they are first needed) and one store per file. An item starts once
// the folder it needs has ended, created or refused, and at most `limit`
// items run at once over the connections the multi handle keeps for reuse.
// A stored file may need a second, short transfer on a connection of the
// job: the rename from its temporary name (with the size check), or the
// size check alone; the file counts as uploaded once that has ended well.
struct TransferJob::Impl {
    enum class Mode { Test, Upload };
    enum class State { Waiting, Ready, Running, Done, Failed };
    enum class Step { Listing, Folder, Store, Finish, Verify, Replace, Cleanup };

    struct Item {
        Step step = Step::Store;
        QString key;            // the relative file path, or a folder key
        QStringList remotePath; // the target, below the server's folder
        QStringList tempPath;   // a store's temporary name, when it uses one
        QString localPath;
        int owner = -1;              // a follow-up's store item
        int folder = -1;             // the folder item a store or folder waits for
        std::vector<int> dependents; // items that start once this one ended
        bool waiting = false;        // waits for a folder request
        State state = State::Waiting;
        QString error;
        FtpError folderError; // why a folder request was refused
        bool created = false; // a folder this job made: it held no files
        qint64 sentSize = -1; // a store's bytes, for the size check
        int refusals = 0;
        int retries = 0; // reruns after passing failures
        // A store's temporary file may be on the server from an earlier
        // try: delete it before storing.
        bool clearTemporaryFirst = false;
        bool large = false; // a store worth a connection of its own
    };

    TransferJob* q = nullptr;
    Mode mode = Mode::Upload;
    Site site;
    QString siteFolderLocal;
    QStringList files;

    std::optional<FtpServerAddress> server;
    QString planProblem; // why the job cannot start, when it cannot
    FtpCredentials credentials;
    SiteProtocol protocol = SiteProtocol::Ftp;
    QByteArray pinnedKey;
    TrustProblem trustProblem = TrustProblem::None;
    SshHostKey hostKey;
    bool useTemporaryNames = true;
    bool checkSizes = false;
    std::vector<Item> items;
    QHash<QString, int> fileItems;       // relative path -> item
    QHash<QString, int> folderItems;     // folder key -> item
    std::set<std::pair<int, int>> ready; // (priority, item): follow-ups first
    std::unordered_map<int, std::unique_ptr<StreamInfo>> running;
    // Every protocol runs on transfer threads, one per connection (see
    // curllanes.h).
    std::unique_ptr<CurlRunner> driver;
    int limit = transferjob::kDefaultConnections;
    int unfinished = 0;    // listing, folder and store items not ended
    int replyTimeout = 60; // seconds

    // Logins. Until one connection of the job has logged in, only one
    // transfer runs: a wrong password then costs one failed login, not one
    // per connection, and a server that cannot be reached is tried once.
    // Once one has logged in, a refused login can only be one connection
    // too many (proftpd answers it with 530, others with 421).
    bool everLoggedIn = false;
    int refusalsInARow = 0;
    bool failingEverything = false;

    bool started = false;
    bool finished = false;
    // Cancelled: only the removals of temporary files still run.
    bool cancelling = false;
    QString cancelText;
    QString result;
    Outcome outcome = Outcome::Running;
    bool listingSucceeded = false;

    void plan();
    int requestFolders(const QStringList& segments);
    int addItem(Item item, int waitFor);
    void makeReady(int index);
    int addFollowUp(Step step, int owner);

    void pump();
    int connectionsWanted() const;
    void launch(int index);
    std::unique_ptr<StreamInfo> prepare(const Item& item, FtpError* error);
    void onDone(CURL* easy, CURLcode code);
    bool takeRefusedLogin(int index, const FtpTransferResult& r);
    bool retryLater(int index, const FtpTransferResult& r);
    bool retryOverStaleTemporary(int index, const FtpTransferResult& r);
    void noteLogin();
    void lowerLimit();
    void stepEnded(int index, const FtpTransferResult& r, const StreamInfo& info);
    void itemEnded(int index, const FtpError& error);
    QString folderNote(const Item& store, const FtpError& storeError) const;
    bool inFolderMadeByJob(const Item& followUp) const;
    void release(int index);
    void removeTemporaryFile(int store);
    void cancelAndClean(const QString& finalText);
    void checkFinished();
    void failEverything(const FtpError& error);
    void stopEverything(const QString& itemError);
    void abortAll(const QString& finalText, Outcome how, const QString& itemError);
    void finish(const QString& text, Outcome how);
    void releaseConnections();
};

} // namespace morvane
