// One FTP transfer each: storing a local file, creating a server folder, or
// reading a folder listing. MySimpleUpload and MySimpleDirectoryListing
// prepare the transfer's record and its curl handle; a CurlMultiDriver runs
// it; ftpTransferResult() reads how it ended.
#pragma once

#include "upload/ftpaddress.h"
#include "upload/ftpcurl.h"
#include "upload/ftperror.h"
#include "upload/ftplisting.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace morvane {

enum class FtpTransferKind { Store, MakeFolder, Listing };

struct FtpCredentials {
    QString userName; // empty: anonymous login
    QString password; // sent only together with a user name
};

// The record of one transfer, alive from its start to its end.
struct MyStreamInfo {
    FtpTransferKind kind = FtpTransferKind::Store;
    QString itemName; // what results are reported under; empty for a listing
    int tag = -1;     // the owner's index for the transfer
    CurlEasy easy;
    CurlSlist commands;          // the MKD command of a folder request
    std::unique_ptr<QFile> file; // the local file of a store
    qint64 fileSize = 0;         // when the transfer started
    qint64 bytesRead = 0;
    QString localError; // set when reading the local file failed
    FtpListingParser listing;
    CurlMultiDriver::SocketLog sockets; // sockets opened while it runs
    // Called once the whole local file has been handed to curl; returns
    // true when the transfer should pause until the server's final reply.
    std::function<bool()> pauseAtEnd;
    bool endReached = false;
    char curlError[CURL_ERROR_SIZE] = {};
};

// Prepares the store of `localFile` as `remotePath` (segments below the
// server's folder), or, without a local file, the creation of the folder
// `remotePath`. Returns null only when curl cannot make a handle; a local
// file that cannot be opened is reported through `error` with a null result.
std::unique_ptr<MyStreamInfo>
MySimpleUpload(const FtpServerAddress& server, const QStringList& remotePath,
               const QString& localFile, const FtpCredentials& credentials, const QString& itemName,
               FtpError* error, long replyTimeoutSeconds = 60);

// Prepares the listing of the server's folder.
std::unique_ptr<MyStreamInfo> MySimpleDirectoryListing(const FtpServerAddress& server,
                                                       const FtpCredentials& credentials,
                                                       long replyTimeoutSeconds = 60);

// Sets the user name and, with it, the password on a handle as separate
// options, so that no character in them has to be escaped.
void MyCurlSetUsernamePassword(CURL* easy, const FtpCredentials& credentials);

// How a finished transfer ended, read from its handle.
struct FtpTransferResult {
    FtpError error;
    long responseCode = 0;
    bool newConnection = false; // the transfer opened its own connection
};
FtpTransferResult ftpTransferResult(MyStreamInfo& info, CURLcode result);

} // namespace morvane
