#include "transfer/tlsprobe.h"

#include "transfer/ftplog.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

#include <cctype>

namespace morvane {

namespace {

QString nameOf(const QSslCertificate& certificate, bool issuer) {
    QStringList parts;
    const auto attributes =
        issuer ? certificate.issuerInfoAttributes() : certificate.subjectInfoAttributes();
    for (const QByteArray& attribute : attributes) {
        const QStringList values =
            issuer ? certificate.issuerInfo(attribute) : certificate.subjectInfo(attribute);
        for (const QString& value : values)
            parts << QString::fromLatin1(attribute) + QLatin1Char('=') + value;
    }
    return ftppath::printable(parts.join(QStringLiteral(", ")));
}

ServerCertificate fromCertificate(const QSslCertificate& certificate) {
    ServerCertificate out;
    if (certificate.isNull()) {
        out.problem =
            QCoreApplication::translate("ServerTrust", "The server presented no certificate.");
        return out;
    }
    out.subject = nameOf(certificate, false);
    out.issuer = nameOf(certificate, true);
    out.notBefore = certificate.effectiveDate();
    out.notAfter = certificate.expiryDate();
    out.fingerprint = colonHex(certificate.digest(QCryptographicHash::Sha256));
    // The public key as SubjectPublicKeyInfo, which is what a pin names.
    const QByteArray key = certificate.publicKey().toDer();
    if (!key.isEmpty())
        out.pin = QByteArrayLiteral("sha256//") +
                  QCryptographicHash::hash(key, QCryptographicHash::Sha256).toBase64();
    return out;
}

// One exchange on the control connection before TLS: the greeting, then
// the reply to AUTH TLS.
class Probe {
public:
    Probe(const FtpServerAddress& server, SiteProtocol protocol, int timeoutMs)
        : m_server(server), m_protocol(protocol) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        // Read whatever certificate is presented; judging it is the user's
        // part here, and nothing is sent over this connection.
        config.setPeerVerifyMode(QSslSocket::QueryPeer);
        m_socket.setSslConfiguration(config);
        m_socket.setPeerVerifyName(server.host);
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_loop, [this] {
            fail(QCoreApplication::translate("ServerTrust", "The server did not answer in time."));
        });
        QObject::connect(&m_socket, &QSslSocket::readyRead, &m_loop, [this] { readReplies(); });
        QObject::connect(&m_socket, &QSslSocket::encrypted, &m_loop, [this] {
            m_result = fromCertificate(m_socket.peerCertificate());
            m_loop.quit();
        });
        QObject::connect(&m_socket, &QSslSocket::errorOccurred, &m_loop,
                         [this] { fail(m_socket.errorString()); });
        m_timer.start(timeoutMs);
    }

    ServerCertificate run() {
        const quint16 port = quint16(m_server.portOr(siteprotocol::defaultPort(m_protocol)));
        if (m_protocol == SiteProtocol::FtpsImplicit)
            m_socket.connectToHostEncrypted(m_server.host, port);
        else
            m_socket.connectToHost(m_server.host, port);
        m_loop.exec();
        m_socket.abort();
        return m_result;
    }

private:
    void fail(const QString& why) {
        if (m_result.problem.isEmpty() && m_result.fingerprint.isEmpty())
            m_result.problem = why;
        m_loop.quit();
    }

    void readReplies() {
        if (m_socket.isEncrypted())
            return;
        while (m_socket.canReadLine()) {
            const QByteArray line = m_socket.readLine(4096).trimmed();
            // The last line of a reply: three digits and a space (or nothing).
            if (line.size() < 3 || !std::isdigit(uchar(line[0])) ||
                (line.size() > 3 && line[3] != ' '))
                continue;
            const int code = line.left(3).toInt();
            if (!m_sentAuth && code == 220) {
                m_sentAuth = true;
                m_socket.write("AUTH TLS\r\n");
            } else if (m_sentAuth && code == 234) {
                m_socket.startClientEncryption();
                return;
            } else {
                fail(QCoreApplication::translate("ServerTrust",
                                                 "The server does not offer TLS: \"%1\"")
                         .arg(ftppath::printable(QString::fromUtf8(line))));
                return;
            }
        }
    }

    const FtpServerAddress& m_server;
    SiteProtocol m_protocol;
    QSslSocket m_socket;
    QEventLoop m_loop;
    QTimer m_timer;
    bool m_sentAuth = false;
    ServerCertificate m_result;
};

} // namespace

QString colonHex(const QByteArray& digest) {
    QStringList pairs;
    for (char c : digest)
        pairs << QStringLiteral("%1").arg(uint(uchar(c)), 2, 16, QLatin1Char('0')).toUpper();
    return pairs.join(QLatin1Char(':'));
}

ServerCertificate fetchServerCertificate(const FtpServerAddress& server, SiteProtocol protocol,
                                         int timeoutMs) {
    if (!QSslSocket::supportsSsl()) {
        ServerCertificate none;
        none.problem =
            QCoreApplication::translate("ServerTrust", "TLS is not available on this system.");
        return none;
    }
    Probe probe(server, protocol, timeoutMs);
    ServerCertificate result = probe.run();
    if (!result.problem.isEmpty())
        qCDebug(lcFtp).noquote() << "Reading the server's certificate failed:" << result.problem;
    return result;
}

QString describeCertificate(const ServerCertificate& certificate) {
    const auto date = [](const QDateTime& d) {
        return d.isValid() ? d.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"))
                           : QStringLiteral("?");
    };
    return QCoreApplication::translate(
               "ServerTrust",
               "Subject: %1\nIssuer: %2\nValid from %3 to %4\nSHA-256 fingerprint: %5")
        .arg(certificate.subject, certificate.issuer, date(certificate.notBefore),
             date(certificate.notAfter), certificate.fingerprint);
}

} // namespace morvane
