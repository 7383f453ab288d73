// SFTP against a real server started for each test, with its own host key:
// the key is checked against ~/.ssh/known_hosts before anything is sent,
// an unknown key can be added, a changed one is refused; logins with a
// password or (without one) with the user's key; nested new folders, odd
// names and the temporary-name upload that replaces a live file.
#include "ftp_support.h"
#include "sftpserver.h"
#include "testenv.h"
#include "transfer/siteprotocol.h"
#include "transfer/sshhostkey.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

// A new ed25519 key pair at `path` (and `path`.pub).
bool makeKey(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/ssh-keygen"),
            {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
             QStringLiteral("-N"), QString(), QStringLiteral("-f"), path});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

// The fingerprint as ssh-keygen prints it ("SHA256:…").
QString fingerprintOf(const QString& publicKey) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/ssh-keygen"),
            {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"),
             QStringLiteral("-f"), publicKey});
    p.waitForFinished(30000);
    return QString::fromLatin1(p.readAllStandardOutput()).section(QLatin1Char(' '), 1, 1);
}

QStringList serverFiles(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

class SftpTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(QDir::homePath() + "/.ssh").removeRecursively();
        qunsetenv("SSH_AUTH_SOCK"); // never the developer's own agent
        ASSERT_TRUE(makeKey(keys.filePath("host")));
        ASSERT_TRUE(makeKey(keys.filePath("otherhost")));
    }
    bool startServer(SftpServerOptions options = {}) {
        options.hostKey = keys.filePath("host");
        options.authLog = log();
        return server.start(folders.serverRoot.path(), options);
    }
    QString log() const { return keys.filePath("auth.log"); }
    QStringList events() const {
        return QString::fromUtf8(readFile(log())).split('\n', Qt::SkipEmptyParts);
    }
    // known_hosts holds `hostKey`'s public half for the server.
    void knowHost(const QString& hostKey = "host") {
        const SshHostKey key =
            sshhostkey::fromBase64(readFile(keys.filePath(hostKey + ".pub")).split(' ').value(1));
        ASSERT_TRUE(key.isValid());
        QString error;
        ASSERT_TRUE(sshhostkey::addToKnownHosts("127.0.0.1", server.port(), key, &error))
            << error.toStdString();
    }
    Site sftpSite(const QString& password = "secret") const {
        Site site;
        site.setValue(sitekey::sitename, "Test");
        site.setValue(sitekey::server, server.address());
        site.setValue(sitekey::serverfolder, "/www");
        site.setValue(sitekey::username, "user");
        site.setValue(sitekey::password, password);
        site.setValue(ftpsitekey::protocol, "sftp");
        return site;
    }
    QString knownHosts() const { return QDir::homePath() + "/.ssh/known_hosts"; }

    QTemporaryDir keys;
    FtpFixtureFolders folders;
    SftpServer server;
};

} // namespace

TEST_F(SftpTest, UnknownHostKeyGetsNothingUntilAcceptedThenIsKnown) {
    ASSERT_TRUE(startServer()) << server.errorString().toStdString();
    auto job = TransferJob::makeConnectionTest(sftpSite());
    const JobRun run = runJob(*job);
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(job->trustProblem(), TrustProblem::Untrusted);
    const SshHostKey key = job->hostKey();
    ASSERT_TRUE(key.isValid());
    EXPECT_EQ(key.type, "ssh-ed25519");
    EXPECT_EQ(key.fingerprint(), fingerprintOf(keys.filePath("host.pub")));
    EXPECT_TRUE(events().contains("connect"));
    EXPECT_FALSE(events().join(' ').contains("auth")) << events().join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(knownHosts())) << "nothing added without the user";

    // Accepted: added the way ssh writes it, readable by the user alone.
    QString error;
    ASSERT_TRUE(sshhostkey::addToKnownHosts("127.0.0.1", server.port(), key, &error));
    EXPECT_TRUE(
        readFile(knownHosts())
            .startsWith("[127.0.0.1]:" + QByteArray::number(server.port()) + " ssh-ed25519 "));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_FALSE(QFile::permissions(knownHosts()) & others);
    EXPECT_TRUE(QFile::permissions(knownHosts()) & QFile::WriteOwner);
    auto again = TransferJob::makeConnectionTest(sftpSite());
    const JobRun ok = runJob(*again);
    EXPECT_TRUE(ok.succeeded) << qPrintable(ok.result);
    EXPECT_TRUE(events().contains("password ok"));
}

TEST_F(SftpTest, ChangedHostKeyIsRefusedAndNeverReplaced) {
    ASSERT_TRUE(startServer());
    knowHost("otherhost");
    const QByteArray before = readFile(knownHosts());
    auto job = TransferJob::makeUpload(sftpSite(), folders.site.path(),
                                       {folders.addFile("index.html", "<p>")});
    const JobRun run = runJob(*job);
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(job->trustProblem(), TrustProblem::Changed);
    EXPECT_EQ(job->hostKey().fingerprint(), fingerprintOf(keys.filePath("host.pub")));
    EXPECT_EQ(job->hostKey().knownPrint, fingerprintOf(keys.filePath("otherhost.pub")));
    EXPECT_EQ(readFile(knownHosts()), before);
    EXPECT_FALSE(events().join(' ').contains("auth"));
    EXPECT_FALSE(QFile::exists(folders.serverPath("www/index.html")));
}

TEST_F(SftpTest, PasswordLoginUploadsNestedOddNamesAndReplacesLiveFiles) {
    ASSERT_TRUE(startServer());
    knowHost();
    ASSERT_TRUE(QDir().mkpath(folders.serverPath("www")));
    ASSERT_TRUE(writeFile(folders.serverPath("www/index.html"), "old live page"));
    const QStringList files{
        folders.addFile("index.html", "<p>new"),
        folders.addFile("a/b/c/deep page.html", "deep"),
        folders.addFile("odd \"quoted\" name.html", "quoted"),
        folders.addFile(QString::fromUtf8("\xC3\xBCn\xC3\xAF/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt"),
                        "utf8"),
        folders.addFile("it's #1 & more%20.html", "marks"),
        folders.addFile("~tilde/-dash.css", "tilde"),
    };
    Site site = sftpSite();
    site.setValue(ftpsitekey::maxConnections, "3");
    auto job = TransferJob::makeUpload(site, folders.site.path(), files);
    const JobRun run = runJob(*job);
    ASSERT_TRUE(run.succeeded) << qPrintable(run.result);
    for (const QString& f : files)
        EXPECT_EQ(readFile(folders.serverPath("www/" + f)), readFile(folders.localPath(f)))
            << f.toStdString();
    // No temporary file is left behind.
    for (const QString& f : serverFiles(folders.serverRoot.path()))
        EXPECT_FALSE(f.contains(".morvane-upload")) << f.toStdString();

    // The same again over the files now live: every one is replaced.
    for (const QString& f : files)
        folders.addFile(f, "second " + f.toUtf8());
    const qsizetype connectsBefore = events().count("connect");
    auto second = TransferJob::makeUpload(site, folders.site.path(), files);
    const JobRun again = runJob(*second);
    ASSERT_TRUE(again.succeeded) << qPrintable(again.result);
    for (const QString& f : files)
        EXPECT_EQ(readFile(folders.serverPath("www/" + f)), "second " + f.toUtf8());
    // The folders exist now and their requests are refused; that costs no
    // connection (at most one per allowed connection).
    EXPECT_LE(events().count("connect") - connectsBefore, 3);
}

// In a folder the upload has just made, the rename alone is tried; a file
// that appeared there meanwhile is replaced all the same.
TEST_F(SftpTest, FileThatAppearsInANewFolderIsReplaced) {
    SftpServerOptions options;
    options.plant = "page.html";
    ASSERT_TRUE(startServer(options));
    knowHost();
    const QStringList files{folders.addFile("new/page.html", "mine"),
                            folders.addFile("new/other.html", "other")};
    auto job = TransferJob::makeUpload(sftpSite(), folders.site.path(), files);
    const JobRun run = runJob(*job);
    ASSERT_TRUE(run.succeeded) << qPrintable(run.result);
    EXPECT_EQ(readFile(folders.serverPath("www/new/page.html")), "mine");
    EXPECT_EQ(readFile(folders.serverPath("www/new/other.html")), "other");
    for (const QString& f : serverFiles(folders.serverRoot.path()))
        EXPECT_FALSE(f.contains(".morvane-upload")) << f.toStdString();
}

TEST_F(SftpTest, WrongPasswordCostsOneLoginAndSaysSo) {
    ASSERT_TRUE(startServer());
    knowHost();
    QStringList files;
    for (int i = 0; i < 20; ++i)
        files << folders.addFile(QString("d%1/p%2.html").arg(i % 4).arg(i), "x");
    Site site = sftpSite("wrong");
    site.setValue(ftpsitekey::maxConnections, "8");
    auto job = TransferJob::makeUpload(site, folders.site.path(), files);
    const JobRun run = runJob(*job);
    EXPECT_FALSE(run.succeeded);
    EXPECT_TRUE(run.result.contains("User Name and/or Password is wrong"))
        << qPrintable(run.result);
    EXPECT_FALSE(run.result.contains("wrong\"")); // the password itself is never shown
    EXPECT_EQ(events().count("connect"), 1);
    EXPECT_EQ(run.failed.size(), files.size());
}

TEST_F(SftpTest, WithoutAPasswordTheUsersKeyLogsIn) {
    const QString ssh = QDir::homePath() + "/.ssh";
    ASSERT_TRUE(QDir().mkpath(ssh));
    ASSERT_TRUE(makeKey(ssh + "/id_ed25519"));
    SftpServerOptions options;
    options.password.clear();
    options.authorizedKeys = ssh + "/id_ed25519.pub";
    ASSERT_TRUE(startServer(options));
    knowHost();
    auto job = TransferJob::makeUpload(sftpSite(QString()), folders.site.path(),
                                       {folders.addFile("k/index.html", "by key")});
    const JobRun run = runJob(*job);
    EXPECT_TRUE(run.succeeded) << qPrintable(run.result);
    EXPECT_EQ(readFile(folders.serverPath("www/k/index.html")), "by key");
    EXPECT_TRUE(events().contains("key ok"));
}
