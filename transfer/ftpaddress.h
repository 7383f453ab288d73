// Turning a site's server text, server folder and file names into FTP
// addresses and server paths. A server folder that starts with "/" names a
// folder from the server's root ("/var/www/site"), as every FTP and SFTP
// client reads it; any other is below the folder the server puts the user
// in at login ("www", "site/www"). "/" alone (and an empty folder) is the
// login folder itself: the site dialog once stored every empty field so.
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
    // The paths made start at the server's root, not at the login folder
    // (set for a site whose server folder is absolute; see ftppath).
    bool absolute = false;

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

    // The server path of `path` below the server's folder, as it goes
    // into a command: "www/img/a.png" from the login folder, or
    // "/var/www/img/a.png" from the root.
    QString commandPath(const QStringList& path) const;

    // Takes the site's server folder: returns its segments (the ones a
    // job creates and puts files under) and makes the paths absolute when
    // the folder is. An absolute server folder replaces the server text's
    // own folder. nullopt when the folder can't be sent (`problem` says why).
    std::optional<QStringList> takeServerFolder(const QString& folder, QString* problem = nullptr);
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

// Whether a server folder starts at the server's root: it begins with "/"
// and names a folder below it ("/var/www", "//abs"). "", "/" and "." are
// the login folder; "www" is below it.
bool isAbsoluteFolder(const QString& folder);

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
// whole name, to stay within the usual 255-byte limit. The name is the same
// from one upload to the next, so that a left-over of a killed upload is
// replaced by the next one.
QString temporaryName(const QString& fileName);

// Whether a file name has the form of a temporary name (".…morvane-upload").
// Such a site file is never uploaded: beside the file whose temporary name
// it is, the two uploads would write the same server file.
bool isTemporaryName(const QString& fileName);

} // namespace ftppath

} // namespace morvane
