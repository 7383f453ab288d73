// What one finished transfer means for the job: its error in the user's
// words, whether it logged in, and whether the failure may pass (a dropped
// connection, 421/425/426), was the server's refusal or a security failure.
#include "transfer/ftpstream.h"

#include "transfer/ftplog.h"

#include <QCoreApplication>

namespace morvane {

namespace {

// Failures of the connection itself rather than answers of the server.
bool isConnectionFailure(CURLcode result) {
    switch (result) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_CANT_GET_HOST:
        return true;
    default:
        return false;
    }
}

// Whether an SFTP transfer failed on its connection: the SSH handshake
// (curl reports a failed one, as when the server is over its MaxStartups,
// as CURLE_FAILED_INIT), or the connection itself. Not curl's catch-all
// CURLE_SSH: OpenSSH's full disk ends a write with it, without a word.
bool isTransientSsh(CURLcode result) {
    return result == CURLE_FAILED_INIT || isConnectionFailure(result);
}

// The first refusal of a command that must not fail, in a run of FTP
// commands that curl sent as ones that may (see optionalCommands). They
// were the last commands of the transfer, one reply each.
FtpError refusedCommand(const StreamInfo& info) {
    const auto& replies = info.replies.recent();
    const size_t n = info.optionalCommands.size();
    if (info.ssh || n == 0 || replies.size() < n)
        return {};
    for (size_t i = 0; i < n; ++i) {
        const FtpReplies::Reply& reply = replies[replies.size() - n + i];
        if (!info.optionalCommands[i] && reply.code >= 400)
            return {FtpErrorDomain::FTP, reply.code, {}, reply.text, int(CURLE_QUOTE_ERROR)};
    }
    return {};
}

} // namespace

FtpTransferResult ftpTransferResult(StreamInfo& info, CURLcode result) {
    auto isSecurityFailure = [](CURLcode code) {
        return code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_PINNEDPUBKEYNOTMATCH ||
               code == CURLE_SSL_CONNECT_ERROR || code == CURLE_USE_SSL_FAILED ||
               code == CURLE_SSL_CACERT_BADFILE || code == CURLE_SSL_ISSUER_ERROR;
    };
    FtpTransferResult r;
    long osErrno = 0;
    long connects = 0;
    curl_easy_getinfo(info.easy.get(), CURLINFO_RESPONSE_CODE, &r.responseCode);
    curl_easy_getinfo(info.easy.get(), CURLINFO_OS_ERRNO, &osErrno);
    curl_easy_getinfo(info.easy.get(), CURLINFO_NUM_CONNECTS, &connects);
    // A connection this transfer opened starts with the server's greeting:
    // 220, or a refusal (421) as the only reply. (The number of connects
    // also counts the data connections of a reused control connection.)
    r.newConnection = info.replies.greeted() ||
                      (connects > 0 && info.replies.count() == 1 && info.replies.lastCode() >= 400);
    const FtpReplies& replies = info.replies;

    if (!info.localError.isEmpty()) {
        r.error = {FtpErrorDomain::LocalFile, 0, info.localError, {}, 0};
    } else if (info.sizeMismatch) {
        r.error = {FtpErrorDomain::SizeMismatch,
                   0,
                   QCoreApplication::translate("FtpError", "%1 bytes on the server, %2 sent")
                       .arg(replies.reportedSize())
                       .arg(info.expectedSize),
                   {},
                   0};
    } else if (info.listingTooSlow) {
        r.error = {FtpErrorDomain::Curl, CURLE_OPERATION_TIMEDOUT, {}, {}, 0};
    } else if (info.kind == FtpTransferKind::Listing && info.listing.capped() &&
               !info.listing.failed()) {
        r.error = {}; // enough of a good listing: the server works
    } else if (isSecurityFailure(result) || !info.tlsFailure.isEmpty()) {
        // A failed check of a data connection's certificate is that, whatever
        // curl reported after it.
        const CURLcode code = isSecurityFailure(result) ? result
                              : info.tlsFailure.contains(QStringLiteral("pinned"))
                                  ? CURLE_SSL_PINNEDPUBKEYNOTMATCH
                                  : CURLE_PEER_FAILED_VERIFICATION;
        r.error = {FtpErrorDomain::Security,
                   int(code),
                   info.tlsFailure.isEmpty() ? QString::fromUtf8(info.curlError) : info.tlsFailure,
                   {},
                   int(result)};
        r.insecure = true;
        r.trust = info.hostKeyProblem;
        r.hostKey = info.hostKey;
        if (info.ssh && info.hostKeyProblem != TrustProblem::None) {
            r.error.detail.clear(); // curl's words add nothing to the host key's
            r.error.trust = info.hostKeyProblem;
            r.error.hostKey = info.hostKey;
            r.error.knownHostsName = sshhostkey::hostPortName(info.sshHost, info.sshPort);
        } else if (replies.errorCode() >= 400) {
            r.error.serverReply = replies.errorText(); // a refused AUTH TLS or PROT P
        }
    } else if (info.kind == FtpTransferKind::Listing &&
               (info.listing.failed() || (result == CURLE_OK && !info.listing.finish()))) {
        r.error = {FtpErrorDomain::BadListing, 0, {}, {}, 0};
    } else {
        r.error = ftpErrorFromCurl(result, r.responseCode, osErrno);
        if (!r.error.isError())
            r.error = refusedCommand(info);
        // The server's own words for the failure, when it said any.
        if (r.error.isError() && r.error.serverReply.isEmpty() && replies.errorCode() >= 400 &&
            r.error.domain != FtpErrorDomain::NetDB)
            r.error.serverReply = replies.errorText();
        // (SFTP has no replies: there the file's close, which the server
        // confirms, ends a transfer curl reports as done.)
        if (!r.error.isError() &&
            (info.kind == FtpTransferKind::Store || info.kind == FtpTransferKind::Fetch) &&
            !info.ssh && !replies.confirmed()) {
            // Only the FTP server's own final reply says a file was stored.
            r.error = {
                FtpErrorDomain::Curl,
                CURLE_PARTIAL_FILE,
                QCoreApplication::translate("FtpError", "The server never confirmed the file"),
                {},
                0};
        }
    }
    // A reused connection was logged in by an earlier transfer; one this
    // transfer opened only once the server accepted the login.
    if (info.ssh) {
        // Without replies: anything but a failure to connect, to verify the
        // host or to log in came after the login.
        r.newConnection = connects > 0;
        const bool beforeLogin =
            result == CURLE_LOGIN_DENIED || result == CURLE_PEER_FAILED_VERIFICATION ||
            result == CURLE_COULDNT_CONNECT || result == CURLE_COULDNT_RESOLVE_HOST ||
            result == CURLE_OPERATION_TIMEDOUT || result == CURLE_SSH ||
            result == CURLE_FAILED_INIT || result == CURLE_AUTH_ERROR;
        r.loggedIn = !beforeLogin;
        r.loginRefused = result == CURLE_LOGIN_DENIED || result == CURLE_AUTH_ERROR;
        r.unreachable = result == CURLE_COULDNT_RESOLVE_HOST || result == CURLE_COULDNT_CONNECT ||
                        result == CURLE_OPERATION_TIMEDOUT;
        r.transient = !r.insecure && r.error.isError() &&
                      r.error.domain != FtpErrorDomain::LocalFile && isTransientSsh(result);
        r.connectionTurnedAway = r.transient && r.newConnection && !r.loggedIn;
        if (r.loginRefused) {
            r.error = {FtpErrorDomain::FTP, 530, {}, {}, int(result)};
            r.error.keyLogin = info.sshKeyLogin;
            r.error.keysOffered = info.sshKeysOffered;
        } else if (r.error.isError() && r.error.domain != FtpErrorDomain::Security &&
                   r.error.domain != FtpErrorDomain::LocalFile && info.curlError[0] != '\0') {
            // SFTP has no reply lines: curl's words carry the server's status.
            r.error.serverReply = QString::fromUtf8(info.curlError);
        }
        r.error.ssh = true;
        r.error.loggedIn = r.loggedIn;
        if (r.error.isError())
            qCDebug(lcFtp).noquote()
                << "SFTP transfer of" << ftppath::printable(info.itemName) << "failed: curl"
                << int(result) << "-" << streamErrorMessage(r.error) << "-" << info.curlError;
        return r;
    }
    r.loggedIn = replies.loggedIn() || (!r.newConnection && replies.lastCode() != 0);
    r.loginRefused = r.error.isError() && r.newConnection && !replies.loggedIn() &&
                     (result == CURLE_LOGIN_DENIED ||
                      (r.error.domain == FtpErrorDomain::FTP && (replies.errorCode() >= 400)));
    r.unreachable = replies.lastCode() == 0 &&
                    (result == CURLE_COULDNT_RESOLVE_HOST || result == CURLE_COULDNT_CONNECT ||
                     result == CURLE_OPERATION_TIMEDOUT);
    // The server's own word decides when it gave one: 421 (closing), 425
    // (no data connection) and 426 (transfer aborted) are worth another
    // try; 451, 452 and 552 (often a full disk), 550 and 553 are not.
    if (r.error.isError() && !r.insecure && !r.loginRefused &&
        r.error.domain != FtpErrorDomain::LocalFile &&
        r.error.domain != FtpErrorDomain::SizeMismatch) {
        const int said = r.error.domain == FtpErrorDomain::FTP ? r.error.code : replies.errorCode();
        r.transient =
            said >= 400 ? (said == 421 || said == 425 || said == 426) : isConnectionFailure(result);
        // A store cut off while its bytes were being sent, with no final
        // reply read (the data connection reset; a control connection that
        // drops as well reads as a receive error): vsftpd does that when its
        // disk fills up, before its 451 could be read. It may also have
        // been a passing fault, so it runs once more at most, and the
        // message names the likely cause.
        const int last = replies.lastCode();
        r.cutOffMidStore = said < 400 && (last == 150 || last == 125) && result == CURLE_SEND_ERROR;
        if (r.cutOffMidStore && r.error.detail.isEmpty())
            r.error.detail = QCoreApplication::translate(
                "FtpError", "The server stopped taking the file while it arrived: "
                            "its disk, or your account's quota, may be full.");
    }
    r.connectionTurnedAway = r.transient && r.newConnection && !r.loggedIn && !r.unreachable;
    r.error.loggedIn = r.loggedIn;
    if (r.error.isError()) {
        qCDebug(lcFtp).noquote() << "FTP transfer of" << ftppath::printable(info.itemName)
                                 << "failed: curl" << int(result) << "reply" << r.responseCode
                                 << "errno" << osErrno << "-" << streamErrorMessage(r.error) << "-"
                                 << info.curlError;
    }
    return r;
}

} // namespace morvane
