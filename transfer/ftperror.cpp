#include "transfer/ftperror.h"

#include "transfer/ftpaddress.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cerrno>

#include <cstring>

namespace morvane {

namespace {

// A server's reply is shown as it stands, but never more than a few lines'
// worth, and with control characters escaped.
constexpr qsizetype kMaxReplyShown = 300;

QString shownReply(const QString& reply) {
    QString text = ftppath::printable(reply.trimmed());
    if (text.size() > kMaxReplyShown)
        text = text.left(kMaxReplyShown) + QStringLiteral("…");
    return text;
}

// Joins sentences: "a" + "b" -> "a. b", without doubling a final stop.
void addSentence(QString& text, const QString& sentence) {
    if (sentence.isEmpty())
        return;
    if (!text.isEmpty()) {
        if (!text.endsWith(QLatin1Char('.')) && !text.endsWith(QLatin1String(".\"")))
            text += QLatin1Char('.');
        text += QLatin1Char(' ');
    }
    text += sentence;
}

// What happened and what to do about it; the message puts the server's
// own words between the two.
struct Parts {
    QString what;
    QString advice;
};

QString kAskHost() {
    return QCoreApplication::translate(
        "FtpError", "If it keeps happening, send the server's reply to your host.");
}
QString kTryAgain() {
    return QCoreApplication::translate("FtpError",
                                       "Upload again; files not sent keep their marks.");
}
QString kCheckFolder() {
    return QCoreApplication::translate(
        "FtpError", "Check the Server Folder in Site Properties, and that your account may "
                    "write there.");
}
QString kCheckAddress() {
    return QCoreApplication::translate(
        "FtpError", "Check the server name, port and protocol in Site Properties, and that the "
                    "server is running.");
}

// An FTP reply code from the server.
Parts ftpReply(const FtpError& error) {
    const int code = error.code;
    const QString reply = error.serverReply;
    switch (code) {
    case 421:
        return {QCoreApplication::translate(
                    "FtpError", "The server closed the connection (it may be busy, or allow "
                                "fewer connections at once)"),
                QCoreApplication::translate("FtpError", "Try again in a while.")};
    case 425:
        return {QCoreApplication::translate("FtpError",
                                            "The server could not open the data connection for the "
                                            "transfer"),
                QCoreApplication::translate(
                    "FtpError", "Try again; if it keeps failing, a firewall between you and the "
                                "server may block FTP's data connections. ") +
                    kAskHost()};
    case 426:
        return {QCoreApplication::translate("FtpError", "The server broke off the transfer"),
                kTryAgain()};
    case 450:
        return {QCoreApplication::translate("FtpError",
                                            "The server could not use the file or folder just now"),
                QCoreApplication::translate("FtpError", "Try again in a while.")};
    case 451:
        // vsftpd and pure-ftpd say "Failure writing"; proftpd reports a
        // full disk as an input/output error.
        if (reply.contains(QStringLiteral("writ"), Qt::CaseInsensitive) ||
            reply.contains(QStringLiteral("input/output"), Qt::CaseInsensitive))
            return {QCoreApplication::translate(
                        "FtpError", "The server could not write the file; its disk or your "
                                    "account's quota may be full"),
                    kNoSpaceAdvice()};
        return {
            QCoreApplication::translate("FtpError", "The server failed while handling the file"),
            kTryAgain() + QLatin1Char(' ') + kAskHost()};
    case 452:
    case 552:
        return {kNoSpaceMessage(), kNoSpaceAdvice()};
    case 500:
    case 501:
    case 502:
    case 504:
        return {QCoreApplication::translate("FtpError",
                                            "The server did not accept a command it was sent"),
                kAskHost()};
    case 522:
        return {QCoreApplication::translate("FtpError",
                                            "The server refused the encrypted data connection"),
                QCoreApplication::translate("FtpError", "Try again. ") + kAskHost()};
    case 530:
        return {QCoreApplication::translate("FtpError", "User Name and/or Password is wrong"),
                QCoreApplication::translate(
                    "FtpError", "Check the user name and password in Site Properties.")};
    case 532:
        return {QCoreApplication::translate("FtpError",
                                            "The server needs an account name to store files"),
                QCoreApplication::translate("FtpError", "Ask your host which account to use.")};
    case 550:
        return {QCoreApplication::translate("FtpError", "File/folder not found or inaccessible"),
                kCheckFolder()};
    case 551:
    case 553:
        return {QCoreApplication::translate(
                    "FtpError", "The server refused to store the file under this name or in "
                                "this folder"),
                QCoreApplication::translate(
                    "FtpError", "Check that your account may write in the Server Folder, and "
                                "that the server accepts this file name.")};
    default:
        break;
    }
    const QString number = QCoreApplication::translate("FtpError", " (FTP reply %1)").arg(code);
    if (code >= 400 && code < 500)
        return {QCoreApplication::translate("FtpError",
                                            "The server could not do what was asked just now") +
                    number,
                QCoreApplication::translate("FtpError", "Try again in a while. ") + kAskHost()};
    return {QCoreApplication::translate("FtpError", "The server refused what was asked") + number,
            kAskHost()};
}

// An operating-system error on the connection.
Parts systemError(const FtpError& error) {
    const QString why =
        QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(error.code)));
    switch (error.code) {
    case ECONNREFUSED:
        return {QCoreApplication::translate(
                    "FtpError", "Can't connect to the server: it refused the connection") +
                    why,
                kCheckAddress()};
    case ETIMEDOUT:
        return {QCoreApplication::translate("FtpError",
                                            "Can't connect to the server: it did not answer") +
                    why,
                kCheckAddress()};
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ENETDOWN:
        return {QCoreApplication::translate("FtpError",
                                            "The server can't be reached from this computer") +
                    why,
                QCoreApplication::translate(
                    "FtpError", "Check your network connection and the server name in Site "
                                "Properties.")};
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
        return {
            QCoreApplication::translate("FtpError", "The connection to the server was dropped") +
                why,
            kTryAgain()};
    case ENOSPC:
        return {kNoSpaceMessage(), kNoSpaceAdvice()};
    default:
        return {QCoreApplication::translate("FtpError", "A network error ended the transfer") + why,
                kTryAgain()};
    }
}

// A libcurl failure with neither a reply code nor a system error: the
// SFTP failures, time-outs and dropped connections.
Parts curlFailure(const FtpError& error) {
    switch (error.code) {
    case CURLE_OPERATION_TIMEDOUT:
        return {QCoreApplication::translate("FtpError",
                                            "The server stopped answering (no reply in time)"),
                QCoreApplication::translate(
                    "FtpError", "Try again later; if it keeps happening, the server or a "
                                "firewall may be holding the connection.")};
    case CURLE_PARTIAL_FILE:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return {QCoreApplication::translate(
                    "FtpError", "The connection ended before the server confirmed the transfer"),
                kTryAgain()};
    case CURLE_COULDNT_CONNECT:
        return {QCoreApplication::translate("FtpError", "Can't connect to the server"),
                kCheckAddress()};
    case CURLE_REMOTE_ACCESS_DENIED:
        return {QCoreApplication::translate(
                    "FtpError", "The server denied access to the file or folder (permission "
                                "denied)"),
                kCheckFolder()};
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return {QCoreApplication::translate("FtpError", "File/folder not found or inaccessible"),
                kCheckFolder()};
    case CURLE_REMOTE_DISK_FULL:
        return {kNoSpaceMessage(), kNoSpaceAdvice()};
    case CURLE_REMOTE_FILE_EXISTS:
        return {QCoreApplication::translate(
                    "FtpError", "A file of this name on the server could not be replaced"),
                kCheckFolder()};
    case CURLE_QUOTE_ERROR:
        return {QCoreApplication::translate(
                    "FtpError", "The server refused to create, rename or delete a file or "
                                "folder"),
                kCheckFolder()};
    case CURLE_UPLOAD_FAILED:
        return {QCoreApplication::translate("FtpError", "The server refused the file"),
                kCheckFolder()};
    case CURLE_SSH:
        return {QCoreApplication::translate("FtpError", "The SFTP server reported a failure"),
                kTryAgain() + QLatin1Char(' ') + kAskHost()};
    case CURLE_FAILED_INIT:
        if (error.ssh)
            return {QCoreApplication::translate(
                        "FtpError", "The SSH session could not start: the server closed the "
                                    "connection before it began (it may allow fewer connections "
                                    "at once, or this may not be an SSH server)"),
                    QCoreApplication::translate(
                        "FtpError", "Try again in a while, and check the port and protocol in "
                                    "Site Properties.")};
        break;
    case CURLE_WEIRD_SERVER_REPLY:
        return {
            QCoreApplication::translate("FtpError", "The server's reply could not be understood"),
            kCheckAddress()};
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return {QCoreApplication::translate(
                    "FtpError", "The data connection for the transfer could not be opened"),
                QCoreApplication::translate("FtpError", "Try again. ") + kAskHost()};
    default:
        break;
    }
    return {QCoreApplication::translate("FtpError", "The transfer failed: %1 (libcurl error %2)")
                .arg(QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(error.code))))
                .arg(error.code),
            kTryAgain()};
}

// An SSH host key that was not accepted: nothing was sent.
Parts hostKeyProblem(const FtpError& error) {
    const SshHostKey& key = error.hostKey;
    const QString presented = key.isValid()
                                  ? QStringLiteral("%1 %2").arg(key.type, key.fingerprint())
                                  : QCoreApplication::translate("FtpError", "(not readable)");
    switch (error.trust) {
    case TrustProblem::Changed:
        return {QCoreApplication::translate(
                    "FtpError", "WARNING: the server's host key has changed. This happens when "
                                "the host reinstalls its server, but it is also what an "
                                "attacker's server would look like. Nothing was sent to the "
                                "server. Known key: %1. Presented now: %2")
                    .arg(key.knownPrint.isEmpty()
                             ? QCoreApplication::translate("FtpError", "(not readable)")
                             : key.knownPrint,
                         presented),
                QCoreApplication::translate(
                    "FtpError", "If your host confirms the new key, remove the old one with "
                                "ssh-keygen -R \"%1\" and connect again.")
                    .arg(error.knownHostsName)};
    case TrustProblem::Revoked:
        return {QCoreApplication::translate(
                    "FtpError", "The server presented a host key that your known hosts "
                                "(~/.ssh/known_hosts) mark as revoked; it must never be "
                                "trusted. Nothing was sent to the server. Revoked key: %1")
                    .arg(presented),
                QCoreApplication::translate(
                    "FtpError", "Do not use this server until your host gives you its new "
                                "key.")};
    default:
        return {QCoreApplication::translate(
                    "FtpError", "The server's host key is not in your known hosts "
                                "(~/.ssh/known_hosts); nothing was sent to the server. Its key: "
                                "%1")
                    .arg(presented),
                QCoreApplication::translate("FtpError",
                                            "Accept the key only if your host confirms this "
                                            "fingerprint.")};
    }
}

// TLS failed or the server could not be verified. Before the login nothing
// was sent; after it (a data connection) the login had gone over the
// verified connection, and no file was sent.
Parts securityProblem(const FtpError& error) {
    if (error.ssh)
        return hostKeyProblem(error);
    const QString loginSent = QCoreApplication::translate(
        "FtpError", "No file was sent; your user name and password had been sent, over "
                    "the verified encrypted connection");
    switch (error.code) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_ISSUER_ERROR:
        if (error.loggedIn)
            return {QCoreApplication::translate(
                        "FtpError", "The server presented a certificate on the data connection "
                                    "that could not be verified. ") +
                        loginSent,
                    QCoreApplication::translate(
                        "FtpError", "This may be an attack on the connection or a fault of the "
                                    "server. ") +
                        kAskHost()};
        return {QCoreApplication::translate(
                    "FtpError", "The server's certificate is not trusted by this system; "
                                "nothing was sent to the server"),
                QCoreApplication::translate("FtpError",
                                            "Trust it for this site only if your host confirms its "
                                            "fingerprint.")};
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        if (error.loggedIn)
            return {QCoreApplication::translate(
                        "FtpError", "WARNING: the server presented another certificate on the "
                                    "data connection than the one you trusted. ") +
                        loginSent,
                    QCoreApplication::translate(
                        "FtpError", "This may be an attack on the connection or a fault of the "
                                    "server. ") +
                        kAskHost()};
        return {QCoreApplication::translate(
                    "FtpError", "WARNING: the server's certificate has changed since you "
                                "trusted it for this site; nothing was sent to the server"),
                QCoreApplication::translate(
                    "FtpError", "Trust the new certificate only if your host confirms its "
                                "fingerprint.")};
    case CURLE_USE_SSL_FAILED:
        if (error.loggedIn)
            return {QCoreApplication::translate(
                        "FtpError", "The server refused to encrypt the data connections (its "
                                    "reply to PROT P was a refusal). ") +
                        loginSent,
                    QCoreApplication::translate(
                        "FtpError", "Ask your host to allow encrypted data connections.")};
        return {QCoreApplication::translate(
                    "FtpError", "The server does not offer FTPS (its reply to AUTH TLS was a "
                                "refusal); nothing was sent to the server"),
                QCoreApplication::translate(
                    "FtpError", "Ask your host whether the server offers FTPS or SFTP, and "
                                "choose that protocol in Site Properties.")};
    case CURLE_SSL_CACERT_BADFILE:
        return {QCoreApplication::translate(
                    "FtpError", "The system's certificate store could not be read; nothing was "
                                "sent to the server"),
                QCoreApplication::translate(
                    "FtpError", "Reinstall the ca-certificates package, or check the file "
                                "SSL_CERT_FILE names.")};
    default:
        return {error.loggedIn
                    ? QCoreApplication::translate(
                          "FtpError", "The secure data connection to the server failed. ") +
                          loginSent
                    : QCoreApplication::translate(
                          "FtpError", "The secure connection to the server failed; nothing was "
                                      "sent to the server"),
                QCoreApplication::translate("FtpError", "Try again. ") + kAskHost()};
    }
}

// A login without a password, with the user's SSH keys only, was refused.
Parts keyLoginRefused(const FtpError& error) {
    if (error.keysOffered.isEmpty())
        return {QCoreApplication::translate(
                    "FtpError", "The server asks for a password or an SSH key, and there is "
                                "neither: this site has no password, and no SSH key was found "
                                "(no SSH agent, no ~/.ssh/id_ed25519, id_ecdsa or id_rsa)"),
                QCoreApplication::translate(
                    "FtpError", "Enter the password in Site Properties, or make an SSH key "
                                "(ssh-keygen) and add it to the server's authorized keys.")};
    return {QCoreApplication::translate(
                "FtpError", "The server accepted none of your SSH keys (%1), and this site has "
                            "no password")
                .arg(error.keysOffered),
            QCoreApplication::translate(
                "FtpError", "Enter the password in Site Properties, or add your public key to "
                            "the server's authorized keys.")};
}

Parts partsOf(const FtpError& error) {
    switch (error.domain) {
    case FtpErrorDomain::None:
        return {QStringLiteral("ok"), {}};
    case FtpErrorDomain::NetDB:
        if (error.code == kHostNotFound)
            return {
                QCoreApplication::translate("FtpError", "Can't locate Server; name may be wrong"),
                QCoreApplication::translate("FtpError",
                                            "Check the server name in Site Properties, and your "
                                            "network connection.")};
        break;
    case FtpErrorDomain::FTP:
        if (error.code == 530 && error.keyLogin)
            return keyLoginRefused(error);
        if (demandsSecureConnection(error.code, error.serverReply))
            return {kSecureConnectionMessage(), {}};
        return ftpReply(error);
    case FtpErrorDomain::POSIX:
        return systemError(error);
    case FtpErrorDomain::Curl:
        return curlFailure(error);
    case FtpErrorDomain::LocalFile:
        return {error.detail.isEmpty()
                    ? QCoreApplication::translate("FtpError", "Can't read the local file")
                    : QCoreApplication::translate("FtpError", "Can't read the local file: %1")
                          .arg(error.detail),
                QCoreApplication::translate(
                    "FtpError", "Check that the file exists and that you may read it.")};
    case FtpErrorDomain::BadName:
        return {(error.detail.isEmpty()
                     ? QCoreApplication::translate("FtpError", "The name can't be sent to a server")
                     : error.detail) +
                    QCoreApplication::translate("FtpError", "; not sent"),
                QCoreApplication::translate("FtpError", "Rename the file, then upload it.")};
    case FtpErrorDomain::BadListing:
        return {QCoreApplication::translate("FtpError",
                                            "The server's folder listing could not be read"),
                QCoreApplication::translate("FtpError", "Try again. ") + kAskHost()};
    case FtpErrorDomain::SizeMismatch:
        return {
            QCoreApplication::translate("FtpError",
                                        "The server's copy of this file has the wrong size") +
                (error.detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(error.detail)),
            kTryAgain()};
    case FtpErrorDomain::Security:
        return securityProblem(error);
    case FtpErrorDomain::Setup:
        return {QCoreApplication::translate("FtpError", "Can't initiate FTP") +
                    (error.detail.isEmpty() ? QString() : QStringLiteral(": %1").arg(error.detail)),
                {}};
    }
    // The generic form, cut to 198 characters like the fixed buffer it
    // was first written for.
    return {QCoreApplication::translate("FtpError", "Error: %1, error code %2")
                .arg(streamErrorDomainName(error.domain, error.code))
                .arg(error.code)
                .left(198),
            kTryAgain()};
}

} // namespace

QString streamErrorDomainName(FtpErrorDomain domain, int code) {
    switch (domain) {
    case FtpErrorDomain::NetDB:
        return QStringLiteral("kCFStreamErrorDomainNetDB");
    case FtpErrorDomain::FTP:
        return QStringLiteral("kCFStreamErrorDomainFTP");
    case FtpErrorDomain::Curl:
        // curl's own description says more than a bare domain name.
        return QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(code)));
    default:
        return QStringLiteral("UnknownDomain");
    }
}

QString streamErrorMessage(const FtpError& error) {
    if (!error.isError())
        return QStringLiteral("ok");
    Parts parts = partsOf(error);
    QString text = parts.what;
    switch (error.domain) {
    case FtpErrorDomain::FTP:
    case FtpErrorDomain::Curl:
    case FtpErrorDomain::POSIX:
        addSentence(text, error.detail);
        break;
    case FtpErrorDomain::Security:
        // libcurl's own words (which check failed), when it gave any.
        if (!error.detail.isEmpty())
            addSentence(text, QStringLiteral("(%1).").arg(ftppath::printable(error.detail)));
        break;
    default:
        break;
    }
    const bool noSpace =
        (error.domain == FtpErrorDomain::FTP && meansNoSpace(error.code, error.serverReply)) ||
        (error.domain == FtpErrorDomain::POSIX && error.code == ENOSPC) ||
        (error.domain == FtpErrorDomain::Curl && error.code == CURLE_REMOTE_DISK_FULL) ||
        (!error.serverReply.isEmpty() && meansNoSpace(0, error.serverReply));
    if (noSpace) {
        if (!text.startsWith(kNoSpaceMessage().chopped(1)))
            addSentence(text, kNoSpaceMessage());
        parts.advice = kNoSpaceAdvice();
    }
    if (!error.serverReply.trimmed().isEmpty())
        addSentence(text,
                    (error.ssh ? QCoreApplication::translate("FtpError", "Details: \"%1\"")
                               : QCoreApplication::translate("FtpError", "Server reply: \"%1\""))
                        .arg(shownReply(error.serverReply)));
    addSentence(text, parts.advice);
    return text;
}

FtpError ftpErrorFromCurl(CURLcode result, long responseCode, long osErrno) {
    FtpError error;
    if (result == CURLE_OK)
        return error;
    error.curlCode = int(result);
    if (result == CURLE_COULDNT_RESOLVE_HOST || result == CURLE_COULDNT_RESOLVE_PROXY) {
        error.domain = FtpErrorDomain::NetDB;
        error.code = kHostNotFound;
    } else if (result == CURLE_LOGIN_DENIED) {
        error.domain = FtpErrorDomain::FTP;
        error.code = responseCode >= 400 ? int(responseCode) : 530;
    } else if (responseCode >= 400 && responseCode < 600) {
        error.domain = FtpErrorDomain::FTP;
        error.code = int(responseCode);
    } else if (osErrno != 0) {
        error.domain = FtpErrorDomain::POSIX;
        error.code = int(osErrno);
    } else {
        error.domain = FtpErrorDomain::Curl;
        error.code = int(result);
    }
    return error;
}

bool demandsSecureConnection(int replyCode, const QString& replyText) {
    if (replyCode == 534)
        return true;
    if (replyCode != 421 && replyCode != 530 && replyCode != 550)
        return false;
    static const QRegularExpression secure(
        QStringLiteral("\\b(TLS|SSL|FTPS|encrypt\\w*|cleartext)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return secure.match(replyText).hasMatch();
}

bool meansNoSpace(int replyCode, const QString& replyText) {
    if (replyCode == 452 || replyCode == 552)
        return true;
    static const QRegularExpression full(
        QStringLiteral("no space left|disk full|disk quota|quota exceeded|"
                       "insufficient (storage|disk|space)|not enough (disk )?space"),
        QRegularExpression::CaseInsensitiveOption);
    return full.match(replyText).hasMatch();
}

} // namespace morvane
