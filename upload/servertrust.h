// Deciding to trust a server the system does not vouch for. The transfers
// refuse such a server before anything of the user's is sent; here its
// certificate is fetched and put into words for the user, and a site is
// given the pin that makes its transfers accept exactly that certificate.
#pragma once

#include "core/sitestore.h"
#include "upload/tlsprobe.h"
#include "upload/transferjob.h"

#include <QString>

namespace morvane {

namespace servertrust {

// Reads the certificate the site's server presents now (see tlsprobe.h).
ServerCertificate fetch(const Site& site, int timeoutMs = 30000);

// The question put to the user: what was found, the certificate, and (for
// a changed one) the fingerprint trusted before.
QString question(const Site& site, TrustProblem problem, const ServerCertificate& certificate);

// The site with `certificate` pinned: its transfers then require it.
void pin(Site& site, const ServerCertificate& certificate);

// For `morvane upload`: one line after the failure, with the certificate's
// fingerprint and the command that reviews and trusts it.
QString commandLineHint(const Site& site, TrustProblem problem,
                        const ServerCertificate& certificate);

} // namespace servertrust

} // namespace morvane
