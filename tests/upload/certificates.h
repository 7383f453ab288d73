// Certificates for tests of FTP over TLS, made by openssl in a temporary
// folder: an authority, server certificates it signs for 127.0.0.1, and
// self-signed ones as small hosts use.
#pragma once

#include "testenv.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace morvane::test {

// Runs openssl with `args` in `dir`; true when it succeeded.
inline bool openssl(const QString& dir, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("/usr/bin/openssl"), args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << "openssl " << args.join(' ').toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return false;
    }
    if (out)
        *out = p.readAllStandardOutput();
    return true;
}

inline const QStringList kEcKey{
    QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
    QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

// A certificate authority, and server certificates (for 127.0.0.1) signed
// by it or by themselves, in one temporary folder.
class Certificates {
public:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    bool makeAuthority() {
        return openssl(m_dir.path(),
                       QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kEcKey +
                           QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"),
                                       QStringLiteral("-out"), QStringLiteral("ca.pem"),
                                       QStringLiteral("-days"), QStringLiteral("2"),
                                       QStringLiteral("-subj"),
                                       QStringLiteral("/CN=Morvane Test Authority")});
    }

    // `name`.pem and `name`.key: signed by the authority. An EC key, or an
    // RSA one (the key servers such as vsftpd expect by default).
    bool makeSigned(const QString& name, bool rsa = false) {
        writeFile(path(QStringLiteral("san.cnf")), "subjectAltName=IP:127.0.0.1\n");
        const QStringList key =
            rsa ? QStringList{QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                              QStringLiteral("-nodes")}
                : kEcKey;
        return openssl(m_dir.path(),
                       QStringList{QStringLiteral("req")} + key +
                           QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"),
                                       QStringLiteral("-out"), name + QStringLiteral(".csr"),
                                       QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")}) &&
               openssl(m_dir.path(),
                       {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                        name + QStringLiteral(".csr"), QStringLiteral("-CA"),
                        QStringLiteral("ca.pem"), QStringLiteral("-CAkey"),
                        QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
                        QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                        QStringLiteral("san.cnf"), QStringLiteral("-out"),
                        name + QStringLiteral(".pem")});
    }

    // `name`.pem and `name`.key: self-signed, as on many small hosts.
    bool makeSelfSigned(const QString& name) {
        return openssl(m_dir.path(),
                       QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kEcKey +
                           QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"),
                                       QStringLiteral("-out"), name + QStringLiteral(".pem"),
                                       QStringLiteral("-days"), QStringLiteral("2"),
                                       QStringLiteral("-subj"),
                                       QStringLiteral("/O=Small Host/CN=ftp.small-host.test"),
                                       QStringLiteral("-addext"),
                                       QStringLiteral("subjectAltName=DNS:ftp.small-host.test")});
    }

    // The SHA-256 fingerprint as openssl prints it ("AB:CD:…").
    QString fingerprint(const QString& name) {
        QByteArray out;
        openssl(m_dir.path(),
                {QStringLiteral("x509"), QStringLiteral("-in"), name + QStringLiteral(".pem"),
                 QStringLiteral("-noout"), QStringLiteral("-fingerprint"),
                 QStringLiteral("-sha256")},
                &out);
        return QString::fromLatin1(out.mid(out.indexOf('=') + 1).trimmed());
    }

private:
    QTemporaryDir m_dir;
};

} // namespace morvane::test
