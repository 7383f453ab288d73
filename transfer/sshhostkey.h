// SSH host keys as the user's own ssh tools keep them: checked against
// ~/.ssh/known_hosts, shown by their SHA-256 fingerprint, and added to that
// file (never replaced) once the user accepts a key the file does not know.
#pragma once

#include "transfer/siteprotocol.h"

#include <QByteArray>
#include <QString>

namespace morvane {

struct SshHostKey {
    QString type;       // "ssh-ed25519", "ecdsa-sha2-nistp256"… (from the key itself)
    QByteArray blob;    // the key as the server sent it
    QString knownPrint; // for a changed key: the fingerprint known_hosts holds
    bool isValid() const { return !blob.isEmpty() && !type.isEmpty(); }
    // "SHA256:…", as ssh prints it.
    QString fingerprint() const;
};

namespace sshhostkey {

// The known-hosts file the checks use: ~/.ssh/known_hosts.
QString knownHostsPath();

// A key from its raw form, or from its base64 text; its type is read
// from the key itself. Invalid when it cannot be read.
SshHostKey fromBlob(const QByteArray& blob);
SshHostKey fromBase64(const QByteArray& base64);

// The fingerprint of a raw key ("SHA256:…").
QString fingerprintOf(const QByteArray& blob);

// The name a known-hosts file gives a server: "host" for port 22,
// "[host]:port" for any other port, as ssh looks it up.
QString hostPortName(const QString& host, int port);

// What a known-hosts file says of `key` presented by host and port, read
// as ssh reads it: plain, wildcard ("*", "?") and negated ("!") host
// patterns, hashed names ("|1|salt|hash"), "[host]:port" names for ports
// other than 22 (an entry for port 22 says nothing about another port),
// and markers. A key on a matching "@revoked" line is Revoked, even when
// another line trusts it. "@cert-authority" lines vouch only for host
// certificates, which are not checked here, so they match nothing. A key
// on a matching line is None (known); another key of its type on a
// matching line is Changed (`knownPrint` gets that key's fingerprint);
// anything else is Untrusted (unknown).
TrustProblem checkKnownHosts(const QByteArray& contents, const QString& host, int port,
                             const SshHostKey& key, QString* knownPrint = nullptr);
// The same against the user's known-hosts file (a file that cannot be
// read knows no key).
TrustProblem checkKnownHosts(const QString& host, int port, const SshHostKey& key,
                             QString* knownPrint = nullptr);

// The known_hosts line for the key: "host" for port 22, "[host]:port"
// otherwise, as ssh writes it.
QByteArray knownHostsLine(const QString& host, int port, const SshHostKey& key);

// Adds the key for host and port to the known-hosts file (created, with
// its folder, for the user alone when missing). The file is written whole
// and replaced at once; every line it had stays. False with `error` set
// when it cannot be written, or when the file marks the key as revoked.
bool addToKnownHosts(const QString& host, int port, const SshHostKey& key, QString* error);

} // namespace sshhostkey

} // namespace morvane
