// The connection test against a real FTP server: what the user reads for
// each way a connection can fail.
#include "ftp_support.h"

#include "testenv.h"

#include <QTcpServer>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start(folders.serverRoot.path())) << qPrintable(server.errorString());
    }
    FtpFixtureFolders folders;
    FtpServer server;
};

JobRun testSite(const Site& site) {
    auto job = TransferJob::makeConnectionTest(site);
    return runJob(*job);
}

} // namespace

TEST_F(ConnectionTest, PassesAndReportsInOrder) {
    folders.addFile(QStringLiteral("unused"), "x");
    writeFile(folders.serverPath(QStringLiteral("www/index.html")), "<p>");
    writeFile(folders.serverPath(QStringLiteral("a file with spaces.txt")), "x");
    const JobRun run = testSite(ftpSite(server));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.finishedSignals, 1);
    EXPECT_TRUE(run.succeeded);
    EXPECT_EQ(run.result, QStringLiteral("Successful connection"));
    EXPECT_EQ(run.messages, (QStringList{"Initializing FTP", "Successful connection"}));
}

TEST_F(ConnectionTest, EmptyServerFolderListsFine) {
    const JobRun run = testSite(ftpSite(server));
    EXPECT_EQ(run.result, QStringLiteral("Successful connection"));
}

TEST_F(ConnectionTest, WrongPassword) {
    const JobRun run =
        testSite(ftpSite(server, {}, QStringLiteral("user"), QStringLiteral("wrong")));
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.succeeded);
    // The fixed text, then the server's own words.
    EXPECT_EQ(run.result, QStringLiteral("ERROR: User Name and/or Password is wrong. Server reply: "
                                         "\"530 Authentication failed.\" Check the user name "
                                         "and password in Site Properties."));
    EXPECT_EQ(run.messages.last(), run.result);
}

TEST_F(ConnectionTest, MissingServerFolderInServerName) {
    Site site = ftpSite(server);
    site.setValue(sitekey::server, server.address() + QStringLiteral("/missing"));
    const JobRun run = testSite(site);
    EXPECT_EQ(run.result, QStringLiteral("ERROR: File/folder not found or inaccessible. Server "
                                         "reply: \"550 No such file or directory.\" Check the "
                                         "Server Folder in Site Properties, and that your account "
                                         "may write there."));
}

TEST_F(ConnectionTest, ClosedPortGivesTheSystemError) {
    // A port that was free a moment ago and has nobody listening on it.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    Site site = ftpSite(server);
    site.setValue(sitekey::server, QStringLiteral("127.0.0.1:%1").arg(port));
    const JobRun run = testSite(site);
    // What happened in plain words, the system's explanation, what to do.
    EXPECT_EQ(run.result, QStringLiteral("ERROR: Can't connect to the server: it refused the "
                                         "connection (Connection refused). Check the server "
                                         "name, port and protocol in Site Properties, and that "
                                         "the server is running."));
}

TEST_F(ConnectionTest, UnresolvableHost) {
    Site site = ftpSite(server);
    site.setValue(sitekey::server, QStringLiteral("no-such-host.invalid"));
    const JobRun run = testSite(site);
    EXPECT_EQ(run.result, QStringLiteral("ERROR: Can't locate Server; name may be wrong. Check the "
                                         "server name in Site Properties, and your network "
                                         "connection."));
}

TEST_F(ConnectionTest, InvalidServerNamesFailToStartButStillEnd) {
    const QStringList bad{QStringLiteral("host name with spaces"), QStringLiteral("user@host"),
                          QStringLiteral("http://host"), QStringLiteral("host\r\nQUIT")};
    const QStringList shown{QStringLiteral("host name with spaces"), QStringLiteral("user@host"),
                            QStringLiteral("http://host"), QStringLiteral("host\\r\\nQUIT")};
    for (qsizetype i = 0; i < bad.size(); ++i) {
        Site site = ftpSite(server);
        site.setValue(sitekey::server, bad[i]);
        const JobRun run = testSite(site);
        EXPECT_TRUE(run.finished) << qPrintable(bad[i]);
        EXPECT_EQ(run.finishedSignals, 1);
        EXPECT_EQ(run.result, QStringLiteral("ERROR: Can't initiate FTP. The server name \"%1\" is "
                                             "not a valid FTP address.")
                                  .arg(shown[i]));
    }
    // A site without a server says so, for a test and an upload alike.
    for (const QString& blank : {QString(), QStringLiteral("   ")}) {
        Site site = ftpSite(server);
        site.setValue(sitekey::server, blank);
        EXPECT_EQ(testSite(site).result,
                  QStringLiteral("ERROR: This site has no server. Enter one in Site Properties."));
        auto job =
            TransferJob::makeUpload(site, folders.site.path(), {folders.addFile("a.txt", "a")});
        const JobRun upload = runJob(*job);
        EXPECT_EQ(upload.result,
                  QStringLiteral("ERROR: This site has no server. Enter one in Site Properties."));
        EXPECT_EQ(upload.failed, QStringList{"a.txt"});
    }
}

TEST_F(ConnectionTest, CredentialsWithSpecialCharacters) {
    FtpServer special;
    FtpServerOptions options;
    options.user = QStringLiteral("me@example.com");
    options.password = QStringLiteral("p@ss:w/rd%20#?");
    ASSERT_TRUE(special.start(folders.serverRoot.path(), options));
    const JobRun run = testSite(ftpSite(special, {}, options.user, options.password));
    EXPECT_EQ(run.result, QStringLiteral("Successful connection"));
}

TEST_F(ConnectionTest, ServerTextMayCarryTheScheme) {
    Site site = ftpSite(server);
    site.setValue(sitekey::server,
                  QStringLiteral("ftp://") + server.address() + QStringLiteral("/"));
    EXPECT_EQ(testSite(site).result, QStringLiteral("Successful connection"));
}

TEST_F(ConnectionTest, UnreadableListingFailsTheTest) {
    FtpServer odd;
    FtpServerOptions options;
    options.garbageListing = true;
    ASSERT_TRUE(odd.start(folders.serverRoot.path(), options));
    const JobRun run = testSite(ftpSite(odd));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.finishedSignals, 1);
    EXPECT_TRUE(run.result.startsWith(
        QStringLiteral("ERROR: The server's folder listing could not be read")))
        << qPrintable(run.result);
}
