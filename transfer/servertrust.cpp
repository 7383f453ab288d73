#include "transfer/servertrust.h"

#include "transfer/ftpaddress.h"
#include "transfer/transferjob.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace morvane {

QString ServerIdentity::fingerprint() const {
    return protocol == SiteProtocol::Sftp ? hostKey.fingerprint() : certificate.fingerprint;
}

namespace servertrust {

namespace {

// Host, port and protocol of the site, or a failure.
ServerIdentity addressOf(const Site& site) {
    ServerIdentity identity;
    const auto protocol = siteprotocol::of(site);
    identity.protocol = protocol.value_or(SiteProtocol::Ftp);
    const auto address =
        FtpServerAddress::parse(site.server().trimmed(), siteprotocol::scheme(identity.protocol));
    if (!protocol || !address) {
        identity.failure = QCoreApplication::translate(
            "ServerTrust", "The site's server or protocol is not valid.");
        return identity;
    }
    if (identity.protocol == SiteProtocol::Ftp) {
        identity.failure = QCoreApplication::translate(
            "ServerTrust", "The site uses plain FTP: there is nothing to verify.");
        return identity;
    }
    identity.host = address->host;
    identity.port = address->portOr(siteprotocol::defaultPort(identity.protocol));
    return identity;
}

// An SFTP connection test, run to its end here: the host key is checked
// before any login, so one that is not known ends it there.
ServerIdentity probeHostKey(const Site& site, ServerIdentity identity, int timeoutMs) {
    auto job = TransferJob::makeConnectionTest(site);
    job->setReplyTimeout(std::max(1, timeoutMs / 1000));
    QEventLoop loop;
    QObject::connect(job.get(), &TransferJob::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    job->start();
    if (!job->isFinished())
        loop.exec();
    if (job->trustProblem() != TrustProblem::None)
        return fromJob(site, *job);
    // A refused login comes after the host key was accepted; any other
    // failure means the key was never seen.
    const bool keyAccepted =
        job->succeeded() ||
        job->resultText().contains(
            QCoreApplication::translate("FtpError", "User Name and/or Password is wrong")) ||
        job->resultText().contains(QCoreApplication::translate("ServerTrust", "SSH key"));
    if (!keyAccepted)
        identity.failure = job->resultText();
    identity.problem = TrustProblem::None; // known_hosts holds its key
    return identity;
}

} // namespace

ServerIdentity fetch(const Site& site, int timeoutMs) {
    ServerIdentity identity = addressOf(site);
    if (!identity.isValid())
        return identity;
    if (identity.protocol == SiteProtocol::Sftp)
        return probeHostKey(site, identity, timeoutMs);
    const auto address =
        FtpServerAddress::parse(site.server().trimmed(), siteprotocol::scheme(identity.protocol));
    identity.certificate = fetchServerCertificate(*address, identity.protocol, timeoutMs);
    if (!identity.certificate.isValid()) {
        identity.failure = identity.certificate.problem;
        return identity;
    }
    const QString pinned = site.value(ftpsitekey::tlsPin);
    identity.problem = pinned.isEmpty()                                ? TrustProblem::Untrusted
                       : pinned.toLatin1() == identity.certificate.pin ? TrustProblem::None
                                                                       : TrustProblem::Changed;
    return identity;
}

ServerIdentity fromJob(const Site& site, const TransferJob& job) {
    ServerIdentity identity = addressOf(site);
    if (!identity.isValid())
        return identity;
    if (identity.protocol != SiteProtocol::Sftp)
        return fetch(site);
    identity.hostKey = job.hostKey();
    identity.problem = job.trustProblem();
    if (!identity.hostKey.isValid())
        identity.failure =
            QCoreApplication::translate("ServerTrust", "The server's host key could not be read.");
    return identity;
}

QString question(const Site& site, const ServerIdentity& identity) {
    const QString server = ftppath::printable(site.server());
    if (identity.protocol == SiteProtocol::Sftp) {
        const QString key =
            QCoreApplication::translate("ServerTrust", "Key type: %1\nSHA-256 fingerprint: %2")
                .arg(identity.hostKey.type, identity.hostKey.fingerprint());
        if (identity.problem == TrustProblem::Revoked)
            return QStringLiteral(
                       "The server \"%1\" presented a host key that your known hosts "
                       "(~/.ssh/known_hosts) mark as revoked. A revoked key must never be "
                       "trusted: it may be in an attacker's hands. Nothing has been sent to "
                       "it.\n\n%2\n\nDo not use this server until your host gives you its "
                       "new key.")
                .arg(server, key);
        if (identity.problem == TrustProblem::Changed)
            return QStringLiteral(
                       "WARNING: the host key of the server \"%1\" has changed. This happens "
                       "when the host reinstalls its server, but it is also what an attacker's "
                       "server would look like. Nothing has been sent to it.\n\n"
                       "Known key: %2\n\nPresented now:\n%3\n\n"
                       "If your host confirms the new key, remove the old one with\n"
                       "  ssh-keygen -R \"%4\"\nand connect again.")
                .arg(server,
                     identity.hostKey.knownPrint.isEmpty()
                         ? QCoreApplication::translate("ServerTrust", "(not readable)")
                         : identity.hostKey.knownPrint,
                     key, sshhostkey::hostPortName(identity.host, identity.port));
        return QCoreApplication::translate(
                   "ServerTrust",
                   "The host key of the server \"%1\" is not in your known hosts "
                   "(~/.ssh/known_hosts). Nothing has been sent to it.\n\n%2\n\n"
                   "Accept it only if you know it is your host's key (your host can "
                   "tell you its fingerprint). It is then added to your known hosts.")
            .arg(server, key);
    }
    QString text;
    if (identity.problem == TrustProblem::Changed) {
        const QString before = site.value(ftpsitekey::tlsFingerprint);
        text =
            QCoreApplication::translate(
                "ServerTrust", "WARNING: the certificate of the server \"%1\" has changed since "
                               "you trusted it. This happens when the host renews it, but it is "
                               "also what an attacker's server would look like. Nothing has been "
                               "sent to it.\n\nTrusted before: %2\n\nPresented now:\n")
                .arg(server, before.isEmpty()
                                 ? QCoreApplication::translate("ServerTrust", "(not recorded)")
                                 : before);
    } else {
        text =
            QCoreApplication::translate(
                "ServerTrust", "The certificate of the server \"%1\" is not trusted by this "
                               "system (it may be self-signed). Nothing has been sent to it.\n\n")
                .arg(server);
    }
    text += describeCertificate(identity.certificate);
    text += QCoreApplication::translate(
        "ServerTrust", "\n\nTrust it for this site only if you know it is your host's "
                       "certificate (your host can tell you its fingerprint).");
    return text;
}

bool mayAccept(const ServerIdentity& identity) {
    return identity.isValid() && identity.problem != TrustProblem::None &&
           identity.problem != TrustProblem::Revoked &&
           !(identity.protocol == SiteProtocol::Sftp && identity.problem == TrustProblem::Changed);
}

bool accept(Site& site, const ServerIdentity& identity, QString* error) {
    if (!mayAccept(identity)) {
        *error = QCoreApplication::translate("ServerTrust", "This key can't be accepted here.");
        return false;
    }
    if (identity.protocol == SiteProtocol::Sftp)
        return sshhostkey::addToKnownHosts(identity.host, identity.port, identity.hostKey, error);
    site.setValue(ftpsitekey::tlsPin, QString::fromLatin1(identity.certificate.pin));
    site.setValue(ftpsitekey::tlsFingerprint, identity.certificate.fingerprint);
    return true;
}

QString commandLineHint(const Site& site, const ServerIdentity& identity) {
    const bool ssh = identity.protocol == SiteProtocol::Sftp;
    if (ssh && identity.isValid() && identity.problem == TrustProblem::Revoked)
        return QCoreApplication::translate(
                   "ServerTrust", "The server's host key %1 is marked as revoked in your known "
                                  "hosts; it must never be trusted. Do not use this server until "
                                  "your host gives you its new key.")
            .arg(identity.fingerprint());
    if (ssh && identity.isValid() && identity.problem == TrustProblem::Changed)
        return QCoreApplication::translate(
                   "ServerTrust", "WARNING: the server's host key has changed. Known key: %1. "
                                  "Presented now: %2. If your host confirms the new key, remove "
                                  "the old one with ssh-keygen -R \"%3\" and upload again.")
            .arg(identity.hostKey.knownPrint.isEmpty()
                     ? QCoreApplication::translate("ServerTrust", "(not readable)")
                     : identity.hostKey.knownPrint,
                 identity.fingerprint(), sshhostkey::hostPortName(identity.host, identity.port));
    const QString what = ssh ? QCoreApplication::translate("ServerTrust", "host key")
                             : QCoreApplication::translate("ServerTrust", "certificate");
    const QString state =
        identity.problem == TrustProblem::Changed
            ? QCoreApplication::translate("ServerTrust", "changed; it now has")
            : QCoreApplication::translate("ServerTrust", "is not trusted; it has");
    const QString fingerprint =
        identity.isValid()
            ? QCoreApplication::translate("ServerTrust", "the SHA-256 fingerprint %1")
                  .arg(identity.fingerprint())
            : QCoreApplication::translate("ServerTrust",
                                          "a fingerprint that could not be read (%1)")
                  .arg(identity.failure);
    return QCoreApplication::translate(
               "ServerTrust", "The server's %1 %2 %3. To review and trust it: morvane trust \"%4\"")
        .arg(what, state, fingerprint, ftppath::printable(site.name()));
}

} // namespace servertrust

} // namespace morvane
