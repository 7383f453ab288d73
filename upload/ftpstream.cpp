#include "upload/ftpstream.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace morvane {

namespace {

// Hands curl the local file in pieces, never more than the size it had when
// the transfer started. The size is not given to curl: it would then end the
// upload on its own after the last byte and wait for the server's reply
// without returning to the event loop (see pauseAtEnd).
size_t readLocalFile(char* buffer, size_t size, size_t count, void* userp) {
    auto* info = static_cast<MyStreamInfo*>(userp);
    const qint64 wanted = std::min<qint64>(qint64(size * count), info->fileSize - info->bytesRead);
    const qint64 n = wanted > 0 ? info->file->read(buffer, wanted) : 0;
    if (n < 0 || (n == 0 && info->bytesRead < info->fileSize)) {
        info->localError = n < 0 ? info->file->errorString()
                                 : QStringLiteral("the file became shorter while it was sent");
        std::fprintf(stderr, "Local file read failed: %s\n", qPrintable(info->localError));
        return CURL_READFUNC_ABORT;
    }
    info->bytesRead += n;
    if (n == 0 && !info->endReached) {
        info->endReached = true;
        if (info->pauseAtEnd && info->pauseAtEnd())
            return CURL_READFUNC_PAUSE; // called again once the reply is there
    }
    return size_t(n);
}

size_t receiveListing(char* data, size_t size, size_t count, void* userp) {
    auto* info = static_cast<MyStreamInfo*>(userp);
    const size_t n = size * count;
    if (!info->listing.feed(QByteArray(data, qsizetype(n))))
        return 0; // ends the transfer with a write error
    return n;
}

// Options every transfer shares: passive mode, no CWD (paths go whole into
// each command, so a reused connection never depends on where the previous
// transfer left it), time limits so that a silent server cannot hold a job
// forever, and no signals (the event loop runs on this thread).
void setCommonOptions(CURL* easy, MyStreamInfo* info, const QByteArray& url,
                      const FtpCredentials& credentials, bool localServer, long replyTimeout) {
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, info);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, info->curlError);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(easy, CURLOPT_FTP_USE_EPSV, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, replyTimeout);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, replyTimeout);
    if (localServer)
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    MyCurlSetUsernamePassword(easy, credentials);
}

} // namespace

void MyCurlSetUsernamePassword(CURL* easy, const FtpCredentials& credentials) {
    if (credentials.userName.isEmpty())
        return; // anonymous login
    curl_easy_setopt(easy, CURLOPT_USERNAME, credentials.userName.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, credentials.password.toUtf8().constData());
}

std::unique_ptr<MyStreamInfo>
MySimpleUpload(const FtpServerAddress& server, const QStringList& remotePath,
               const QString& localFile, const FtpCredentials& credentials, const QString& itemName,
               FtpError* error, long replyTimeoutSeconds) {
    auto info = std::make_unique<MyStreamInfo>();
    info->itemName = itemName;
    info->kind = localFile.isEmpty() ? FtpTransferKind::MakeFolder : FtpTransferKind::Store;

    if (info->kind == FtpTransferKind::Store) {
        info->file = std::make_unique<QFile>(localFile);
        const QFileInfo fi(localFile);
        if (fi.isDir() || !info->file->open(QIODevice::ReadOnly)) {
            const QString why =
                fi.isDir() ? QStringLiteral("it is a folder") : info->file->errorString();
            std::fprintf(stderr, "Opening the local file failed: %s\n", qPrintable(why));
            *error = {FtpErrorDomain::LocalFile, 0, why};
            return nullptr;
        }
        info->fileSize = info->file->size();
    }

    info->easy.reset(curl_easy_init());
    if (!info->easy) {
        std::fputs("curl_easy_init failed\n", stderr);
        return nullptr;
    }
    CURL* easy = info->easy.get();
    const bool local = server.isLocalHost();
    if (info->kind == FtpTransferKind::Store) {
        setCommonOptions(easy, info.get(), server.url(remotePath, false), credentials, local,
                         replyTimeoutSeconds);
        curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, &readLocalFile);
        curl_easy_setopt(easy, CURLOPT_READDATA, info.get());
    } else {
        // Log in (or reuse a connection), send MKD with the folder's whole
        // path, transfer nothing.
        setCommonOptions(easy, info.get(), server.url({}, true), credentials, local,
                         replyTimeoutSeconds);
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        const QByteArray command = "MKD " + ftppath::join(server.segments + remotePath).toUtf8();
        info->commands.reset(curl_slist_append(nullptr, command.constData()));
        if (!info->commands)
            return nullptr;
        curl_easy_setopt(easy, CURLOPT_QUOTE, info->commands.get());
    }
    return info;
}

std::unique_ptr<MyStreamInfo> MySimpleDirectoryListing(const FtpServerAddress& server,
                                                       const FtpCredentials& credentials,
                                                       long replyTimeoutSeconds) {
    auto info = std::make_unique<MyStreamInfo>();
    info->kind = FtpTransferKind::Listing;
    info->easy.reset(curl_easy_init());
    if (!info->easy) {
        std::fputs("curl_easy_init failed\n", stderr);
        return nullptr;
    }
    CURL* easy = info->easy.get();
    setCommonOptions(easy, info.get(), server.url({}, true), credentials, server.isLocalHost(),
                     replyTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &receiveListing);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, info.get());
    return info;
}

FtpTransferResult ftpTransferResult(MyStreamInfo& info, CURLcode result) {
    FtpTransferResult r;
    long osErrno = 0;
    long connects = 0;
    curl_easy_getinfo(info.easy.get(), CURLINFO_RESPONSE_CODE, &r.responseCode);
    curl_easy_getinfo(info.easy.get(), CURLINFO_OS_ERRNO, &osErrno);
    curl_easy_getinfo(info.easy.get(), CURLINFO_NUM_CONNECTS, &connects);
    r.newConnection = connects > 0;

    if (!info.localError.isEmpty()) {
        r.error = {FtpErrorDomain::LocalFile, 0, info.localError};
    } else if (info.kind == FtpTransferKind::Listing &&
               (info.listing.failed() || (result == CURLE_OK && !info.listing.finish()))) {
        r.error = {FtpErrorDomain::BadListing, 0, {}};
    } else {
        r.error = ftpErrorFromCurl(result, r.responseCode, osErrno);
    }
    if (r.error.isError()) {
        std::fprintf(stderr, "FTP transfer failed: curl %d, reply %ld, errno %ld [%s] %s\n",
                     int(result), r.responseCode, osErrno,
                     qPrintable(MyStreamErrorMessage(r.error)), info.curlError);
    }
    return r;
}

} // namespace morvane
