// SFTP host keys against a real server with its own key, and what the user
// is told: a key known_hosts revokes gets no login even when another line
// trusts it, and is never offered for trust; a certificate authority's line
// trusts no plain key; an entry for port 22 is not the key of another
// port; a changed key is a WARNING with both fingerprints; a login with
// neither password nor key says so.
#include "core/paths.h"
#include "core/sitestore.h"
#include "ftp_support.h"
#include "sftpserver.h"
#include "testenv.h"
#include "transfer/servertrust.h"
#include "transfer/siteprotocol.h"
#include "transfer/sshhostkey.h"
#include "upload/uploadcli.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

bool makeKey(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/ssh-keygen"),
            {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
             QStringLiteral("-N"), QString(), QStringLiteral("-f"), path});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

class SftpHostKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetUserState();
        QDir(QDir::homePath() + "/.ssh").removeRecursively();
        qunsetenv("SSH_AUTH_SOCK"); // never the developer's own agent
        ASSERT_TRUE(makeKey(keys.filePath("host")));
        ASSERT_TRUE(makeKey(keys.filePath("otherhost")));
        SftpServerOptions options;
        options.hostKey = keys.filePath("host");
        options.authLog = keys.filePath("auth.log");
        options.password = password;
        ASSERT_TRUE(server.start(folders.serverRoot.path(), options))
            << server.errorString().toStdString();
    }
    // "ssh-ed25519 AAAA…" of a key pair made here.
    QByteArray publicKey(const QString& name) const {
        return readFile(keys.filePath(name + ".pub")).split(' ').mid(0, 2).join(' ');
    }
    SshHostKey hostKey(const QString& name) const {
        return sshhostkey::fromBase64(publicKey(name).split(' ').value(1));
    }
    QByteArray serverName() const { return "[127.0.0.1]:" + QByteArray::number(server.port()); }
    void writeKnownHosts(const QByteArray& text) {
        ASSERT_TRUE(writeFile(sshhostkey::knownHostsPath(), text));
    }
    QStringList events() const {
        return QString::fromUtf8(readFile(keys.filePath("auth.log")))
            .split('\n', Qt::SkipEmptyParts);
    }
    bool anyLoginTried() const { return events().join(' ').contains("auth"); }
    Site sftpSite(const QString& sitePassword = QStringLiteral("secret")) const {
        Site site;
        site.setValue(sitekey::sitename, "Web");
        site.setValue(sitekey::server, server.address());
        site.setValue(sitekey::serverfolder, "/www");
        site.setValue(sitekey::username, "user");
        site.setValue(sitekey::password, sitePassword);
        site.setValue(sitekey::localpath, folders.site.path());
        site.setValue(ftpsitekey::protocol, "sftp");
        return site;
    }
    JobRun upload(const Site& site, std::unique_ptr<TransferJob>* kept = nullptr) {
        auto job = TransferJob::makeUpload(site, folders.site.path(),
                                           {folders.addFile("index.html", "<p>secret page")});
        JobRun run = runJob(*job);
        if (kept)
            *kept = std::move(job);
        return run;
    }

    QString password = QStringLiteral("secret");
    QTemporaryDir keys;
    FtpFixtureFolders folders;
    SftpServer server;
};

// `morvane trust` with the answer "y": what it printed, and its status.
struct TrustRun {
    int status = -1;
    QString out;
    QString err;
};
TrustRun trustCommand(const Site& site) {
    auto settings = paths::openSettings();
    sitestore::save(*settings, SiteList{site});
    settings->sync();
    TrustRun r;
    QString input = QStringLiteral("y\n");
    QTextStream in(&input, QIODevice::ReadOnly);
    QTextStream out(&r.out, QIODevice::WriteOnly);
    QTextStream err(&r.err, QIODevice::WriteOnly);
    r.status = runTrustCommandLine({site.name()}, in, out, err);
    return r;
}

} // namespace

// The attack: known_hosts revokes the key, and a line for the server still
// trusts it. ssh refuses before any login; so must the upload.
TEST_F(SftpHostKeyTest, RevokedKeyGetsNoLoginThoughAnotherLineTrustsIt) {
    writeKnownHosts("@revoked * " + publicKey("host") + '\n' + serverName() + ' ' +
                    publicKey("host") + '\n');
    std::unique_ptr<TransferJob> job;
    const JobRun run = upload(sftpSite(), &job);
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(job->trustProblem(), TrustProblem::Revoked);
    EXPECT_TRUE(events().contains("connect"));
    EXPECT_FALSE(anyLoginTried()) << events().join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(folders.serverPath("www/index.html")));
    EXPECT_TRUE(run.result.contains("mark as revoked")) << run.result.toStdString();
    EXPECT_TRUE(run.result.contains(hostKey("host").fingerprint()));
    EXPECT_FALSE(run.result.contains("certificate")) << run.result.toStdString();
    EXPECT_EQ(run.messages.value(0), "Initializing SFTP");
    // What the window and the command line then say: refused, never offered.
    const ServerIdentity identity = servertrust::fromJob(sftpSite(), *job);
    EXPECT_EQ(identity.problem, TrustProblem::Revoked);
    EXPECT_FALSE(servertrust::mayAccept(identity));
    EXPECT_TRUE(servertrust::question(sftpSite(), identity).contains("revoked"));
    EXPECT_TRUE(servertrust::commandLineHint(sftpSite(), identity).contains("never be trusted"));
}

// With only the @revoked line the key is not merely unknown: neither the
// trust command nor the accept path adds it.
TEST_F(SftpHostKeyTest, RevokedKeyAloneIsNeverOfferedForTrust) {
    writeKnownHosts("@revoked * " + publicKey("host") + '\n');
    const QByteArray before = readFile(sshhostkey::knownHostsPath());
    auto test = TransferJob::makeConnectionTest(sftpSite());
    runJob(*test);
    EXPECT_EQ(test->trustProblem(), TrustProblem::Revoked);
    EXPECT_FALSE(anyLoginTried());

    const TrustRun trust = trustCommand(sftpSite());
    EXPECT_EQ(trust.status, uploadexit::Failed);
    EXPECT_TRUE(trust.out.contains("revoked")) << trust.out.toStdString();
    EXPECT_FALSE(trust.out.contains("[y/N]")) << trust.out.toStdString();
    EXPECT_FALSE(trust.out.contains("Trusted.")) << trust.out.toStdString();
    QString error;
    Site site = sftpSite();
    EXPECT_FALSE(servertrust::accept(site, servertrust::fromJob(site, *test), &error));
    EXPECT_EQ(readFile(sshhostkey::knownHostsPath()), before);
    EXPECT_FALSE(anyLoginTried());
}

// A certificate authority's line vouches for host certificates, which are
// not checked: the plain key it holds is not thereby trusted.
TEST_F(SftpHostKeyTest, CertificateAuthorityLineTrustsNoPlainKey) {
    writeKnownHosts("@cert-authority * " + publicKey("host") + '\n');
    auto test = TransferJob::makeConnectionTest(sftpSite());
    const JobRun run = runJob(*test);
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(test->trustProblem(), TrustProblem::Untrusted);
    EXPECT_FALSE(anyLoginTried());
    EXPECT_TRUE(run.result.contains("host key is not in your known hosts"))
        << run.result.toStdString();
}

// An entry for port 22 is neither the key of the server's own port nor a
// "changed" key there; trusting writes the entry ssh looks up, and the
// command that clears a changed key names it.
TEST_F(SftpHostKeyTest, PortIsPartOfTheName) {
    for (const QString& key : {QStringLiteral("host"), QStringLiteral("otherhost")}) {
        writeKnownHosts("127.0.0.1 " + publicKey(key) + '\n');
        auto test = TransferJob::makeConnectionTest(sftpSite());
        runJob(*test);
        EXPECT_EQ(test->trustProblem(), TrustProblem::Untrusted) << key.toStdString();
        EXPECT_FALSE(anyLoginTried());
    }
    const TrustRun trust = trustCommand(sftpSite());
    EXPECT_EQ(trust.status, uploadexit::Uploaded) << trust.err.toStdString();
    EXPECT_TRUE(readFile(sshhostkey::knownHostsPath())
                    .contains('\n' + serverName() + ' ' + publicKey("host") + '\n'));
    const JobRun ok = upload(sftpSite());
    EXPECT_TRUE(ok.succeeded) << ok.result.toStdString();

    // Another key on that port now: changed, and ssh-keygen -R names the port.
    writeKnownHosts(serverName() + ' ' + publicKey("otherhost") + '\n');
    const JobRun changed = upload(sftpSite());
    const QString expectedRemoval = "ssh-keygen -R \"" + serverName() + '"';
    EXPECT_TRUE(changed.result.contains(expectedRemoval)) << changed.result.toStdString();
}

// On upload a changed key says WARNING and shows both fingerprints, as the
// trust command does; so does the command line's hint.
TEST_F(SftpHostKeyTest, ChangedKeyOnUploadWarnsWithBothFingerprints) {
    writeKnownHosts(serverName() + ' ' + publicKey("otherhost") + '\n');
    std::unique_ptr<TransferJob> job;
    const JobRun run = upload(sftpSite(), &job);
    const QString known = hostKey("otherhost").fingerprint();
    const QString presented = hostKey("host").fingerprint();
    EXPECT_TRUE(run.result.contains("WARNING: the server's host key has changed"))
        << run.result.toStdString();
    EXPECT_TRUE(run.result.contains("Known key: " + known)) << run.result.toStdString();
    EXPECT_TRUE(run.result.contains(presented)) << run.result.toStdString();
    EXPECT_FALSE(run.result.contains("certificate")) << run.result.toStdString();
    EXPECT_FALSE(anyLoginTried());
    const QString hint =
        servertrust::commandLineHint(sftpSite(), servertrust::fromJob(sftpSite(), *job));
    EXPECT_TRUE(hint.startsWith("WARNING")) << hint.toStdString();
    EXPECT_TRUE(hint.contains(known) && hint.contains(presented)) << hint.toStdString();
}

// No password stored and no key to offer: the message says exactly that,
// not that the password is wrong.
TEST_F(SftpHostKeyTest, NoPasswordAndNoKeySaysSo) {
    writeKnownHosts(serverName() + ' ' + publicKey("host") + '\n');
    const JobRun run = upload(sftpSite(QString()));
    EXPECT_FALSE(run.succeeded);
    EXPECT_FALSE(run.result.contains("Password is wrong")) << run.result.toStdString();
    EXPECT_TRUE(run.result.contains("no SSH key was found")) << run.result.toStdString();
    EXPECT_TRUE(run.result.contains("Enter the password in Site Properties"));
}
