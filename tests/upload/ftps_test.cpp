// FTP over TLS against a real server that demands TLS on every connection,
// with certificates made for each test: a server vouched for by a trusted
// authority works; one the system does not trust gets no user name or
// password until the user pins its certificate; a pinned certificate that
// changes is refused; a plain-FTP site meets a clear message.
#include "certificates.h"
#include "ftp_support.h"

#include "testenv.h"
#include "transfer/ftpaddress.h"
#include "transfer/ftperror.h"
#include "transfer/servertrust.h"
#include "transfer/siteprotocol.h"
#include "transfer/tlsprobe.h"
#include "upload/publish.h"
#include "upload/uploadmarks.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace morvane;
using namespace morvane::test;

namespace {

class FtpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(certs.makeAuthority());
        // Only the test authority is trusted, as if it were the system's.
        qputenv("SSL_CERT_FILE", certs.path(QStringLiteral("ca.pem")).toLocal8Bit());
    }
    void TearDown() override { qunsetenv("SSL_CERT_FILE"); }

    bool startServer(const QString& cert, FtpServerOptions options = {}) {
        server.stop();
        QFile::remove(commandLog());
        options.tlsCertFile = certs.path(cert + QStringLiteral(".pem"));
        options.tlsKeyFile = certs.path(cert + QStringLiteral(".key"));
        options.commandLog = commandLog();
        return server.start(folders.serverRoot.path(), options);
    }
    // A server vouched for by the test authority that never sends the final
    // reply of every `every`-th store.
    bool startMutingServer(int every) {
        FtpServerOptions options;
        options.muteEvery = every;
        return certs.makeSigned(QStringLiteral("server")) &&
               startServer(QStringLiteral("server"), options);
    }
    std::unique_ptr<TransferJob> uploadJob(const QStringList& files, int connections) const {
        Site site = ftpsSite();
        site.setValue(ftpsitekey::maxConnections, QString::number(connections));
        return TransferJob::makeUpload(site, folders.site.path(), files);
    }
    QString commandLog() const { return certs.path(QStringLiteral("commands.log")); }
    QStringList commands() const {
        return QString::fromLatin1(readFile(commandLog())).split('\n', Qt::SkipEmptyParts);
    }
    Site ftpsSite() const {
        Site site = ftpSite(server, QStringLiteral("/www"));
        site.setValue(ftpsitekey::protocol, QStringLiteral("ftps"));
        return site;
    }
    QStringList someFiles(int count) const {
        QStringList files;
        for (int i = 0; i < count; ++i)
            files << folders.addFile(QStringLiteral("d%1/sub/page %2.html").arg(i % 3).arg(i),
                                     QByteArray("<p>") + QByteArray::number(i).repeated(200 + i));
        return files;
    }
    void expectOnServer(const QStringList& files) const {
        for (const QString& f : files)
            EXPECT_EQ(readFile(folders.serverPath(QStringLiteral("www/") + f)),
                      readFile(folders.localPath(f)))
                << f.toStdString();
    }
    // Nothing that identifies the user reached the server.
    void expectNoCredentialsSent() const {
        // Give the server's log time to show a late command too.
        const QStringList seen = commands();
        EXPECT_TRUE(seen.contains(QStringLiteral("AUTH"))) << seen.join(' ').toStdString();
        EXPECT_FALSE(seen.contains(QStringLiteral("USER"))) << seen.join(' ').toStdString();
        EXPECT_FALSE(seen.contains(QStringLiteral("PASS"))) << seen.join(' ').toStdString();
    }

    Certificates certs;
    FtpFixtureFolders folders;
    FtpServer server;
};

} // namespace

TEST_F(FtpsTest, ServerTrustedThroughTheAuthorityTakesAnUploadOverTls) {
    ASSERT_TRUE(certs.makeSigned(QStringLiteral("server")));
    ASSERT_TRUE(startServer(QStringLiteral("server")));
    const QStringList files = someFiles(30);
    Site site = ftpsSite();
    site.setValue(ftpsitekey::maxConnections, QStringLiteral("4"));
    auto job = TransferJob::makeUpload(site, folders.site.path(), files);
    const JobRun run = runJob(*job);
    ASSERT_TRUE(run.succeeded) << qPrintable(run.result);
    expectOnServer(files);
    // The login came only after TLS was set up on the control connection,
    // and data went over protected connections.
    const QStringList seen = commands();
    ASSERT_TRUE(seen.contains(QStringLiteral("USER")));
    EXPECT_LT(seen.indexOf(QStringLiteral("AUTH")), seen.indexOf(QStringLiteral("USER")));
    EXPECT_TRUE(seen.contains(QStringLiteral("PROT")));

    // The connection test too.
    auto test = TransferJob::makeConnectionTest(site);
    const JobRun tested = runJob(*test);
    EXPECT_TRUE(tested.succeeded) << qPrintable(tested.result);
}

TEST_F(FtpsTest, UntrustedCertificateGetsNoCredentialsAndCanBeShown) {
    ASSERT_TRUE(certs.makeSelfSigned(QStringLiteral("self")));
    ASSERT_TRUE(startServer(QStringLiteral("self")));
    const QStringList files = someFiles(5);
    for (bool upload : {false, true}) {
        SCOPED_TRACE(upload ? "upload" : "connection test");
        auto job = upload ? TransferJob::makeUpload(ftpsSite(), folders.site.path(), files)
                          : TransferJob::makeConnectionTest(ftpsSite());
        const JobRun run = runJob(*job);
        EXPECT_FALSE(run.succeeded);
        EXPECT_EQ(job->trustProblem(), TrustProblem::Untrusted);
        EXPECT_TRUE(run.result.contains(QStringLiteral("not trusted"))) << qPrintable(run.result);
        EXPECT_FALSE(run.result.contains(QStringLiteral("secret")));
    }
    expectNoCredentialsSent();

    // What the user is shown: the certificate itself, read without logging in.
    const auto address = FtpServerAddress::parse(server.address());
    ASSERT_TRUE(address);
    const ServerCertificate cert = fetchServerCertificate(*address, SiteProtocol::Ftps);
    ASSERT_TRUE(cert.isValid()) << qPrintable(cert.problem);
    EXPECT_EQ(cert.fingerprint, certs.fingerprint(QStringLiteral("self")));
    EXPECT_TRUE(cert.subject.contains(QStringLiteral("ftp.small-host.test")));
    EXPECT_TRUE(cert.issuer.contains(QStringLiteral("Small Host")));
    EXPECT_TRUE(cert.notBefore.isValid() && cert.notAfter > cert.notBefore);
    EXPECT_TRUE(cert.pin.startsWith("sha256//"));
    const QString text = describeCertificate(cert);
    EXPECT_TRUE(text.contains(cert.fingerprint));
    expectNoCredentialsSent();
}

TEST_F(FtpsTest, PinnedCertificateWorksAndAChangedOneIsRefused) {
    ASSERT_TRUE(certs.makeSelfSigned(QStringLiteral("self")));
    ASSERT_TRUE(certs.makeSelfSigned(QStringLiteral("other")));
    ASSERT_TRUE(startServer(QStringLiteral("self")));
    const auto address = FtpServerAddress::parse(server.address());
    ASSERT_TRUE(address);
    const ServerCertificate cert = fetchServerCertificate(*address, SiteProtocol::Ftps);
    ASSERT_TRUE(cert.isValid()) << qPrintable(cert.problem);

    Site site = ftpsSite();
    site.setValue(ftpsitekey::tlsPin, QString::fromLatin1(cert.pin));
    site.setValue(ftpsitekey::tlsFingerprint, cert.fingerprint);
    const QStringList files = someFiles(12);
    auto job = TransferJob::makeUpload(site, folders.site.path(), files);
    const JobRun run = runJob(*job);
    ASSERT_TRUE(run.succeeded) << qPrintable(run.result);
    expectOnServer(files);

    // The same server with another certificate (same name, new key).
    ASSERT_TRUE(startServer(QStringLiteral("other")));
    site.setValue(sitekey::server, server.address());
    for (const QString& f : files)
        folders.addFile(f, "changed");
    auto again = TransferJob::makeUpload(site, folders.site.path(), files);
    const JobRun refused = runJob(*again);
    EXPECT_FALSE(refused.succeeded);
    EXPECT_EQ(again->trustProblem(), TrustProblem::Changed);
    EXPECT_TRUE(refused.result.contains(QStringLiteral("has changed")))
        << qPrintable(refused.result);
    EXPECT_EQ(refused.failed.size(), files.size());
    expectNoCredentialsSent();
    // The live files are the ones sent before.
    EXPECT_NE(readFile(folders.serverPath(QStringLiteral("www/") + files[0])), "changed");

    // A pin is not a way around the system's store either: a server the
    // authority vouches for but whose key is not the pinned one is refused.
    ASSERT_TRUE(certs.makeSigned(QStringLiteral("server")));
    ASSERT_TRUE(startServer(QStringLiteral("server")));
    site.setValue(sitekey::server, server.address());
    auto third = TransferJob::makeConnectionTest(site);
    EXPECT_FALSE(runJob(*third).succeeded);
    EXPECT_EQ(third->trustProblem(), TrustProblem::Changed);
}

TEST_F(FtpsTest, ImplicitTlsFromTheFirstByte) {
    ASSERT_TRUE(certs.makeSigned(QStringLiteral("server")));
    FtpServerOptions options;
    options.implicitTls = true;
    ASSERT_TRUE(startServer(QStringLiteral("server"), options));
    Site site = ftpsSite();
    site.setValue(ftpsitekey::protocol, QStringLiteral("ftps-implicit"));
    const QStringList files = someFiles(6);
    auto job = TransferJob::makeUpload(site, folders.site.path(), files);
    const JobRun run = runJob(*job);
    ASSERT_TRUE(run.succeeded) << qPrintable(run.result);
    expectOnServer(files);
    EXPECT_FALSE(commands().contains(QStringLiteral("AUTH"))); // TLS needed no asking

    // Its certificate is read the same way when it is not trusted.
    ASSERT_TRUE(certs.makeSelfSigned(QStringLiteral("self")));
    ASSERT_TRUE(startServer(QStringLiteral("self"), options));
    const auto address = FtpServerAddress::parse(server.address(), QStringLiteral("ftps"));
    ASSERT_TRUE(address);
    const ServerCertificate cert = fetchServerCertificate(*address, SiteProtocol::FtpsImplicit);
    EXPECT_EQ(cert.fingerprint, certs.fingerprint(QStringLiteral("self")))
        << qPrintable(cert.problem);
    site.setValue(sitekey::server, server.address());
    auto refused = TransferJob::makeConnectionTest(site);
    EXPECT_FALSE(runJob(*refused).succeeded);
    EXPECT_EQ(refused->trustProblem(), TrustProblem::Untrusted);
    EXPECT_FALSE(commands().contains(QStringLiteral("USER")));
}

TEST_F(FtpsTest, PlainFtpSiteAgainstAServerThatDemandsTls) {
    ASSERT_TRUE(certs.makeSigned(QStringLiteral("server")));
    ASSERT_TRUE(startServer(QStringLiteral("server")));
    Site site = ftpSite(server, QStringLiteral("/www"));
    auto job = TransferJob::makeUpload(site, folders.site.path(), someFiles(8));
    const JobRun run = runJob(*job);
    EXPECT_FALSE(run.succeeded);
    EXPECT_TRUE(run.result.contains(kSecureConnectionMessage())) << qPrintable(run.result);
    EXPECT_TRUE(run.result.contains(QStringLiteral("FTPS (TLS)")));
    EXPECT_FALSE(commands().contains(QStringLiteral("PASS")));
}

TEST_F(FtpsTest, ManyFilesWithDroppedConnectionsAreReportedHonestly) {
    ASSERT_TRUE(certs.makeSigned(QStringLiteral("server")));
    FtpServerOptions options;
    options.dropEvery = 25;
    // These lose their connection every time; the others get through when
    // they run again.
    options.dropNames = QStringList{QStringLiteral("p7.html"), QStringLiteral("p250.html")};
    options.faultTimes = 1000;
    ASSERT_TRUE(startServer(QStringLiteral("server"), options));
    QStringList files;
    for (int i = 0; i < 500; ++i)
        files << folders.addFile(QStringLiteral("f%1/p%2.html").arg(i % 10).arg(i),
                                 QByteArray::number(i).repeated(50));
    Site site = ftpsSite();
    site.setValue(ftpsitekey::maxConnections, QStringLiteral("8"));
    auto job = TransferJob::makeUpload(site, folders.site.path(), files);
    const JobRun run = runJob(*job, std::chrono::seconds(300));
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.succeeded);
    EXPECT_FALSE(run.failed.isEmpty());
    EXPECT_EQ(run.uploaded.size() + run.failed.size(), files.size());
    // Every file reported as sent is on the server whole, under its name.
    for (const QString& f : run.uploaded)
        EXPECT_EQ(readFile(folders.serverPath(QStringLiteral("www/") + f)),
                  readFile(folders.localPath(f)))
            << f.toStdString();

    // A second run sends the rest.
    ASSERT_TRUE(startServer(QStringLiteral("server")));
    site.setValue(sitekey::server, server.address());
    auto retry = TransferJob::makeUpload(site, folders.site.path(), run.failed);
    const JobRun second = runJob(*retry, std::chrono::seconds(300));
    EXPECT_TRUE(second.succeeded) << qPrintable(second.result);
    expectOnServer(files);
}

// Over TLS, curl waits for the server's final reply after an upload
// without returning, on the transfer's own thread; that wait must hold
// neither the other connections nor the job past its reply timeout.
TEST_F(FtpsTest, ServerThatNeverConfirmsAStoreHoldsOnlyThatFileForTheReplyTimeout) {
    ASSERT_TRUE(startMutingServer(4));
    const QStringList files = someFiles(20);
    auto job = uploadJob(files, 4);
    job->setReplyTimeout(2);
    const JobRun run = runJob(*job, std::chrono::seconds(40));
    ASSERT_TRUE(run.finished) << "a silent server held the job";
    EXPECT_EQ(run.failed.size(), 5);
    EXPECT_EQ(run.uploaded.size(), 15);
    EXPECT_TRUE(
        run.result.contains(QStringLiteral("The server stopped answering (no reply in time)")))
        << qPrintable(run.result);
    expectOnServer(run.uploaded);
}

// A host that takes two connections from an address turns the others
// away; each connection runs on its own thread here, and the upload keeps
// to the two the server accepted.
TEST_F(FtpsTest, ServerTakingFewerConnectionsThanAllowedGetsEveryFile) {
    ASSERT_TRUE(certs.makeSigned(QStringLiteral("server")));
    FtpServerOptions options;
    options.maxConnectionsPerAddress = 2;
    options.delayMs = 10;
    ASSERT_TRUE(startServer(QStringLiteral("server"), options));
    const QStringList files = someFiles(30);
    auto job = uploadJob(files, 6);
    const JobRun run = runJob(*job);
    ASSERT_TRUE(run.succeeded) << qPrintable(run.result);
    expectOnServer(files);
}

TEST_F(FtpsTest, CancelStopsTransfersThatWaitInsideCurl) {
    ASSERT_TRUE(startMutingServer(1));
    // Large enough for a connection each.
    QStringList files;
    for (int i = 0; i < 6; ++i)
        files << folders.addFile(QStringLiteral("d%1/big%2.bin").arg(i % 3).arg(i),
                                 QByteArray(qsizetype(300) * 1024, char('a' + i)));
    auto job = uploadJob(files, 3);
    job->setReplyTimeout(60);
    bool finished = false;
    QObject::connect(job.get(), &TransferJob::finished, [&] { finished = true; });
    job->start();
    // Stores were sent, and their final replies will never come.
    ASSERT_TRUE(waitUntil([&] { return commands().count(QStringLiteral("STOR")) >= 3; },
                          std::chrono::seconds(30)));
    QElapsedTimer clock;
    clock.start();
    job->cancel();
    ASSERT_TRUE(waitUntil([&] { return finished; }, std::chrono::seconds(30)));
    job.reset();
    // A cancel that waited for the replies would take the reply timeout.
    EXPECT_LT(clock.elapsed(), 20000);
    for (const QString& f : files)
        EXPECT_FALSE(QFile::exists(folders.serverPath(QStringLiteral("www/") + f)))
            << f.toStdString();
}

namespace {

// Confirms, runs the job, and answers the trust question as told; what the
// window does with its dialogs.
class TrustAnsweringUi : public PublishUi {
public:
    void noSiteChosen() override {}
    void siteHasNoServer(const Site&) override {}
    void problem(const QString&, const QString&) override {}
    void nothingToUpload() override {}
    bool confirm(const Site&, const uploadplan::Files&) override { return true; }
    TransferJob::Outcome runTransfer(const Site& site, std::unique_ptr<TransferJob> job) override {
        ++transfers;
        runJob(*job);
        untrusted.reset();
        if (job->trustProblem() != TrustProblem::None)
            untrusted = servertrust::fromJob(site, *job);
        return job->outcome();
    }
    bool trustServer(Site& site) override {
        asked += untrusted ? 1 : 0;
        QString error;
        return untrusted && answer && servertrust::accept(site, *untrusted, &error);
    }

    bool answer = true;
    int asked = 0;
    int transfers = 0;
    std::optional<ServerIdentity> untrusted;
};

} // namespace

// The Upload command meets a certificate nobody vouches for: nothing is
// sent until the user, shown it, trusts it; then the same files go, the
// site keeps the pin for its owner to store, and the marks are cleared.
TEST_F(FtpsTest, UploadAsksAboutAnUntrustedCertificateThenSendsTheFiles) {
    ASSERT_TRUE(certs.makeSelfSigned(QStringLiteral("self")));
    ASSERT_TRUE(startServer(QStringLiteral("self")));
    const QStringList files = someFiles(4);
    Site site = ftpsSite();
    site.setValue(sitekey::localpath, folders.site.path());
    UploadMarks marks(certs.path(QStringLiteral("NeedingUpload.dict")));
    for (const QString& f : files)
        marks.mark(folders.localPath(f));

    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer ? "trusted" : "declined");
        TrustAnsweringUi ui;
        ui.answer = answer;
        std::optional<Site> kept;
        PublishOptions options;
        options.keepSite = [&](const Site& changed) { kept = changed; };
        const PublishOutcome outcome = publish(&site, QString(), marks, ui, options);
        EXPECT_EQ(ui.asked, 1);
        if (!answer) {
            EXPECT_EQ(outcome, PublishOutcome::Failed);
            EXPECT_EQ(ui.transfers, 1);
            EXPECT_FALSE(kept);
            EXPECT_EQ(marks.paths().size(), files.size());
            expectNoCredentialsSent();
            continue;
        }
        EXPECT_EQ(outcome, PublishOutcome::Uploaded);
        EXPECT_EQ(ui.transfers, 2);
        ASSERT_TRUE(kept);
        EXPECT_TRUE(kept->value(ftpsitekey::tlsPin).startsWith(QStringLiteral("sha256//")));
        EXPECT_TRUE(marks.paths().isEmpty());
        expectOnServer(files);
    }
}

TEST(SiteProtocol, MissingMeansFtpAndUnknownIsRefused) {
    Site site;
    EXPECT_EQ(siteprotocol::of(site), SiteProtocol::Ftp);
    for (SiteProtocol p :
         {SiteProtocol::Ftp, SiteProtocol::Ftps, SiteProtocol::FtpsImplicit, SiteProtocol::Sftp}) {
        site.setValue(ftpsitekey::protocol, siteprotocol::key(p).toUpper());
        EXPECT_EQ(siteprotocol::of(site), p);
    }
    site.setValue(ftpsitekey::protocol, QStringLiteral("ftpes"));
    EXPECT_FALSE(siteprotocol::of(site));
    // A site whose protocol is not known never falls back to plain FTP.
    site.setValue(sitekey::server, QStringLiteral("127.0.0.1:1"));
    auto job = TransferJob::makeConnectionTest(site);
    const JobRun run = runJob(*job);
    EXPECT_FALSE(run.succeeded);
    EXPECT_TRUE(run.result.contains(QStringLiteral("ftpes"))) << qPrintable(run.result);

    EXPECT_EQ(siteprotocol::defaultPort(SiteProtocol::Ftps), 21);
    EXPECT_EQ(siteprotocol::defaultPort(SiteProtocol::FtpsImplicit), 990);
    EXPECT_EQ(siteprotocol::defaultPort(SiteProtocol::Sftp), 22);
}

TEST(SiteProtocol, ServerTextMayRepeatTheSchemeButNotContradictIt) {
    auto a = FtpServerAddress::parse(QStringLiteral("ftps://host.example:2121/www"),
                                     QStringLiteral("ftps"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->port, 2121);
    EXPECT_EQ(a->url({QStringLiteral("a b.html")}, false),
              QByteArray("ftps://host.example:2121/www/a%20b.html"));
    auto b = FtpServerAddress::parse(QStringLiteral("ftp://host.example"), QStringLiteral("ftps"));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->portOr(990), 990);
    EXPECT_FALSE(
        FtpServerAddress::parse(QStringLiteral("sftp://host.example"), QStringLiteral("ftp")));
}

TEST(SiteProtocol, BrowseAddressFollowsTheProtocolAndNeverHoldsThePassword) {
    Site site;
    site.setValue(sitekey::server, QStringLiteral("host.example:2222"));
    site.setValue(sitekey::username, QStringLiteral("me@home"));
    site.setValue(sitekey::password, QStringLiteral("hunter2"));
    site.setValue(sitekey::serverfolder, QStringLiteral("/www/my site"));
    EXPECT_EQ(siteprotocol::browseAddress(site),
              QStringLiteral("ftp://me%40home@host.example:2222/www/my%20site"));
    site.setValue(ftpsitekey::protocol, QStringLiteral("ftps"));
    EXPECT_EQ(siteprotocol::browseAddress(site),
              QStringLiteral("ftps://me%40home@host.example:2222/www/my%20site"));
    site.setValue(ftpsitekey::protocol, QStringLiteral("sftp"));
    // An SFTP path after the host is absolute: a relative folder is
    // reached through the login's home ("~").
    EXPECT_EQ(siteprotocol::browseAddress(site),
              QStringLiteral("sftp://me%40home@host.example:2222/www/my%20site"));
    site.setValue(sitekey::serverfolder, QStringLiteral("www/my site"));
    EXPECT_EQ(siteprotocol::browseAddress(site),
              QStringLiteral("sftp://me%40home@host.example:2222/~/www/my%20site"));
    site.setValue(ftpsitekey::protocol, QStringLiteral("ftps-implicit"));
    EXPECT_TRUE(siteprotocol::browseAddress(site).isEmpty());
    site.setValue(ftpsitekey::protocol, QStringLiteral("sftp"));
    site.setValue(sitekey::serverfolder, QString());
    EXPECT_FALSE(siteprotocol::browseAddress(site).contains(QStringLiteral("hunter2")));
}
