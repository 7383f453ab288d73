// How a failed transfer is described: an error domain and code, and the
// message the user sees for them. libcurl's results are mapped onto the
// domains the transfer window knows: name resolution, FTP reply codes and
// operating-system errors. Every message says in plain words what
// happened, keeps the server's own words, and ends with what to do.
#pragma once

#include "transfer/sshhostkey.h"

#include <QCoreApplication>
#include <QString>

#include <curl/curl.h>

#include <utility>

namespace morvane {

enum class FtpErrorDomain {
    None,
    NetDB,        // the host name could not be resolved
    FTP,          // an FTP reply code from the server
    POSIX,        // an operating-system error number (connection refused…)
    Curl,         // a libcurl failure with neither a reply code nor a system error
    LocalFile,    // the local file could not be read
    BadName,      // a name that cannot be sent to the server
    BadListing,   // a folder listing that could not be read
    SizeMismatch, // the server holds another number of bytes than were sent
    Setup,        // the transfer could not be prepared (libcurl refused a setting)
    Security,     // TLS failed or the server could not be verified (code: libcurl's result)
};

// The resolver's "host not found" code.
inline constexpr int kHostNotFound = 8;

struct FtpError {
    FtpError() = default;
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the fields, in order
    FtpError(FtpErrorDomain domain, int code, QString detail = {}, QString serverReply = {},
             int curlCode = 0)
        : domain(domain), code(code), detail(std::move(detail)),
          serverReply(std::move(serverReply)), curlCode(curlCode) {}

    FtpErrorDomain domain = FtpErrorDomain::None;
    int code = 0;
    // LocalFile: the system's description; BadName: why the name was
    // refused; SizeMismatch and Setup: what went wrong; otherwise an extra
    // sentence for the user (may be empty).
    QString detail;
    QString serverReply; // the server's reply to the failed command, as sent
    int curlCode = 0;    // libcurl's result, for the system's explanation

    // What the transfer knew when it failed, for a message that is true to it.
    bool ssh = false;      // an SFTP transfer (serverReply: the SFTP server's status)
    bool loggedIn = false; // the server had accepted the login on this connection
    // SFTP without a stored password: only the user's own keys were offered.
    bool keyLogin = false;
    QString keysOffered; // for such a login: the agent and key files tried ("" none)
    // An SFTP host key that was not accepted: what known_hosts says of it,
    // the key presented (with the fingerprint known_hosts holds when it
    // changed) and the name known_hosts gives the server ("[host]:port").
    TrustProblem trust = TrustProblem::None;
    SshHostKey hostKey;
    QString knownHostsName;

    bool isError() const { return domain != FtpErrorDomain::None; }
};

// The symbolic name of a domain, as shown in "Error: %s, error code %d".
QString streamErrorDomainName(FtpErrorDomain domain, int code = 0);

// The message the user sees for a failure: what happened, the server's
// own words when it said any, and what to do.
QString streamErrorMessage(const FtpError& error);

// Maps one finished curl transfer onto a domain and code: a resolver
// failure, else the server's reply when it was an error reply (4xx/5xx),
// else the operating system's error, else curl's own code.
FtpError ftpErrorFromCurl(CURLcode result, long responseCode, long osErrno);

// True when the server turned the client away because it insists on an
// encrypted (FTPS) session: vsftpd's 530 "Non-anonymous sessions must use
// encryption.", pure-ftpd's 421 "…reconnect using TLS…", proftpd's 550
// "SSL/TLS required…", and the 534 of RFC 4217.
bool demandsSecureConnection(int replyCode, const QString& replyText);

// True for a reply that says the server's disk or the account's quota is
// full: 452 and 552 always, other codes when their text says so.
bool meansNoSpace(int replyCode, const QString& replyText);

inline QString kNoSpaceMessage() {
    return QCoreApplication::translate("FtpError", "The server has no space left for this file.");
}
inline QString kNoSpaceAdvice() {
    return QCoreApplication::translate(
        "FtpError", "Free some space on the server (or ask your host for more), then upload "
                    "again.");
}
inline QString kSecureConnectionMessage() {
    return QCoreApplication::translate(
        "FtpError", "This server requires a secure connection (FTPS): choose \"FTPS (TLS)\" as "
                    "the protocol in Site Properties.");
}

} // namespace morvane
