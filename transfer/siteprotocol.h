// How a site's server is reached: plain FTP, FTP over TLS (explicit, the
// usual kind, or implicit on its own port), or SFTP. Stored as the site key
// `protocol`; a site without it is plain FTP, as every site was before the
// key existed. A secure site may carry the certificate the user chose to
// trust for it.
#pragma once

#include "core/sitestore.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace morvane {

namespace ftpsitekey {
// "ftp" (or missing), "ftps", "ftps-implicit" or "sftp".
inline const QString protocol = QStringLiteral("protocol");
// The public key of a certificate the user trusts for this site although
// the system does not ("sha256//" and the base64 of its SHA-256): from
// then on the server must present that key.
inline const QString tlsPin = QStringLiteral("tlspin");
// The SHA-256 fingerprint of that certificate, shown when it changes.
inline const QString tlsFingerprint = QStringLiteral("tlsfingerprint");
} // namespace ftpsitekey

enum class SiteProtocol { Ftp, Ftps, FtpsImplicit, Sftp };

// Why a transfer could not trust its server, when that is why it failed.
enum class TrustProblem {
    None,
    Untrusted, // a certificate the system does not trust (and not pinned), or
               // an SSH host key known_hosts does not know
    Changed,   // not the pinned certificate, or not the key known_hosts holds
    Revoked    // an SSH host key that known_hosts marks "@revoked": never to be trusted
};

namespace siteprotocol {

// The site's protocol; nullopt for a stored value this program does not
// know (a site must never fall back to sending its password in clear
// because of a typo or a newer version's setting).
std::optional<SiteProtocol> of(const Site& site);
// The stored value ("ftp", "ftps"…).
QString key(SiteProtocol protocol);
// What the site dialog shows ("FTPS (TLS)"…).
QString title(SiteProtocol protocol);
// The protocols offered for a site, in menu order.
QList<SiteProtocol> offered();
// The port used when the server text names none.
int defaultPort(SiteProtocol protocol);
// The scheme of its addresses ("ftp", "ftps", "sftp").
QString scheme(SiteProtocol protocol);
// The address of the site's server folder for a file manager (`gio mount`)
// or an outside client: ftp://, ftps:// (explicit TLS, as gio reads it) or
// sftp://, with the user name but never the password. Empty for implicit
// FTPS, which gio does not offer, and for a server text that is not valid.
QString browseAddress(const Site& site);

// True for the protocols that verify the server by its TLS certificate.
inline bool usesTls(SiteProtocol protocol) {
    return protocol == SiteProtocol::Ftps || protocol == SiteProtocol::FtpsImplicit;
}

} // namespace siteprotocol

} // namespace morvane
