// Uploads to the FTP servers real hosts run, with their default settings:
// vsftpd and proftpd (mod_tls), each started by the test on 127.0.0.1 as a
// local user (see realftpserver.h). What only they show: an FTPS data
// connection must reuse the control connection's TLS session, and a
// folder that exists already is refused with 550.
#include "certificates.h"
#include "ftp_support.h"
#include "realftpserver.h"
#include "sshdserver.h"

#include "testenv.h"
#include "transfer/siteprotocol.h"

#include <QDir>
#include <QDirIterator>

#include <pwd.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

struct ServerCase {
    const char* name;
    RealFtpServer::Kind kind;
    bool tls;
};

class RealFtpTest : public ::testing::TestWithParam<ServerCase> {
protected:
    void SetUp() override {
        if (const QString why = server.unavailable(); !why.isEmpty())
            GTEST_SKIP() << qPrintable(why);
        RealFtpOptions options;
        if (GetParam().tls) {
            ASSERT_TRUE(certs.makeAuthority());
            ASSERT_TRUE(certs.makeSigned(QStringLiteral("server"), true));
            qputenv("SSL_CERT_FILE", certs.path(QStringLiteral("ca.pem")).toLocal8Bit());
            options.tlsCertFile = certs.path(QStringLiteral("server.pem"));
            options.tlsKeyFile = certs.path(QStringLiteral("server.key"));
        }
        ASSERT_TRUE(server.start(options)) << qPrintable(server.errorString());
    }
    void TearDown() override { qunsetenv("SSL_CERT_FILE"); }

    JobRun upload(const QStringList& files, int connections = 4) {
        Site site;
        site.setValue(sitekey::sitename, QStringLiteral("Real"));
        site.setValue(sitekey::server, server.address());
        site.setValue(sitekey::username, server.userName());
        site.setValue(sitekey::password, server.password());
        site.setValue(sitekey::serverfolder, QStringLiteral("www"));
        site.setValue(ftpsitekey::maxConnections, QString::number(connections));
        if (GetParam().tls)
            site.setValue(ftpsitekey::protocol, QStringLiteral("ftps"));
        auto job = TransferJob::makeUpload(site, local.path(), files);
        return runJob(*job, std::chrono::minutes(4));
    }
    QString add(const QString& relative, const QByteArray& bytes) {
        writeFile(local.filePath(relative), bytes);
        return relative;
    }
    QString onServer(const QString& relative) const {
        return server.home() + QStringLiteral("/www/") + relative;
    }
    // Every file of the server folder, temporary ones included.
    QStringList serverFiles() const {
        QStringList out;
        QDirIterator it(server.home(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << QDir(server.home()).relativeFilePath(it.next());
        out.sort();
        return out;
    }
    QString serverLog() const { return server.log().right(4000); }

    Certificates certs;
    RealFtpServer server{GetParam().kind};
    QTemporaryDir local;
};

// A site of the test's sshd user, its files in the login folder's "www".
Site sftpSite(const SshdServer& server) {
    Site site;
    site.setValue(sitekey::sitename, QStringLiteral("Real SFTP"));
    site.setValue(sitekey::server, server.address());
    site.setValue(sitekey::username, server.user());
    site.setValue(sitekey::password, server.password());
    site.setValue(sitekey::serverfolder, QStringLiteral("www"));
    site.setValue(ftpsitekey::protocol, QStringLiteral("sftp"));
    return site;
}

} // namespace

// 200 identical small files over one job: each data connection on a kept
// control connection is accepted, so every file arrives and the logins stay
// near the connection count (a refused data connection cost a login per
// file).
TEST_P(RealFtpTest, TwoHundredSmallFilesAllArriveWithFewLogins) {
    QStringList files;
    for (int i = 0; i < 200; ++i)
        files << add(QStringLiteral("f%1/page%2.html").arg(i % 5).arg(i),
                     QByteArray("<p>same text in every file</p>\n").repeated(20));
    const JobRun run = upload(files, 4);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.succeeded) << qPrintable(run.result) << "\n" << qPrintable(serverLog());
    EXPECT_EQ(run.uploaded.size(), 200);
    for (const QString& f : files)
        ASSERT_EQ(readFile(onServer(f)), readFile(local.filePath(f))) << qPrintable(f);
    // Only the files, under their own names: no temporary file is left.
    EXPECT_EQ(serverFiles().size(), 200);
    EXPECT_LE(server.loginCount(), 6) << qPrintable(serverLog());
}

// Three edited files sent again into folders that exist: the refused MKDs
// are normal, cost no connection, and leave no note in any message.
TEST_P(RealFtpTest, ResendIntoExistingFoldersKeepsItsConnection) {
    const QStringList files{add(QStringLiteral("index.html"), "one"),
                            add(QStringLiteral("blog/2024/post.html"), "two"),
                            add(QStringLiteral("css/site/main.css"), "three")};
    const JobRun first = upload(files, 1);
    ASSERT_TRUE(first.succeeded) << qPrintable(first.result);
    const int loginsBefore = server.loginCount();
    EXPECT_EQ(loginsBefore, 1) << qPrintable(serverLog());

    for (const QString& f : files)
        add(f, readFile(local.filePath(f)) + " edited");
    const JobRun again = upload(files, 4);
    ASSERT_TRUE(again.succeeded) << qPrintable(again.result);
    for (const QString& f : files)
        EXPECT_EQ(readFile(onServer(f)), readFile(local.filePath(f))) << qPrintable(f);
    for (const QString& m : again.messages)
        EXPECT_FALSE(m.contains(QStringLiteral("refused"))) << qPrintable(m);
    // The server folder and four more levels already exist; each refusal
    // used to cost a new login.
    EXPECT_LE(server.loginCount() - loginsBefore, 2) << qPrintable(serverLog());
}

// The server's disk fills up during the upload (a 1 MB tmpfs mounted as the
// server folder): the failure is reported with its file, the page that was
// live stays, no temporary file is left, and nothing is tried again.
TEST_P(RealFtpTest, FullDiskFailsCleanly) {
    const QString folder = server.home() + QStringLiteral("/www");
    ASSERT_TRUE(QDir().mkpath(folder));
    const passwd* pw = ::getpwnam(server.userName().toLocal8Bit().constData());
    ASSERT_NE(pw, nullptr);
    const QByteArray data = QStringLiteral("size=1m,mode=0755,uid=%1,gid=%2")
                                .arg(pw->pw_uid)
                                .arg(pw->pw_gid)
                                .toLatin1();
    const QByteArray target = QFile::encodeName(folder);
    if (::mount("tmpfs", target.constData(), "tmpfs", MS_NOSUID | MS_NODEV, data.constData()) != 0)
        GTEST_SKIP() << "a small disk cannot be mounted here: " << std::strerror(errno);
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{target};
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/index.html"), "live"));
    ::chown(QFile::encodeName(folder + QStringLiteral("/index.html")).constData(), pw->pw_uid,
            pw->pw_gid);

    const QStringList files{
        add(QStringLiteral("index.html"), QByteArray(qsizetype(2) * 1024 * 1024, 'x'))};
    const JobRun run = upload(files, 1);
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(run.failed, files);
    EXPECT_EQ(readFile(folder + QStringLiteral("/index.html")), "live");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"index.html"});
    // vsftpd cuts the data connection before its 451 can be read: that is
    // tried once more, and no more; the message names the likely cause.
    // Then one login removes what was left under the temporary name.
    EXPECT_LE(server.loginCount(), 3) << qPrintable(run.result) << "\n" << qPrintable(serverLog());
    EXPECT_TRUE(run.result.contains(QStringLiteral("full"))) << qPrintable(run.result);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, RealFtpTest,
    ::testing::Values(ServerCase{"vsftpd_ftps", RealFtpServer::Kind::Vsftpd, true},
                      ServerCase{"proftpd_ftps", RealFtpServer::Kind::Proftpd, true},
                      ServerCase{"vsftpd_ftp", RealFtpServer::Kind::Vsftpd, false}),
    [](const ::testing::TestParamInfo<ServerCase>& info) { return info.param.name; });

// An SSH server that takes one unauthenticated connection per address at a
// time drops the others during the handshake. The job reruns what it
// turned away on fewer connections, and every file arrives.
TEST(RealSftpTest, ServerLimitingStartupsPerAddressGetsEveryFile) {
    if (const QString why = SshdServer::unavailableReason(); !why.isEmpty())
        GTEST_SKIP() << qPrintable(why);
    SshdServer server;
    SshdOptions options;
    options.extraConfig << QStringLiteral("PerSourceMaxStartups 1");
    ASSERT_TRUE(server.start(options)) << qPrintable(server.errorString());
    ASSERT_TRUE(server.trustIn(QDir::homePath() + QStringLiteral("/.ssh/known_hosts")));
    QTemporaryDir local;
    QStringList files;
    for (int i = 0; i < 80; ++i) {
        files << QStringLiteral("d%1/page%2.html").arg(i % 4).arg(i);
        writeFile(local.filePath(files.last()), QByteArray::number(i).repeated(100));
    }
    Site site = sftpSite(server);
    site.setValue(ftpsitekey::maxConnections, QStringLiteral("6"));
    auto job = TransferJob::makeUpload(site, local.path(), files);
    const JobRun run = runJob(*job, std::chrono::minutes(4));
    EXPECT_TRUE(run.succeeded) << qPrintable(run.result);
    for (const QString& f : files)
        EXPECT_EQ(readFile(server.homeDir() + QStringLiteral("/www/") + f),
                  readFile(local.filePath(f)))
            << qPrintable(f);
}

// Files sent again into folders that exist on an OpenSSH server: the
// refused folder creations cost no connection.
TEST(RealSftpTest, ResendIntoExistingFoldersKeepsItsConnection) {
    if (const QString why = SshdServer::unavailableReason(); !why.isEmpty())
        GTEST_SKIP() << qPrintable(why);
    SshdServer server;
    ASSERT_TRUE(server.start()) << qPrintable(server.errorString());
    ASSERT_TRUE(server.trustIn(QDir::homePath() + QStringLiteral("/.ssh/known_hosts")));
    QTemporaryDir local;
    const QStringList files{QStringLiteral("index.html"), QStringLiteral("blog/2024/post.html"),
                            QStringLiteral("css/site/main.css")};
    Site site = sftpSite(server);
    int loginsBefore = 0;
    for (const char* edit : {"", " edited"}) {
        SCOPED_TRACE(edit);
        loginsBefore = int(server.log().count("Accepted password"));
        for (const QString& f : files)
            writeFile(local.filePath(f), f.toUtf8() + edit);
        auto job = TransferJob::makeUpload(site, local.path(), files);
        const JobRun run = runJob(*job, std::chrono::minutes(2));
        EXPECT_TRUE(run.succeeded) << qPrintable(run.result);
        for (const QString& f : files)
            EXPECT_EQ(readFile(server.homeDir() + QStringLiteral("/www/") + f),
                      readFile(local.filePath(f)))
                << qPrintable(f);
    }
    EXPECT_GE(loginsBefore, 1); // the first job's, as the log counts them
    EXPECT_LE(server.log().count("Accepted password") - loginsBefore, 2)
        << server.log().right(3000).toStdString();
}

// OpenSSH ends a write to a full disk with no more than an SSH-layer
// error: that is no passing failure, and the file is tried once.
TEST(RealSftpTest, FullDiskIsNotTriedAgain) {
    if (const QString why = SshdServer::unavailableReason(); !why.isEmpty())
        GTEST_SKIP() << qPrintable(why);
    SshdServer server;
    ASSERT_TRUE(server.start()) << qPrintable(server.errorString());
    ASSERT_TRUE(server.trustIn(QDir::homePath() + QStringLiteral("/.ssh/known_hosts")));
    QString why;
    if (!server.mountSmallDisk(server.homeDir() + QStringLiteral("/www"), QStringLiteral("1m"),
                               &why))
        GTEST_SKIP() << "a small disk cannot be mounted here: " << qPrintable(why);
    QTemporaryDir local;
    const QStringList files{QStringLiteral("big.bin")};
    writeFile(local.filePath(files[0]), QByteArray(qsizetype(3) * 1024 * 1024, 'x'));
    Site site = sftpSite(server);
    auto job = TransferJob::makeUpload(site, local.path(), files);
    const JobRun run = runJob(*job, std::chrono::minutes(2));
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(run.failed, files);
    // One login for the try, one more that removes what it left under the
    // temporary name (a rerun would add another try and log in again).
    EXPECT_EQ(server.log().count("Accepted password"), 2) << server.log().right(3000).toStdString();
    EXPECT_EQ(QDir(server.homeDir() + QStringLiteral("/www"))
                  .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
}
