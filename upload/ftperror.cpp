#include "upload/ftperror.h"

namespace morvane {

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
        return QStringLiteral("The name contains a line break or NUL character; not sent");
    case FtpErrorDomain::BadListing:
        return QStringLiteral("The server's folder listing could not be read");
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

FtpError ftpErrorFromCurl(CURLcode result, long responseCode, long osErrno) {
    if (result == CURLE_OK)
        return {};
    if (result == CURLE_COULDNT_RESOLVE_HOST || result == CURLE_COULDNT_RESOLVE_PROXY)
        return {FtpErrorDomain::NetDB, kHostNotFound, {}};
    if (result == CURLE_LOGIN_DENIED)
        return {FtpErrorDomain::FTP, responseCode >= 400 ? int(responseCode) : 530, {}};
    if (responseCode >= 400 && responseCode < 600)
        return {FtpErrorDomain::FTP, int(responseCode), {}};
    if (osErrno != 0)
        return {FtpErrorDomain::POSIX, int(osErrno), {}};
    return {FtpErrorDomain::Curl, int(result), {}};
}

} // namespace morvane
