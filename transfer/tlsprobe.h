// Reading a server's TLS certificate without trusting it and without
// sending it anything of the user's: for showing the user a certificate the
// system does not trust (or one that replaced a pinned one), so that they
// can decide whether to trust it for the site. The connection asks for TLS
// (AUTH TLS, or TLS at once for implicit FTPS), reads the certificate once
// the handshake is done and closes; no user name or password is ever sent
// on it.
#pragma once

#include "transfer/ftpaddress.h"
#include "transfer/siteprotocol.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace morvane {

struct ServerCertificate {
    QString subject;
    QString issuer;
    QDateTime notBefore;
    QDateTime notAfter;
    QString fingerprint; // SHA-256 of the certificate, "AB:CD:…"
    QByteArray pin;      // "sha256//" and the base64 SHA-256 of its public key
    QString problem;     // why no certificate could be read (empty when one was)

    bool isValid() const { return problem.isEmpty() && !fingerprint.isEmpty(); }
};

// Connects to the server and reads its certificate; runs a local event
// loop for at most `timeoutMs`.
ServerCertificate fetchServerCertificate(const FtpServerAddress& server, SiteProtocol protocol,
                                         int timeoutMs = 30000);

// The certificate as lines of text for the user: subject, issuer, validity
// and fingerprint.
QString describeCertificate(const ServerCertificate& certificate);

// Formats a digest as upper-case hex pairs joined by colons.
QString colonHex(const QByteArray& digest);

} // namespace morvane
