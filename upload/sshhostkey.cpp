#include "upload/sshhostkey.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

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

QByteArray knownHostsLine(const QString& host, int port, const SshHostKey& key) {
    const QByteArray name = port == 22 || port <= 0
                                ? host.toUtf8()
                                : "[" + host.toUtf8() + "]:" + QByteArray::number(port);
    return name + ' ' + key.type.toLatin1() + ' ' + key.blob.toBase64() + '\n';
}

bool addToKnownHosts(const QString& host, int port, const SshHostKey& key, QString* error) {
    if (!key.isValid()) {
        *error = QStringLiteral("The server's key could not be read.");
        return false;
    }
    const QString path = knownHostsPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder)) {
            *error = QStringLiteral("Can't create the folder \"%1\".").arg(folder);
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
