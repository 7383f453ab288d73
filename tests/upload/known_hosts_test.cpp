// known_hosts read as ssh reads it: markers, host patterns, hashed names
// and ports. A revoked key is never trusted, whatever other lines say; a
// certificate authority's line trusts no plain key; an entry for port 22
// says nothing about another port.
#include "testenv.h"
#include "transfer/sshhostkey.h"

#include <QDir>
#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

// A key blob of the given type: its name, then 32 bytes of `fill`.
SshHostKey makeKey(const QByteArray& type, char fill) {
    QByteArray blob(4, '\0');
    qToBigEndian<quint32>(quint32(type.size()), blob.data());
    blob += type;
    QByteArray body(4, '\0');
    qToBigEndian<quint32>(32, body.data());
    blob += body + QByteArray(32, fill);
    return sshhostkey::fromBlob(blob);
}

QByteArray entry(const QByteArray& hosts, const SshHostKey& key) {
    return hosts + ' ' + key.type.toLatin1() + ' ' + key.blob.toBase64() + " comment\n";
}

const SshHostKey kServer = makeKey("ssh-ed25519", 'a');
const SshHostKey kOther = makeKey("ssh-ed25519", 'b');
const SshHostKey kOtherType = makeKey("ecdsa-sha2-nistp256", 'c');

QString problemName(TrustProblem problem) {
    switch (problem) {
    case TrustProblem::None:
        return QStringLiteral("known");
    case TrustProblem::Untrusted:
        return QStringLiteral("unknown");
    case TrustProblem::Changed:
        return QStringLiteral("changed");
    case TrustProblem::Revoked:
        return QStringLiteral("revoked");
    }
    return QString();
}

} // namespace

TEST(KnownHosts, MarkersPatternsAndPorts) {
    struct Case {
        const char* what;
        QByteArray file;
        QString host;
        int port;
        TrustProblem expected;
    };
    const QByteArray revokedServer =
        "@revoked * " + kServer.type.toLatin1() + ' ' + kServer.blob.toBase64() + '\n';
    const std::vector<Case> cases{
        {"plain name", entry("example.com", kServer), "example.com", 22, TrustProblem::None},
        {"names are case-blind", entry("EXAMPLE.com", kServer), "example.COM", 22,
         TrustProblem::None},
        {"one of a list", entry("a.net,example.com,10.0.0.1", kServer), "example.com", 22,
         TrustProblem::None},
        {"another key of its type", entry("example.com", kOther), "example.com", 22,
         TrustProblem::Changed},
        {"only a key of another type", entry("example.com", kOtherType), "example.com", 22,
         TrustProblem::Untrusted},
        {"another host", entry("example.org", kOther), "example.com", 22, TrustProblem::Untrusted},
        {"port 22 entry, other port", entry("example.com", kServer), "example.com", 2222,
         TrustProblem::Untrusted},
        {"port 22 entry with another key, other port", entry("example.com", kOther), "example.com",
         2222, TrustProblem::Untrusted},
        {"[host]:port entry", entry("[example.com]:2222", kServer), "example.com", 2222,
         TrustProblem::None},
        {"[host]:port entry, other key", entry("[example.com]:2222", kOther), "example.com", 2222,
         TrustProblem::Changed},
        {"[host]:port entry, port 22", entry("[example.com]:2222", kServer), "example.com", 22,
         TrustProblem::Untrusted},
        {"[host]:22 is not how port 22 is written", entry("[example.com]:22", kServer),
         "example.com", 22, TrustProblem::Untrusted},
        {"wildcard", entry("*.example.com", kServer), "www.example.com", 22, TrustProblem::None},
        {"single-character wildcard", entry("www?.example.com", kServer), "www2.example.com", 22,
         TrustProblem::None},
        {"wildcard does not match the bare domain", entry("*.example.com", kServer), "example.com",
         22, TrustProblem::Untrusted},
        {"negated pattern wins", entry("!bad.example.com,*.example.com", kServer),
         "bad.example.com", 22, TrustProblem::Untrusted},
        {"revoked, though a line trusts it", revokedServer + entry("example.com", kServer),
         "example.com", 22, TrustProblem::Revoked},
        {"revoked after the line that trusts it", entry("example.com", kServer) + revokedServer,
         "example.com", 2222, TrustProblem::Revoked},
        {"revoked alone", revokedServer, "example.com", 22, TrustProblem::Revoked},
        {"revoked for another host only",
         "@revoked other.net " + kServer.type.toLatin1() + ' ' + kServer.blob.toBase64() + '\n' +
             entry("example.com", kServer),
         "example.com", 22, TrustProblem::None},
        {"another key revoked",
         "@revoked * " + kOther.type.toLatin1() + ' ' + kOther.blob.toBase64() + '\n' +
             entry("example.com", kServer),
         "example.com", 22, TrustProblem::None},
        {"a certificate authority's line trusts no plain key",
         "@cert-authority * " + kServer.type.toLatin1() + ' ' + kServer.blob.toBase64() + '\n',
         "example.com", 22, TrustProblem::Untrusted},
        {"nor makes another key changed",
         "@cert-authority example.com " + kOther.type.toLatin1() + ' ' + kOther.blob.toBase64() +
             '\n',
         "example.com", 22, TrustProblem::Untrusted},
        {"comments, blank and broken lines",
         "# example.com " + kServer.blob.toBase64() +
             "\n\n   \nexample.com ssh-ed25519\n"
             "example.com ssh-ed25519 !!notbase64!!\n" +
             entry("example.com", kServer),
         "example.com", 22, TrustProblem::None},
        {"tabs between fields", "example.com\tssh-ed25519\t" + kServer.blob.toBase64() + '\n',
         "example.com", 22, TrustProblem::None},
    };
    for (const Case& c : cases) {
        QString knownPrint;
        const TrustProblem got =
            sshhostkey::checkKnownHosts(c.file, c.host, c.port, kServer, &knownPrint);
        EXPECT_EQ(problemName(got), problemName(c.expected)) << c.what;
        if (c.expected == TrustProblem::Changed) {
            EXPECT_EQ(knownPrint, kOther.fingerprint()) << c.what;
        }
    }
}

// Names hashed by ssh-keygen -H (HashKnownHosts) match only their own host
// and port.
TEST(KnownHosts, HashedNamesFromSshKeygen) {
    const QString file = homeDir() + "/hashed_known_hosts";
    ASSERT_TRUE(writeFile(file, entry("example.com", kServer) +
                                    entry("[example.com]:2222", kOther) +
                                    entry("*.wild.net", kServer)));
    QProcess keygen;
    keygen.start(QStringLiteral("/usr/bin/ssh-keygen"),
                 {QStringLiteral("-q"), QStringLiteral("-H"), QStringLiteral("-f"), file});
    ASSERT_TRUE(keygen.waitForFinished(30000));
    ASSERT_EQ(keygen.exitCode(), 0) << keygen.readAllStandardError().toStdString();
    const QByteArray hashed = readFile(file);
    ASSERT_FALSE(hashed.contains("example.com")) << hashed.toStdString();
    ASSERT_TRUE(hashed.startsWith("|1|"));

    EXPECT_EQ(sshhostkey::checkKnownHosts(hashed, "example.com", 22, kServer), TrustProblem::None);
    EXPECT_EQ(sshhostkey::checkKnownHosts(hashed, "EXAMPLE.com", 22, kServer), TrustProblem::None);
    EXPECT_EQ(sshhostkey::checkKnownHosts(hashed, "example.com", 2222, kServer),
              TrustProblem::Changed);
    EXPECT_EQ(sshhostkey::checkKnownHosts(hashed, "example.net", 22, kServer),
              TrustProblem::Untrusted);
    // Wildcards are not hashed; they still match.
    EXPECT_EQ(sshhostkey::checkKnownHosts(hashed, "a.wild.net", 22, kServer), TrustProblem::None);
}

// What "accept" writes is what the lookup then finds, for port 22 and any
// other; a revoked key is never written.
TEST(KnownHosts, AcceptingWritesTheNameSshLooksUp) {
    QDir(QDir::homePath() + "/.ssh").removeRecursively();
    QString error;
    ASSERT_TRUE(sshhostkey::addToKnownHosts("example.com", 22, kServer, &error));
    ASSERT_TRUE(sshhostkey::addToKnownHosts("example.com", 2222, kOther, &error));
    const QByteArray file = readFile(sshhostkey::knownHostsPath());
    EXPECT_TRUE(file.startsWith("example.com ssh-ed25519 ")) << file.toStdString();
    EXPECT_TRUE(file.contains("\n[example.com]:2222 ssh-ed25519 ")) << file.toStdString();
    EXPECT_EQ(sshhostkey::checkKnownHosts("example.com", 22, kServer), TrustProblem::None);
    EXPECT_EQ(sshhostkey::checkKnownHosts("example.com", 2222, kOther), TrustProblem::None);
    EXPECT_EQ(sshhostkey::checkKnownHosts("example.com", 2222, kServer), TrustProblem::Changed);
    EXPECT_EQ(sshhostkey::checkKnownHosts("example.com", 2200, kServer), TrustProblem::Untrusted);

    ASSERT_TRUE(writeFile(sshhostkey::knownHostsPath(), "@revoked * " + kOther.type.toLatin1() +
                                                            ' ' + kOther.blob.toBase64() + '\n'));
    const QByteArray before = readFile(sshhostkey::knownHostsPath());
    EXPECT_FALSE(sshhostkey::addToKnownHosts("example.com", 2022, kOther, &error));
    EXPECT_TRUE(error.contains("revoked")) << error.toStdString();
    EXPECT_EQ(readFile(sshhostkey::knownHostsPath()), before);
}
