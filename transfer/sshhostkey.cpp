#include "transfer/sshhostkey.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QSaveFile>
#include <QtEndian>

#include <cctype>

namespace morvane {

QString SshHostKey::fingerprint() const {
    return sshhostkey::fingerprintOf(blob);
}

namespace sshhostkey {

QString knownHostsPath() {
    return QDir::homePath() + QStringLiteral("/.ssh/known_hosts");
}

QString fingerprintOf(const QByteArray& blob) {
    QByteArray digest = QCryptographicHash::hash(blob, QCryptographicHash::Sha256).toBase64();
    while (digest.endsWith('='))
        digest.chop(1);
    return QStringLiteral("SHA256:") + QString::fromLatin1(digest);
}

SshHostKey fromBlob(const QByteArray& blob) {
    // The key starts with its type: a 32-bit length and that many bytes.
    SshHostKey key;
    if (blob.size() < 4)
        return key;
    const quint32 length = qFromBigEndian<quint32>(blob.constData());
    if (length == 0 || length > 64 || qsizetype(length) + 4 > blob.size())
        return key;
    const QByteArray type = blob.mid(4, qsizetype(length));
    for (char c : type) {
        if (!(std::isalnum(uchar(c)) || c == '-' || c == '@' || c == '.'))
            return key;
    }
    key.type = QString::fromLatin1(type);
    key.blob = blob;
    return key;
}

SshHostKey fromBase64(const QByteArray& base64) {
    const auto decoded =
        QByteArray::fromBase64Encoding(base64.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? fromBlob(*decoded) : SshHostKey();
}

QString hostPortName(const QString& host, int port) {
    return port == 22 || port <= 0 ? host : QStringLiteral("[%1]:%2").arg(host).arg(port);
}

namespace {

// ssh's wildcard match: "*" any run of characters, "?" any one.
bool wildcardMatch(QStringView name, QStringView pattern) {
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

// A hashed name, "|1|salt|hash": the HMAC-SHA1 of the name keyed by the salt.
bool hashedMatch(const QString& name, const QByteArray& field) {
    const QList<QByteArray> parts = field.split('|');
    if (parts.size() != 4 || !parts[0].isEmpty() || parts[1] != "1")
        return false;
    const auto salt =
        QByteArray::fromBase64Encoding(parts[2], QByteArray::AbortOnBase64DecodingErrors);
    const auto hash =
        QByteArray::fromBase64Encoding(parts[3], QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !hash || salt.decoded.isEmpty())
        return false;
    return QMessageAuthenticationCode::hash(name.toUtf8(), *salt, QCryptographicHash::Sha1) ==
           *hash;
}

// Whether the host field of a line names `name` (already lower case): one
// of its patterns matches and none of its negated ones does.
bool hostsMatch(const QString& name, const QByteArray& field) {
    if (field.startsWith('|'))
        return hashedMatch(name, field);
    bool matched = false;
    for (const QByteArray& raw : field.split(',')) {
        QString pattern = QString::fromUtf8(raw).toLower();
        const bool negated = pattern.startsWith(QLatin1Char('!'));
        if (negated)
            pattern.remove(0, 1);
        if (pattern.isEmpty() || !wildcardMatch(name, pattern))
            continue;
        if (negated)
            return false;
        matched = true;
    }
    return matched;
}

} // namespace

TrustProblem checkKnownHosts(const QByteArray& contents, const QString& host, int port,
                             const SshHostKey& key, QString* knownPrint) {
    const QString name = hostPortName(host, port).toLower();
    bool known = false;
    QString other;
    for (const QByteArray& rawLine : contents.split('\n')) {
        const QByteArray line = rawLine.simplified();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QList<QByteArray> fields = line.split(' ');
        QByteArray marker;
        if (fields.first().startsWith('@'))
            marker = fields.takeFirst();
        if (fields.size() < 3 || !hostsMatch(name, fields[0]))
            continue;
        const SshHostKey listed = fromBase64(fields[2]);
        if (!listed.isValid())
            continue;
        if (marker == "@revoked") {
            if (listed.blob == key.blob)
                return TrustProblem::Revoked; // whatever other lines say
            continue;
        }
        if (!marker.isEmpty())
            continue; // @cert-authority, or a marker ssh does not know either
        if (listed.blob == key.blob)
            known = true;
        else if (listed.type == key.type && other.isEmpty())
            other = listed.fingerprint();
    }
    if (known)
        return TrustProblem::None;
    if (!other.isEmpty()) {
        if (knownPrint)
            *knownPrint = other;
        return TrustProblem::Changed;
    }
    return TrustProblem::Untrusted;
}

TrustProblem checkKnownHosts(const QString& host, int port, const SshHostKey& key,
                             QString* knownPrint) {
    QFile file(knownHostsPath());
    QByteArray contents;
    if (file.open(QIODevice::ReadOnly))
        contents = file.readAll();
    return checkKnownHosts(contents, host, port, key, knownPrint);
}

QByteArray knownHostsLine(const QString& host, int port, const SshHostKey& key) {
    return hostPortName(host, port).toUtf8() + ' ' + key.type.toLatin1() + ' ' +
           key.blob.toBase64() + '\n';
}

bool addToKnownHosts(const QString& host, int port, const SshHostKey& key, QString* error) {
    if (!key.isValid()) {
        *error = QCoreApplication::translate("ServerTrust", "The server's key could not be read.");
        return false;
    }
    const QString path = knownHostsPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder)) {
            *error = QCoreApplication::translate("ServerTrust", "Can't create the folder \"%1\".")
                         .arg(folder);
            return false;
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QByteArray contents;
    QFile existing(path);
    const bool had = existing.exists();
    if (had) {
        if (!existing.open(QIODevice::ReadOnly)) {
            *error = existing.errorString();
            return false;
        }
        contents = existing.readAll();
        existing.close();
        if (!contents.isEmpty() && !contents.endsWith('\n'))
            contents += '\n';
    }
    // ssh would refuse this key however many lines trust it.
    if (checkKnownHosts(contents, host, port, key) == TrustProblem::Revoked) {
        *error =
            QCoreApplication::translate(
                "ServerTrust", "Your known hosts (%1) mark this key as revoked: it must not be "
                               "trusted.")
                .arg(path);
        return false;
    }
    contents += knownHostsLine(host, port, key);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(contents) != contents.size()) {
        *error = out.errorString();
        return false;
    }
    // A new file is the user's alone, as ssh makes it; an existing one
    // keeps its permissions (QSaveFile carries them over).
    if (!had)
        out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace sshhostkey

} // namespace morvane
