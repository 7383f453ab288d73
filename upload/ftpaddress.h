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
    QString authority;                      // host[:port] as it goes into an address, IDN-encoded
    QString host;                           // the bare host name or address
    int port = -1;                          // the port the server text names, or -1
    QStringList segments;                   // folder part of the server text, if any
    QString scheme = QStringLiteral("ftp"); // of the addresses made (ftp, ftps, sftp)

    // Parses the server text; nullopt when it does not form a valid address
    // (empty, another scheme than "ftp" or `scheme`, credentials or control
    // characters in it).
    static std::optional<FtpServerAddress> parse(const QString& serverText,
                                                 const QString& scheme = QStringLiteral("ftp"));

    // True for names that always mean this machine.
    bool isLocalHost() const;

    // The port to connect to: the one named, else `defaultPort`.
    int portOr(int defaultPort) const { return port > 0 ? port : defaultPort; }

    // The address of a path below the server's folder; `trailingSlash`
    // marks a folder. Each segment is percent-encoded.
    QByteArray url(const QStringList& path, bool trailingSlash) const;
};

namespace ftppath {

// Why a name cannot be sent in an FTP command, or an empty text when it
// can. Refused: every control character (CR and LF would end the command
// early and let the name inject one of its own; the others reach servers
// that treat them each their own way) and the backslash, which some
// servers read as a folder separator.
QString nameProblem(const QString& name);
bool isSendable(const QString& name);

// A name as it may appear in a message: control characters are shown as
// escapes (\t, \x1B…), so that nothing in it can act on a terminal.
QString printable(const QString& name);

// Splits a server folder ("/www/site", "www/site/", ".", "") into its
// segments, dropping empty and "." ones. nullopt when a segment is not
// sendable; `problem` (optional) then says why.
std::optional<QStringList> splitFolder(const QString& folder, QString* problem = nullptr);

// Splits a file's path relative to the site folder into segments. nullopt
// when it is empty, not sendable, or has "." / ".." segments; `problem`
// (optional) then says why.
std::optional<QStringList> splitRelativeFile(const QString& relativePath,
                                             QString* problem = nullptr);

// Joins segments as a server path for a command ("www/site").
QString join(const QStringList& segments);

// The name a file is uploaded under before it is renamed over its real
// name, in the same folder: hidden (it starts with "."), recognisable, and
// ending in a suffix no web server runs as a script ("a.php" becomes
// ".a.php.morvane-upload"). Long names are shortened, with a hash of the
// whole name, to stay within the usual 255-byte limit.
QString temporaryName(const QString& fileName);

} // namespace ftppath

} // namespace morvane
