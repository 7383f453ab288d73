// `morvane upload` and `morvane trust` with an FTPS server the system does
// not trust: the upload never asks and never logs in, but names the
// fingerprint and the command that reviews it; `morvane trust` pins the
// certificate only on "y"; a changed certificate is refused again.
#include "certificates.h"
#include "core/paths.h"
#include "core/sitestore.h"
#include "ftpserver.h"
#include "sftpserver.h"
#include "testenv.h"
#include "transfer/siteprotocol.h"
#include "upload/needinguploadrecord.h"
#include "upload/uploadcli.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

using Command = int (*)(const QStringList&, QTextStream&, QTextStream&, QTextStream&);

CliRun run(Command command, const QStringList& args, const QString& input = QString()) {
    CliRun r;
    QString in = input;
    QTextStream inStream(&in, QIODevice::ReadOnly);
    QTextStream outStream(&r.out, QIODevice::WriteOnly);
    QTextStream errStream(&r.err, QIODevice::WriteOnly);
    r.status = command(args, inStream, outStream, errStream);
    return r;
}

class TrustCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetUserState();
        ASSERT_TRUE(certs.makeAuthority());
        ASSERT_TRUE(certs.makeSelfSigned(QStringLiteral("self")));
        ASSERT_TRUE(certs.makeSelfSigned(QStringLiteral("other")));
        qputenv("SSL_CERT_FILE", certs.path(QStringLiteral("ca.pem")).toLocal8Bit());
        QDir().mkpath(root.path() + "/web");
        QDir().mkpath(root.path() + "/server");
    }
    void TearDown() override { qunsetenv("SSL_CERT_FILE"); }

    void startServer(const QString& cert) {
        server.stop();
        QFile::remove(commandLog());
        FtpServerOptions options;
        options.tlsCertFile = certs.path(cert + ".pem");
        options.tlsKeyFile = certs.path(cert + ".key");
        options.commandLog = commandLog();
        ASSERT_TRUE(server.start(root.path() + "/server", options));
        auto settings = paths::openSettings();
        SiteList sites = sitestore::load(*settings);
        if (sites.isEmpty()) {
            Site s;
            s.setValue(sitekey::sitename, "Web");
            s.setValue(sitekey::serverfolder, "/www");
            s.setValue(sitekey::username, "user");
            s.setValue(sitekey::password, "secret");
            s.setValue(sitekey::localpath, root.path() + "/web");
            s.setValue(ftpsitekey::protocol, "ftps");
            sites.append(s);
        }
        sites[0].setValue(sitekey::server, server.address());
        sitestore::save(*settings, sites);
    }
    QString commandLog() const { return root.path() + "/commands.log"; }
    bool loggedIn() const { return readFile(commandLog()).contains("USER"); }
    void markPage(const QByteArray& text) {
        const QString page = root.path() + "/web/index.html";
        ASSERT_TRUE(writeFile(page, text));
        NeedingUploadRecord record;
        record.setFilePath(paths::needingUploadPath());
        record.load();
        record.mark(page);
        ASSERT_TRUE(record.save());
    }
    Site storedSite() const {
        auto settings = paths::openSettings();
        const SiteList sites = sitestore::load(*settings);
        return sites.value(0);
    }

    Certificates certs;
    QTemporaryDir root;
    FtpServer server;
};

} // namespace

TEST_F(TrustCliTest, UploadNamesTheFingerprintAndTrustPinsOnlyOnYes) {
    startServer("self");
    markPage("<p>one");
    const QString fingerprint = certs.fingerprint("self");

    const CliRun refused = run(runUploadCommandLine, {"--yes", "Web"});
    EXPECT_EQ(refused.status, uploadexit::Failed);
    EXPECT_TRUE(refused.err.contains(fingerprint)) << qPrintable(refused.err);
    EXPECT_TRUE(refused.err.contains("morvane trust \"Web\"")) << qPrintable(refused.err);
    EXPECT_FALSE(refused.out.contains("[y/N]"));
    EXPECT_FALSE(loggedIn());

    // "n" (or nothing) changes nothing.
    for (const QString& answer : {QString("n\n"), QString()}) {
        const CliRun declined = run(runTrustCommandLine, {"Web"}, answer);
        EXPECT_EQ(declined.status, uploadexit::NotConfirmed);
        EXPECT_TRUE(declined.out.contains(fingerprint)) << qPrintable(declined.out);
        EXPECT_TRUE(storedSite().value(ftpsitekey::tlsPin).isEmpty());
    }

    const CliRun trusted = run(runTrustCommandLine, {"Web"}, "y\n");
    EXPECT_EQ(trusted.status, uploadexit::Uploaded) << qPrintable(trusted.err);
    EXPECT_EQ(storedSite().value(ftpsitekey::tlsFingerprint), fingerprint);
    EXPECT_FALSE(loggedIn());

    const CliRun uploaded = run(runUploadCommandLine, {"--yes", "Web"});
    EXPECT_EQ(uploaded.status, uploadexit::Uploaded) << qPrintable(uploaded.out + uploaded.err);
    EXPECT_EQ(readFile(root.path() + "/server/www/index.html"), "<p>one");

    // Another certificate on the same server: refused, with the old and
    // the new fingerprint when reviewed.
    startServer("other");
    markPage("<p>two");
    const CliRun changed = run(runUploadCommandLine, {"--yes", "Web"});
    EXPECT_EQ(changed.status, uploadexit::Failed);
    EXPECT_TRUE(changed.err.contains(certs.fingerprint("other"))) << qPrintable(changed.err);
    EXPECT_TRUE(changed.err.contains("changed")) << qPrintable(changed.err);
    EXPECT_FALSE(loggedIn());
    EXPECT_EQ(readFile(root.path() + "/server/www/index.html"), "<p>one");
    const CliRun review = run(runTrustCommandLine, {"Web"}, "n\n");
    EXPECT_TRUE(review.out.contains(fingerprint)) << qPrintable(review.out);
    EXPECT_TRUE(review.out.contains(certs.fingerprint("other")));
    EXPECT_TRUE(review.out.contains("WARNING"));
}

TEST_F(TrustCliTest, TrustRefusesWhatItCannotDo) {
    EXPECT_EQ(run(runTrustCommandLine, {}).status, uploadexit::Usage);
    EXPECT_EQ(run(runTrustCommandLine, {"a", "b"}).status, uploadexit::Usage);
    EXPECT_EQ(run(runTrustCommandLine, {"Nowhere"}).status, uploadexit::Failed);
    startServer("self");
    server.stop();
    const CliRun gone = run(runTrustCommandLine, {"Web"}, "y\n");
    EXPECT_EQ(gone.status, uploadexit::Failed);
    EXPECT_TRUE(storedSite().value(ftpsitekey::tlsPin).isEmpty());
}

// The same for an SFTP server: its host key goes to known_hosts on "y";
// a changed key is never accepted here.
TEST_F(TrustCliTest, SftpHostKeyIsAddedToKnownHostsOnlyOnYes) {
    QDir(QDir::homePath() + "/.ssh").removeRecursively();
    qunsetenv("SSH_AUTH_SOCK");
    QTemporaryDir keys;
    auto keygen = [&](const QString& name) {
        QProcess p;
        p.start("/usr/bin/ssh-keygen",
                {"-q", "-t", "ed25519", "-N", "", "-f", keys.filePath(name)});
        return p.waitForFinished(30000) && p.exitCode() == 0;
    };
    ASSERT_TRUE(keygen("host"));
    ASSERT_TRUE(keygen("other"));
    SftpServer sftp;
    SftpServerOptions options;
    options.hostKey = keys.filePath("host");
    options.authLog = keys.filePath("auth.log");
    ASSERT_TRUE(sftp.start(root.path() + "/server", options));
    {
        auto settings = paths::openSettings();
        Site s;
        s.setValue(sitekey::sitename, "Shell");
        s.setValue(sitekey::server, sftp.address());
        s.setValue(sitekey::serverfolder, "/www");
        s.setValue(sitekey::username, "user");
        s.setValue(sitekey::password, "secret");
        s.setValue(sitekey::localpath, root.path() + "/web");
        s.setValue(ftpsitekey::protocol, "sftp");
        sitestore::save(*settings, {s});
    }
    markPage("<p>ssh");
    const QString knownHosts = QDir::homePath() + "/.ssh/known_hosts";

    const CliRun refused = run(runUploadCommandLine, {"--yes", "Shell"});
    EXPECT_EQ(refused.status, uploadexit::Failed);
    EXPECT_TRUE(refused.err.contains("SHA256:")) << qPrintable(refused.err);
    EXPECT_TRUE(refused.err.contains("morvane trust \"Shell\""));
    EXPECT_FALSE(QFile::exists(knownHosts));

    EXPECT_EQ(run(runTrustCommandLine, {"Shell"}, "n\n").status, uploadexit::NotConfirmed);
    EXPECT_FALSE(QFile::exists(knownHosts));
    EXPECT_FALSE(readFile(keys.filePath("auth.log")).contains("auth "));
    const CliRun trusted = run(runTrustCommandLine, {"Shell"}, "y\n");
    EXPECT_EQ(trusted.status, uploadexit::Uploaded) << qPrintable(trusted.err);
    EXPECT_TRUE(readFile(knownHosts).contains("ssh-ed25519"));
    EXPECT_EQ(run(runUploadCommandLine, {"--yes", "Shell"}).status, uploadexit::Uploaded);
    EXPECT_EQ(readFile(root.path() + "/server/www/index.html"), "<p>ssh");
    // Asked again: known already.
    EXPECT_EQ(run(runTrustCommandLine, {"Shell"}).status, uploadexit::Uploaded);

    // Another host key on the same address: refused, and `trust` explains
    // how to remove the old one rather than replacing it.
    // The same port, so that known_hosts names this server.
    options.port = sftp.port();
    options.hostKey = keys.filePath("other");
    sftp.stop();
    ASSERT_TRUE(sftp.start(root.path() + "/server", options));
    const QByteArray before = readFile(knownHosts);
    markPage("<p>changed");
    const CliRun changed = run(runUploadCommandLine, {"--yes", "Shell"});
    EXPECT_EQ(changed.status, uploadexit::Failed);
    EXPECT_TRUE(changed.err.contains("changed")) << qPrintable(changed.err);
    const CliRun review = run(runTrustCommandLine, {"Shell"}, "y\n");
    EXPECT_EQ(review.status, uploadexit::Failed);
    EXPECT_TRUE(review.out.contains("ssh-keygen -R")) << qPrintable(review.out);
    EXPECT_EQ(readFile(knownHosts), before);
    EXPECT_EQ(readFile(root.path() + "/server/www/index.html"), "<p>ssh");
}
