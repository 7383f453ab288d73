#include "upload/servertrust.h"

#include "upload/ftpaddress.h"
#include "upload/siteprotocol.h"

namespace morvane::servertrust {

ServerCertificate fetch(const Site& site, int timeoutMs) {
    const SiteProtocol protocol = siteprotocol::of(site).value_or(SiteProtocol::Ftp);
    const auto address =
        FtpServerAddress::parse(site.server().trimmed(), siteprotocol::scheme(protocol));
    if (!address || !siteprotocol::usesTls(protocol)) {
        ServerCertificate none;
        none.problem = QStringLiteral("The site does not use FTPS.");
        return none;
    }
    return fetchServerCertificate(*address, protocol, timeoutMs);
}

QString question(const Site& site, TrustProblem problem, const ServerCertificate& certificate) {
    QString text;
    if (problem == TrustProblem::Changed) {
        const QString before = site.value(ftpsitekey::tlsFingerprint);
        text = QStringLiteral("WARNING: the certificate of the server \"%1\" has changed since "
                              "you trusted it. This happens when the host renews it, but it is "
                              "also what an attacker's server would look like.\n\n"
                              "Trusted before: %2\n\nPresented now:\n")
                   .arg(ftppath::printable(site.server()),
                        before.isEmpty() ? QStringLiteral("(not recorded)") : before);
    } else {
        text = QStringLiteral("The certificate of the server \"%1\" is not trusted by this "
                              "system (it may be self-signed). Nothing has been sent to it.\n\n")
                   .arg(ftppath::printable(site.server()));
    }
    text += describeCertificate(certificate);
    text += QStringLiteral("\n\nTrust it for this site only if you know it is your host's "
                           "certificate (your host can tell you its fingerprint).");
    return text;
}

void pin(Site& site, const ServerCertificate& certificate) {
    site.setValue(ftpsitekey::tlsPin, QString::fromLatin1(certificate.pin));
    site.setValue(ftpsitekey::tlsFingerprint, certificate.fingerprint);
}

QString commandLineHint(const Site& site, TrustProblem problem,
                        const ServerCertificate& certificate) {
    const QString what = problem == TrustProblem::Changed
                             ? QStringLiteral("The server's certificate changed; it now has")
                             : QStringLiteral("The server's certificate is not trusted; it has");
    const QString fingerprint =
        certificate.isValid()
            ? QStringLiteral("the SHA-256 fingerprint %1").arg(certificate.fingerprint)
            : QStringLiteral("a fingerprint that could not be read (%1)").arg(certificate.problem);
    return QStringLiteral("%1 %2. To review and trust it: morvane trust \"%3\"")
        .arg(what, fingerprint, ftppath::printable(site.name()));
}

} // namespace morvane::servertrust
