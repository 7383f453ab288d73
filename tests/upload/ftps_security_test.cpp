// What FTPS failures after the login tell the user: the login had gone to
// the verified server over TLS, and no file was sent. A server that refuses
// to encrypt the data connections (PROT P), and data connections that
// present another certificate than the control connection (as a machine in
// the middle of them would).
#include "certificates.h"
#include "ftp_support.h"

#include "testenv.h"
#include "transfer/siteprotocol.h"
#include "transfer/tlsprobe.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

class FtpsSecurityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(certs.makeAuthority());
        ASSERT_TRUE(certs.makeSigned(QStringLiteral("server")));
        ASSERT_TRUE(certs.makeSelfSigned(QStringLiteral("middle")));
        qputenv("SSL_CERT_FILE", certs.path(QStringLiteral("ca.pem")).toLocal8Bit());
    }
    void TearDown() override { qunsetenv("SSL_CERT_FILE"); }

    bool startServer(FtpServerOptions options) {
        options.tlsCertFile = certs.path(QStringLiteral("server.pem"));
        options.tlsKeyFile = certs.path(QStringLiteral("server.key"));
        options.commandLog = certs.path(QStringLiteral("commands.log"));
        return server.start(folders.serverRoot.path(), options);
    }
    QStringList commands() const {
        return QString::fromLatin1(readFile(certs.path(QStringLiteral("commands.log"))))
            .split('\n', Qt::SkipEmptyParts);
    }
    JobRun upload(const Site& site, std::unique_ptr<TransferJob>* kept = nullptr) {
        auto job = TransferJob::makeUpload(
            site, folders.site.path(),
            {folders.addFile("index.html", "<p>page"), folders.addFile("about.html", "<p>about")});
        JobRun run = runJob(*job);
        if (kept)
            *kept = std::move(job);
        return run;
    }
    Site ftpsSite() const {
        Site site = ftpSite(server, QStringLiteral("/www"));
        site.setValue(ftpsitekey::protocol, QStringLiteral("ftps"));
        return site;
    }
    void expectNothingStored() const {
        EXPECT_FALSE(QFile::exists(folders.serverPath("www/index.html")));
        EXPECT_FALSE(QFile::exists(folders.serverPath("www/about.html")));
        // Not one byte of a page: a store may have been asked for before
        // the data connection failed its check, but it got nothing.
        QDirIterator it(folders.serverRoot.path(), QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            EXPECT_EQ(QFileInfo(file).size(), 0) << file.toStdString();
        }
    }

    Certificates certs;
    FtpFixtureFolders folders;
    FtpServer server;
};

const char kLoginSent[] =
    "your user name and password had been sent, over the verified encrypted connection";

} // namespace

TEST_F(FtpsSecurityTest, RefusedProtPSaysTheLoginWentOverVerifiedTls) {
    FtpServerOptions options;
    options.refuseProt = true;
    ASSERT_TRUE(startServer(options));
    const JobRun run = upload(ftpsSite());
    EXPECT_FALSE(run.succeeded);
    EXPECT_TRUE(commands().contains("PASS")) << commands().join(' ').toStdString();
    EXPECT_TRUE(run.result.contains("PROT P")) << run.result.toStdString();
    EXPECT_TRUE(run.result.contains(kLoginSent)) << run.result.toStdString();
    EXPECT_FALSE(run.result.contains("nothing was sent")) << run.result.toStdString();
    EXPECT_TRUE(run.result.contains("534 PROT P refused")) << run.result.toStdString();
    EXPECT_EQ(run.messages.value(0), "Initializing FTPS");
    expectNothingStored();
}

// The control connection presents the trusted certificate, the data
// connections one nobody vouches for.
TEST_F(FtpsSecurityTest, UntrustedCertificateOnTheDataConnectionIsNamed) {
    FtpServerOptions options;
    options.dataTlsCertFile = certs.path(QStringLiteral("middle.pem"));
    options.dataTlsKeyFile = certs.path(QStringLiteral("middle.key"));
    ASSERT_TRUE(startServer(options));
    const JobRun run = upload(ftpsSite());
    EXPECT_FALSE(run.succeeded);
    EXPECT_TRUE(run.result.contains("certificate on the data connection"))
        << run.result.toStdString();
    EXPECT_TRUE(run.result.contains(kLoginSent)) << run.result.toStdString();
    EXPECT_FALSE(run.result.contains("PASV")) << run.result.toStdString();
    expectNothingStored();
}

// A site that pinned the server's own certificate: another one on the data
// connections is a WARNING, not a reply the program could not read.
TEST_F(FtpsSecurityTest, PinnedSiteWarnsOfAnotherCertificateOnTheDataConnection) {
    FtpServerOptions options;
    options.dataTlsCertFile = certs.path(QStringLiteral("middle.pem"));
    options.dataTlsKeyFile = certs.path(QStringLiteral("middle.key"));
    ASSERT_TRUE(startServer(options));
    Site site = ftpsSite();
    const auto address = FtpServerAddress::parse(site.server(), QStringLiteral("ftps"));
    ASSERT_TRUE(address);
    const ServerCertificate presented = fetchServerCertificate(*address, SiteProtocol::Ftps, 30000);
    ASSERT_TRUE(presented.isValid()) << presented.problem.toStdString();
    site.setValue(ftpsitekey::tlsPin, QString::fromLatin1(presented.pin));
    const JobRun run = upload(site);
    EXPECT_FALSE(run.succeeded);
    EXPECT_TRUE(run.result.contains("another certificate on the data connection"))
        << run.result.toStdString();
    EXPECT_TRUE(run.result.contains(kLoginSent)) << run.result.toStdString();
    EXPECT_FALSE(run.result.contains("PASV")) << run.result.toStdString();
    expectNothingStored();
}
