// How a failed transfer is described: an error domain and code, and the
// short message the user sees for them. libcurl's results are mapped onto
// the domains the transfer window knows: name resolution, FTP reply codes
// and operating-system errors.
#pragma once

#include <QString>

#include <curl/curl.h>

namespace morvane {

enum class FtpErrorDomain {
    None,
    NetDB,      // the host name could not be resolved
    FTP,        // an FTP reply code from the server
    POSIX,      // an operating-system error number (connection refused…)
    Curl,       // a libcurl failure with neither a reply code nor a system error
    LocalFile,  // the local file could not be read
    BadName,    // a name that cannot be sent to the server
    BadListing, // a folder listing that could not be read
};

// The resolver's "host not found" code.
inline constexpr int kHostNotFound = 8;

struct FtpError {
    FtpErrorDomain domain = FtpErrorDomain::None;
    int code = 0;
    QString detail; // the system's description for LocalFile

    bool isError() const { return domain != FtpErrorDomain::None; }
};

// The symbolic name of a domain, as shown in "Error: %s, error code %d".
QString MyStreamErrorDomainName(FtpErrorDomain domain, int code = 0);

// The message the user sees for a failure.
QString MyStreamErrorMessage(const FtpError& error);

// Maps one finished curl transfer onto a domain and code: a resolver
// failure, else the server's reply when it was an error reply (4xx/5xx),
// else the operating system's error, else curl's own code.
FtpError ftpErrorFromCurl(CURLcode result, long responseCode, long osErrno);

} // namespace morvane
