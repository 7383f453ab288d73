// Turning a site's server text, server folder and file names into FTP
// addresses and server paths. Every path here is relative to the folder the
// server puts the user in at login, the way FTP addresses are read; a leading
// "/" in a server folder is accepted and means the same.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace morvane {

// Where a site's server lives: "host", "host:port", "[v6]:port", optionally
// preceded by "ftp://" and followed by a folder ("host:port/sub").
struct FtpServerAddress {
    QString authority;    // host[:port] as it goes into an address, IDN-encoded
    QString host;         // the bare host name or address
    QStringList segments; // folder part of the server text, if any

    // Parses the server text; nullopt when it does not form a valid address
    // (empty, other scheme, credentials or control characters in it).
    static std::optional<FtpServerAddress> parse(const QString& serverText);

    // True for names that always mean this machine.
    bool isLocalHost() const;

    // The ftp address of a path below the server's folder; `trailingSlash`
    // marks a folder. Each segment is percent-encoded.
    QByteArray url(const QStringList& path, bool trailingSlash) const;
};

namespace ftppath {

// True when a name can be sent in an FTP command: no CR, LF or NUL, which
// would end the command early or let the text inject a command of its own.
bool isSendable(const QString& name);

// Splits a server folder ("/www/site", "www/site/", ".", "") into its
// segments, dropping empty and "." ones. nullopt when a segment is not
// sendable.
std::optional<QStringList> splitFolder(const QString& folder);

// Splits a file's path relative to the site folder into segments. nullopt
// when it is empty, not sendable, or has "." / ".." segments.
std::optional<QStringList> splitRelativeFile(const QString& relativePath);

// Joins segments as a server path for a command ("www/site").
QString join(const QStringList& segments);

} // namespace ftppath

} // namespace morvane
