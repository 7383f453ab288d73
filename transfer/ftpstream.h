// One FTP transfer each: storing a local file, creating a server folder,
// running a few commands (rename, size check, delete), or reading a folder
// listing. prepareStore, ftpCommands and prepareListing prepare
// the transfer's record and its curl handle; a CurlRunner runs it;
// ftpTransferResult() reads how it ended.
#pragma once

#include "transfer/ftpaddress.h"
#include "transfer/ftpcurl.h"
#include "transfer/ftperror.h"
#include "transfer/ftplisting.h"
#include "transfer/siteprotocol.h"
#include "transfer/sshhostkey.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

namespace morvane {

enum class FtpTransferKind { Store, MakeFolder, Listing, Commands, Fetch };

struct FtpCredentials {
    QString userName; // empty: anonymous login
    QString password; // sent only together with a user name
};

struct FtpTransferOptions {
    // How long a silent server is waited for, and how long a transfer may go
    // without progress (a listing or a few commands: in all).
    long replyTimeoutSeconds = 60;
    // Plain FTP, or FTP over TLS on the control and every data connection,
    // with the server's certificate always verified: against the system's
    // certificate store, or, when `pinnedKey` is set ("sha256//…"), by
    // requiring exactly that public key.
    SiteProtocol protocol = SiteProtocol::Ftp;
    QByteArray pinnedKey;
};

// What the server has said on one transfer's control connection, read from
// its replies as they arrive.
class FtpReplies {
public:
    // One piece of reply text as curl hands it over (normally one line).
    // Returns the codes of the replies it completed, in order.
    std::vector<int> feed(const char* data, size_t size);

    bool greeted() const { return m_greeted; }     // 220: this transfer opened the connection
    bool loggedIn() const { return m_loggedIn; }   // the server accepted the login on it
    bool confirmed() const { return m_confirmed; } // a 226 or 250: the server's final word
    bool renameAccepted() const { return m_renameAccepted; } // 350 after RNFR
    qint64 reportedSize() const { return m_size; }           // the last 213 reply's number
    int lastCode() const { return m_lastCode; }
    int count() const { return m_count; } // replies completed
    // The last error reply (4xx or 5xx), lines joined by spaces.
    int errorCode() const { return m_errorCode; }
    QString errorText() const { return m_errorText; }
    // The last few replies (code, text), oldest first.
    struct Reply {
        int code = 0;
        QString text;
    };
    const std::vector<Reply>& recent() const { return m_recent; }

private:
    void complete(int code, const QString& text);
    QByteArray m_partial; // a line without its end yet
    QString m_multiLine;  // the lines of a multi-line reply so far
    int m_multiCode = 0;  // its code while one is open
    bool m_greeted = false;
    bool m_loggedIn = false;
    bool m_confirmed = false;
    bool m_renameAccepted = false;
    qint64 m_size = -1;
    int m_lastCode = 0;
    int m_count = 0;
    int m_errorCode = 0;
    QString m_errorText;
    std::vector<Reply> m_recent;
};

// The record of one transfer, alive from its start to its end.
struct StreamInfo {
    FtpTransferKind kind = FtpTransferKind::Store;
    QString itemName; // what results are reported under; empty for a listing
    int tag = -1;     // the owner's index for the transfer
    CurlEasy easy;
    CurlSlist commands; // the commands of a folder request or command run
    // FTP: for each command, whether it may fail ("*"). Every command is
    // sent as one that may fail, and the replies say whether the run
    // failed: curl closes the connection after a refused command, and a
    // refusal (a folder that exists, a rename the server does not allow)
    // is no reason to log in again.
    std::vector<bool> optionalCommands;
    std::unique_ptr<QFile> file; // the local file of a store
    qint64 fileSize = 0;         // when the transfer started
    // Counted on the transfer's thread, read by the job's for its progress.
    std::atomic<qint64> bytesRead{0};
    QString localError; // set when reading the local file failed
    FtpListingParser listing;
    // A listing must arrive whole within the reply timeout of its first
    // byte, however slowly it trickles in.
    QElapsedTimer listingClock;
    qint64 listingLimitMs = 0;
    bool listingTooSlow = false;
    FtpReplies replies;
    // For a size check: the number of bytes the server must report (-1: no
    // check). A different number ends the transfer before any later
    // command (the rename that would make the file live) is sent.
    qint64 expectedSize = -1;
    bool sizeMismatch = false;
    // Called from inside curl, on the thread that runs the transfer, when
    // the server accepts this transfer's login.
    std::function<void()> onLogin;
    bool endReached = false;
    char curlError[CURL_ERROR_SIZE] = {};
    QString tlsFailure; // FTPS: curl's words for the first failed certificate check
    // SFTP: no FTP replies; the host key seen, when known_hosts did not
    // hold it (Untrusted), held another one (Changed) or revoked it.
    bool ssh = false;
    QString sshHost; // the host and port known_hosts is asked about
    int sshPort = 22;
    bool sshKeyLogin = false; // no password: the agent and key files only
    QString sshKeysOffered;   // which of them there were
    SshHostKey hostKey;
    TrustProblem hostKeyProblem = TrustProblem::None;
};

// Prepares the store of `localFile` as `remotePath` (segments below the
// server's folder), or, without a local file, the creation of the folder
// `remotePath`. The local file must be a regular file inside the folder
// `localRoot` (the site's) when it is opened here; it is sent from that
// handle. Returns null when the transfer cannot be prepared, with the
// reason in `error`: a local file that cannot be opened or is no longer a
// regular file of the site (LocalFile) or a handle or setting libcurl
// refused (Setup).
std::unique_ptr<StreamInfo> prepareStore(const FtpServerAddress& server,
                                         const QStringList& remotePath, const QString& localFile,
                                         const QString& localRoot,
                                         const FtpCredentials& credentials, const QString& itemName,
                                         FtpError* error, const FtpTransferOptions& options = {});

// Prepares a run of FTP commands on a connection to the server, each sent
// as it stands ("RNFR www/.a.html.part"); a command starting with "*" may
// fail without failing the run. Nothing else is transferred.
std::unique_ptr<StreamInfo> ftpCommands(const FtpServerAddress& server, const QStringList& commands,
                                        const FtpCredentials& credentials, const QString& itemName,
                                        FtpError* error, const FtpTransferOptions& options = {});

// Makes a prepared store send `command` (a command that may fail, "*…")
// before the file. False with `error` set when curl refused it.
bool ftpBeforeStore(StreamInfo& info, const QString& command, FtpError* error);

// Prepares the listing of the server's folder.
std::unique_ptr<StreamInfo> prepareListing(const FtpServerAddress& server,
                                           const FtpCredentials& credentials, FtpError* error,
                                           const FtpTransferOptions& options = {});

// Prepares a transfer of `url` with the settings every transfer shares
// (protocol, login, trust, time limits) and nothing else: the caller sets
// what it sends or receives. A Fetch, like a Store, may take as long as it
// needs as long as its data moves; a Listing must arrive whole within the
// reply timeout of its first byte (the caller's write function starts
// `listingClock` and checks it).
std::unique_ptr<StreamInfo> prepareTransfer(FtpTransferKind kind, const QByteArray& url,
                                            const FtpCredentials& credentials,
                                            const QString& itemName, FtpError* error,
                                            const FtpTransferOptions& options = {});

// The path of `segments` below the server's folder as it goes into a
// command: "www/img/a.png" from the folder the login starts in, or
// "/var/www/img/a.png" for a site whose server folder is absolute.
// For SFTP it is quoted ("\"www/img/a b.png\""), as curl reads the
// commands' names.
QString ftpCommandPath(const FtpServerAddress& server, const QStringList& segments);

// How a finished transfer ended, read from its handle.
struct FtpTransferResult {
    FtpError error;
    long responseCode = 0;
    bool newConnection = false; // the transfer opened its own connection
    // The server turned the login away on a connection this transfer
    // opened, before it accepted any command: a wrong password, a demand
    // for encryption or one connection too many.
    bool loginRefused = false;
    bool loggedIn = false; // the connection was logged in (now or before)
    // No connection to the server could be made at all (name unknown,
    // connection refused, no answer).
    bool unreachable = false;
    // The failure may well not happen again: the server dropped or refused
    // a connection, or ended a transfer with 421, 425 or 426. Never a
    // wrong password, a refused permission, a full disk or a timeout.
    // The server cut a store off while its bytes arrived, without a reply.
    bool cutOffMidStore = false;
    bool transient = false;
    // A new connection the server turned away before the login without a
    // word (an SSH server over its MaxStartups drops it during the
    // handshake): one connection too many, like a refused login.
    bool connectionTurnedAway = false;
    // The secure connection could not be made, or the server could not be
    // verified (FtpErrorDomain::Security): nothing was sent to it.
    bool insecure = false;
    TrustProblem trust = TrustProblem::None; // when the server was not trusted
    SshHostKey hostKey;                      // SFTP: the key it presented
};
FtpTransferResult ftpTransferResult(StreamInfo& info, CURLcode result);

} // namespace morvane
