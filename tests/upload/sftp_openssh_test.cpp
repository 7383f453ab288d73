// SFTP against the real OpenSSH server (sshd started for the test, with a
// test user): an absolute server folder is absolute and a relative one is
// below the login folder; a full disk fails the upload and leaves no
// temporary file; a rerun then completes.
#include "ftp_support.h"
#include "sshdserver.h"
#include "testenv.h"
#include "transfer/siteprotocol.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

class OpenSshTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString why = SshdServer::unavailableReason(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        QDir(QDir::homePath() + "/.ssh").removeRecursively();
        qunsetenv("SSH_AUTH_SOCK"); // never the developer's own agent
        ASSERT_TRUE(server.start()) << server.errorString().toStdString();
        ASSERT_TRUE(server.trustIn(QDir::homePath() + "/.ssh/known_hosts"));
    }
    Site site(const QString& serverFolder) const {
        Site s;
        s.setValue(sitekey::sitename, "Real");
        s.setValue(sitekey::server, server.address());
        s.setValue(sitekey::serverfolder, serverFolder);
        s.setValue(sitekey::username, server.user());
        s.setValue(sitekey::password, server.password());
        s.setValue(ftpsitekey::protocol, "sftp");
        return s;
    }
    JobRun upload(const Site& s, const QStringList& files) {
        auto job = TransferJob::makeUpload(s, folders.site.path(), files);
        return runJob(*job);
    }

    FtpFixtureFolders folders;
    SshdServer server;
};

} // namespace

// OpenSSH reads a path that starts with "/" from the root and any other
// from the login folder; the server folder is read the same way, and the
// files, their folders and the renames into place all land there.
TEST_F(OpenSshTest, AbsoluteAndRelativeServerFoldersLandWhereTheySay) {
    const QString absolute = server.baseDir() + "/srv/site";
    ASSERT_TRUE(server.makeUserFolder(server.baseDir() + "/srv"));
    const QStringList files{folders.addFile("index.html", "<p>home"),
                            folders.addFile("img/deep/logo.png", "png")};
    struct Case {
        QString serverFolder;
        QString landsIn;
    };
    const QList<Case> cases{
        {absolute, absolute},
        {"/" + absolute, absolute}, // "//srv/…": still from the root
        {"www/site", server.homeDir() + "/www/site"},
        {"/", server.homeDir()},
        {"", server.homeDir()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serverFolder.toStdString());
        folders.addFile("index.html", c.serverFolder.toUtf8());
        const JobRun run = upload(site(c.serverFolder), files);
        ASSERT_TRUE(run.succeeded) << qPrintable(run.result);
        EXPECT_EQ(readFile(c.landsIn + "/index.html"), c.serverFolder.toUtf8());
        EXPECT_EQ(readFile(c.landsIn + "/img/deep/logo.png"), "png");
        EXPECT_EQ(temporaryFiles(server.baseDir()), QStringList());
    }
    // Nothing went below the home under the absolute folder's name.
    EXPECT_FALSE(QFileInfo::exists(server.homeDir() + absolute));
    EXPECT_FALSE(QFileInfo::exists(server.homeDir() + "/srv"));
}

// A disk that fills up mid-file: the upload fails and says so, the live
// page stays, the file keeps its place among the failed (its mark stays),
// and no temporary file is left holding the last free bytes. Once there is
// room, the next upload completes and leaves nothing behind either.
TEST_F(OpenSshTest, FullDiskFailsCleanlyAndTheRerunCompletes) {
    const QString disk = server.homeDir() + "/full";
    QString why;
    if (!server.mountSmallDisk(disk, "1m", &why))
        GTEST_SKIP() << "No full-disk test: " << why.toStdString();
    ASSERT_TRUE(server.makeUserFolder(disk + "/www"));
    ASSERT_TRUE(writeFile(disk + "/www/big.html", "live page"));
    QByteArray big(qsizetype(3) * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char('a' + i % 26);
    QStringList files{folders.addFile("big.html", big)};
    for (int i = 0; i < 6; ++i)
        files << folders.addFile(QStringLiteral("p%1.html").arg(i),
                                 QByteArray(qsizetype(100) * 1024, 'p'));

    for (const QString& folder : {QStringLiteral("full/www"), disk + "/www"}) {
        SCOPED_TRACE(folder.toStdString());
        const JobRun run = upload(site(folder), files);
        ASSERT_TRUE(run.finished);
        EXPECT_FALSE(run.succeeded);
        EXPECT_TRUE(run.failed.contains("big.html")) << qPrintable(run.failed.join(' '));
        EXPECT_FALSE(run.uploaded.contains("big.html"));
        EXPECT_EQ(readFile(disk + "/www/big.html"), "live page");
        EXPECT_EQ(temporaryFiles(disk), QStringList());
    }

    // Room again (the small pages are removed from the server): a smaller
    // page goes up, and nothing is left behind.
    for (int i = 0; i < 6; ++i)
        QFile::remove(disk + QStringLiteral("/www/p%1.html").arg(i));
    folders.addFile("big.html", big.left(qsizetype(300) * 1024));
    const JobRun rerun = upload(site("full/www"), {"big.html"});
    EXPECT_TRUE(rerun.succeeded) << qPrintable(rerun.result);
    EXPECT_EQ(readFile(disk + "/www/big.html"), big.left(qsizetype(300) * 1024));
    EXPECT_EQ(temporaryFiles(disk), QStringList());
}

// Cancelled mid-file: the transfer is stopped, its temporary file is
// removed before the job finishes, and the live file stays.
TEST_F(OpenSshTest, CancelMidFileRemovesTheTemporaryFile) {
    const QString www = server.homeDir() + "/www";
    ASSERT_TRUE(server.makeUserFolder(www));
    ASSERT_TRUE(writeFile(www + "/big.bin", "live"));
    // Large (and sparse here) so that the transfer is still under way
    // when the temporary file is seen.
    QFile local(folders.localPath("big.bin"));
    ASSERT_TRUE(local.open(QIODevice::WriteOnly) && local.resize(256LL * 1024 * 1024));
    local.close();
    auto job = TransferJob::makeUpload(site("www"), folders.site.path(), {"big.bin"});
    bool finished = false;
    QObject::connect(job.get(), &TransferJob::finished, [&] { finished = true; });
    job->start();
    ASSERT_TRUE(
        waitUntil([&] { return !temporaryFiles(www).isEmpty(); }, std::chrono::seconds(30)));
    job->cancel();
    ASSERT_TRUE(waitUntil([&] { return finished; }, std::chrono::seconds(30)));
    EXPECT_EQ(job->outcome(), TransferJob::Outcome::Cancelled);
    EXPECT_EQ(job->failedFiles(), QStringList{"big.bin"});
    EXPECT_EQ(temporaryFiles(www), QStringList());
    EXPECT_EQ(readFile(www + "/big.bin"), "live");
}

// The server refuses the rename into place (a folder holds the page's
// name): the file fails with the server's refusal and its temporary file
// is removed; the other files go up.
TEST_F(OpenSshTest, RefusedRenameLeavesNoTemporaryFile) {
    const QString www = server.homeDir() + "/www";
    ASSERT_TRUE(server.makeUserFolder(www + "/page.html/in-the-way"));
    const QStringList files{folders.addFile("page.html", "page"),
                            folders.addFile("other.html", "other")};
    const JobRun run = upload(site("www"), files);
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(run.failed, QStringList{"page.html"});
    EXPECT_EQ(readFile(www + "/other.html"), "other");
    EXPECT_TRUE(QFileInfo(www + "/page.html/in-the-way").isDir());
    EXPECT_EQ(temporaryFiles(www), QStringList());
}
