// Deciding to trust a server the system does not vouch for. Transfers
// refuse such a server before anything of the user's is sent; here what it
// presented (an FTPS certificate, an SSH host key) is put into words for
// the user, and accepting it makes the site's transfers accept exactly that:
// a certificate is pinned in the site, a host key is added to known_hosts.
#pragma once

#include "core/sitestore.h"
#include "transfer/siteprotocol.h"
#include "transfer/sshhostkey.h"
#include "transfer/tlsprobe.h"

#include <QString>

namespace morvane {

class TransferJob;

struct ServerIdentity {
    SiteProtocol protocol = SiteProtocol::Ftp;
    QString host;
    int port = -1;
    ServerCertificate certificate;             // FTPS
    SshHostKey hostKey;                        // SFTP
    TrustProblem problem = TrustProblem::None; // None: trusted already
    QString failure;                           // why nothing could be read (empty when it was)

    bool isValid() const { return failure.isEmpty(); }
    QString fingerprint() const;
};

namespace servertrust {

// Connects to the site's server and reads what it presents now, without
// logging in: the certificate (FTPS) or the host key (SFTP), and whether it
// is trusted already, unknown or changed.
ServerIdentity fetch(const Site& site, int timeoutMs = 30000);
// The same from a job that failed for want of trust (no new connection
// for SFTP, whose job kept the key).
ServerIdentity fromJob(const Site& site, const TransferJob& job);

// The question put to the user: what was found, the certificate or key,
// and what was trusted before when it changed.
QString question(const Site& site, const ServerIdentity& identity);
// False for what the user may not accept here: a changed SSH host key is
// removed from known_hosts by hand, as ssh itself asks.
bool mayAccept(const ServerIdentity& identity);
// Accepts it: pins the certificate in `site` (the caller saves the site),
// or adds the host key to known_hosts. False with `error` on failure.
bool accept(Site& site, const ServerIdentity& identity, QString* error);

// For `morvane upload`: one line after the failure, with the fingerprint
// and the command that reviews and trusts it.
QString commandLineHint(const Site& site, const ServerIdentity& identity);

} // namespace servertrust

} // namespace morvane
