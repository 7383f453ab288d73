#include "upload/ftperror.h"

#include "upload/ftpaddress.h"

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
        if (!text.endsWith(QLatin1Char('.')) && !text.endsWith(QLatin1Char(')')))
            text += QLatin1Char('.');
        text += QLatin1Char(' ');
    }
    text += sentence;
}

// The domain's fixed message, as the transfer window has always shown it.
QString baseMessage(const FtpError& error) {
    switch (error.domain) {
    case FtpErrorDomain::None:
        return QStringLiteral("ok");
    case FtpErrorDomain::NetDB:
        if (error.code == kHostNotFound)
            return QStringLiteral("Can't locate Server; name may be wrong");
        break;
    case FtpErrorDomain::FTP:
        if (error.code == 530)
            return QStringLiteral("User Name and/or Password is wrong");
        if (error.code == 550)
            return QStringLiteral("File/folder not found or inaccessible");
        break;
    case FtpErrorDomain::LocalFile:
        return error.detail.isEmpty()
                   ? QStringLiteral("Can't read the local file")
                   : QStringLiteral("Can't read the local file: %1").arg(error.detail);
    case FtpErrorDomain::BadName:
        return (error.detail.isEmpty() ? QStringLiteral("The name can't be sent to a server")
                                       : error.detail) +
               QStringLiteral("; not sent");
    case FtpErrorDomain::BadListing:
        return QStringLiteral("The server's folder listing could not be read");
    case FtpErrorDomain::SizeMismatch:
        return QStringLiteral("The server's copy of this file has the wrong size") +
               (error.detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(error.detail));
    case FtpErrorDomain::Security:
        switch (error.code) {
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_ISSUER_ERROR:
            return QStringLiteral("The server's certificate is not trusted by this system; "
                                  "nothing was sent to the server");
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
            return QStringLiteral("WARNING: the server's certificate has changed since you "
                                  "trusted it for this site; nothing was sent to the server");
        case CURLE_USE_SSL_FAILED:
            return QStringLiteral("The server does not offer FTPS (its reply to AUTH TLS was a "
                                  "refusal); nothing was sent to the server");
        case CURLE_SSL_CACERT_BADFILE:
            return QStringLiteral("The system's certificate store could not be read");
        default:
            return QStringLiteral("The secure connection to the server failed");
        }
    case FtpErrorDomain::Setup:
        return QStringLiteral("Can't initiate FTP") +
               (error.detail.isEmpty() ? QString() : QStringLiteral(": %1").arg(error.detail));
    default:
        break;
    }
    // The generic form, cut to 198 characters like the fixed buffer it
    // was first written for.
    return QStringLiteral("Error: %1, error code %2")
        .arg(MyStreamErrorDomainName(error.domain, error.code))
        .arg(error.code)
        .left(198);
}

} // namespace

QString MyStreamErrorDomainName(FtpErrorDomain domain, int code) {
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

QString MyStreamErrorMessage(const FtpError& error) {
    if (!error.isError())
        return baseMessage(error);
    const bool secure = demandsSecureConnection(error.code, error.serverReply);
    // A server that only refuses unencrypted logins has not judged the
    // password at all; saying it is wrong would send the user astray.
    QString text = secure ? kSecureConnectionMessage : baseMessage(error);
    switch (error.domain) {
    case FtpErrorDomain::FTP:
    case FtpErrorDomain::Curl:
        addSentence(text, error.detail);
        break;
    case FtpErrorDomain::Security:
        // libcurl's own words (which check failed), when it gave any.
        if (!error.detail.isEmpty())
            addSentence(text, QStringLiteral("(%1)").arg(ftppath::printable(error.detail)));
        break;
    case FtpErrorDomain::POSIX: {
        // The system's own explanation of the error number, after curl's
        // description of what it was doing ("Couldn't connect to server").
        QString why = QString::fromLocal8Bit(std::strerror(error.code));
        if (error.curlCode != 0)
            why = QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(error.curlCode))) +
                  QStringLiteral(" (") + why + QLatin1Char(')');
        addSentence(text, why);
        addSentence(text, error.detail);
        break;
    }
    default:
        break;
    }
    const bool noSpace =
        (error.domain == FtpErrorDomain::FTP && meansNoSpace(error.code, error.serverReply)) ||
        (error.domain == FtpErrorDomain::POSIX && error.code == ENOSPC) ||
        (!error.serverReply.isEmpty() && meansNoSpace(0, error.serverReply));
    if (noSpace)
        addSentence(text, kNoSpaceMessage);
    if (!error.serverReply.trimmed().isEmpty())
        addSentence(text,
                    QStringLiteral("Server reply: \"%1\"").arg(shownReply(error.serverReply)));
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
