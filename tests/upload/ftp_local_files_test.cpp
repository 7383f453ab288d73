// What an upload reads and leaves behind: a site file swapped for a link (or
// a FIFO) after the upload was planned is never sent; a site file named
// like another's temporary upload name never meets it; a cancelled or
// timed-out upload removes its temporary files; a Markdown file is read
// only from inside the site.
#include "ftp_support.h"

#include "core/confinedfile.h"
#include "core/markdown.h"
#include "testenv.h"
#include "transfer/ftpaddress.h"
#include "upload/uploadplan.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace morvane;
using namespace morvane::test;

namespace {

// True when any file below `root` holds `bytes`.
bool anyFileHolds(const QString& root, const QByteArray& bytes) {
    for (const QString& f : filesBelow(root))
        if (readFile(root + '/' + f).contains(bytes))
            return true;
    return false;
}

class LocalFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(outside.isValid());
        ASSERT_TRUE(writeFile(outside.filePath("secret.txt"), kSecret));
        ASSERT_TRUE(writeFile(outside.filePath("sub/zz.html"), kSecret));
    }
    void startServer(const FtpServerOptions& options = {}) {
        ASSERT_TRUE(server.start(folders.serverRoot.path(), options))
            << server.errorString().toStdString();
    }

    static constexpr char kSecret[] = "SECRET private key material";
    QTemporaryDir outside; // beside the site, never to be sent
    FtpFixtureFolders folders;
    FtpServer server;
};

} // namespace

// The plan checked each file; by the time it is sent, a file (or its
// folder) has been swapped for a link out of the site, or for a FIFO. The
// upload reads from a handle it checks itself: nothing secret reaches the
// server, the file fails with the reason, and a link that stays inside the
// site still works, as it does when planned.
TEST_F(LocalFilesTest, FileSwappedAfterPlanningIsNeverSent) {
    struct Case {
        const char* name;
        QString file;               // relative to the site
        std::function<bool()> swap; // done after a.html went up
        QByteArray sent;            // what the server must then hold; empty: nothing
        const char* reason;         // in the failure message
    };
    const QString site = folders.site.path();
    const QList<Case> cases{
        {"file to a link out",
         "zz.html",
         [&] {
             return QFile::remove(site + "/zz.html") &&
                    QFile::link(outside.filePath("secret.txt"), site + "/zz.html");
         },
         {},
         "outside the site folder"},
        {"folder to a link out",
         "sub/zz.html",
         [&] {
             return QDir(site + "/sub").removeRecursively() &&
                    QFile::link(outside.filePath("sub"), site + "/sub");
         },
         {},
         "outside the site folder"},
        {"file to a FIFO",
         "zz.html",
         [&] {
             return QFile::remove(site + "/zz.html") &&
                    ::mkfifo(QFile::encodeName(site + "/zz.html").constData(), 0600) == 0;
         },
         {},
         "not a regular file"},
        {"file to a link inside", "zz.html",
         [&] {
             return QFile::remove(site + "/zz.html") &&
                    QFile::link(site + "/inside.txt", site + "/zz.html");
         },
         "inside the site", nullptr},
    };
    startServer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folders.serverRoot.path()).removeRecursively();
        QDir().mkpath(folders.serverRoot.path());
        QDir(site).removeRecursively();
        const QStringList files{folders.addFile("a.html", "first"),
                                folders.addFile(c.file, "planned page")};
        folders.addFile("inside.txt", "inside the site");
        Site s = ftpSite(server, "/www");
        s.setValue(ftpsitekey::maxConnections, "1"); // a.html goes first, then the other
        auto job = TransferJob::makeUpload(s, site, files);
        bool swapped = false;
        QObject::connect(job.get(), &TransferJob::fileUploaded, [&](const QString& f) {
            if (f == "a.html")
                swapped = c.swap();
        });
        const JobRun run = runJob(*job, std::chrono::seconds(60));
        ASSERT_TRUE(run.finished);
        ASSERT_TRUE(swapped);
        EXPECT_FALSE(anyFileHolds(folders.serverRoot.path(), kSecret));
        EXPECT_EQ(temporaryFiles(folders.serverRoot.path()), QStringList());
        EXPECT_EQ(readFile(folders.serverPath("www/a.html")), "first");
        if (c.sent.isEmpty()) {
            EXPECT_FALSE(run.succeeded);
            EXPECT_EQ(run.failed, QStringList{c.file});
            EXPECT_FALSE(QFileInfo::exists(folders.serverPath("www/" + c.file)));
            EXPECT_TRUE(run.result.contains(c.reason)) << qPrintable(run.result);
        } else {
            EXPECT_TRUE(run.succeeded) << qPrintable(run.result);
            EXPECT_EQ(readFile(folders.serverPath("www/" + c.file)), c.sent);
        }
    }
}

// The handle check on its own: what it opens and what it refuses.
TEST_F(LocalFilesTest, ConfinedOpenTakesRegularFilesInsideOnly) {
    const QString site = folders.site.path();
    folders.addFile("real/page.html", "page");
    ASSERT_TRUE(QFile::link(site + "/real", site + "/alias"));
    ASSERT_TRUE(QFile::link(outside.filePath("secret.txt"), site + "/out.html"));
    ASSERT_TRUE(QFile::link("/proc/self/fd/0", site + "/fd.html"));
    ASSERT_TRUE(QFile::link("/dev/zero", site + "/zero.html"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(site + "/feed.php").constData(), 0600), 0);
    struct Case {
        const char* path;
        bool opens;
    };
    for (const Case& c :
         {Case{"real/page.html", true}, Case{"alias/page.html", true}, Case{"out.html", false},
          Case{"fd.html", false}, Case{"zero.html", false}, Case{"feed.php", false},
          Case{"real", false}, Case{"missing.html", false}}) {
        const confinedfile::Opened o = confinedfile::openInside(site, site + '/' + c.path);
        EXPECT_EQ(o.ok(), c.opens) << c.path << ": " << o.problem.toStdString();
        EXPECT_EQ(o.problem.isEmpty(), c.opens) << c.path;
    }
}

// ".a.html.morvane-upload" beside "a.html": sent together, the decoy would
// be written under a.html's temporary name and renamed over it. The decoy
// is refused, with the reason, both when planned and by the job itself.
TEST_F(LocalFilesTest, FileNamedLikeATemporaryUploadNeverMeetsIt) {
    startServer();
    const QString decoy = ".a.html.morvane-upload";
    QStringList files{folders.addFile("a.html", QByteArray(200000, 'a'))};
    for (const QString& name : {decoy, QStringLiteral("sub/.b.php.morvane-upload")})
        files << folders.addFile(name, QByteArray(200000, 'd'));
    files << folders.addFile("sub/b.php", "b");

    QStringList marked;
    for (const QString& f : files)
        marked << folders.localPath(f);
    const uploadplan::Files planned = uploadplan::collectFiles(marked, folders.site.path());
    EXPECT_EQ(planned.send, (QStringList{"a.html", "sub/b.php"}));
    ASSERT_EQ(planned.refused.size(), 2);
    EXPECT_TRUE(planned.refused[0].reason.contains("temporary"));

    Site s = ftpSite(server, "/www");
    s.setValue(ftpsitekey::maxConnections, "4");
    auto job = TransferJob::makeUpload(s, folders.site.path(), files);
    const JobRun run = runJob(*job);
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(run.uploaded, (QStringList{"a.html", "sub/b.php"}));
    EXPECT_EQ(run.failed, (QStringList{decoy, "sub/.b.php.morvane-upload"}));
    EXPECT_TRUE(run.result.contains("temporary names")) << qPrintable(run.result);
    EXPECT_EQ(readFile(folders.serverPath("www/a.html")), QByteArray(200000, 'a'));
    EXPECT_EQ(readFile(folders.serverPath("www/sub/b.php")), "b");
    EXPECT_EQ(temporaryFiles(folders.serverRoot.path()), QStringList());
    EXPECT_FALSE(ftppath::isTemporaryName("a.html"));
    EXPECT_FALSE(ftppath::isTemporaryName(".morvane-upload"));
    EXPECT_TRUE(ftppath::isTemporaryName(ftppath::temporaryName(QString(300, 'x'))));
}

// Every file went up and then the server never confirmed it: a cancel, or
// the reply timeout, ends the job. The temporary files go too, and the
// live pages stay.
TEST_F(LocalFilesTest, CancelAndTimeoutRemoveTemporaryFiles) {
    FtpServerOptions options;
    options.muteEvery = 1;
    startServer(options);
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        // Large enough for a connection each, so that all three wait at once.
        files << folders.addFile(QStringLiteral("p%1.html").arg(i), QByteArray(300000, 'n'));
        ASSERT_TRUE(writeFile(folders.serverPath(QStringLiteral("www/p%1.html").arg(i)), "live"));
    }
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancel" : "timeout");
        Site s = ftpSite(server, "/www");
        auto job = TransferJob::makeUpload(s, folders.site.path(), files);
        job->setReplyTimeout(cancel ? 60 : 2);
        bool finished = false;
        QObject::connect(job.get(), &TransferJob::finished, [&] { finished = true; });
        job->start();
        if (cancel) {
            // Once every stored file waits for its reply, with its bytes
            // on the server.
            ASSERT_TRUE(
                waitUntil([&] { return temporaryFiles(folders.serverRoot.path()).size() == 3; },
                          std::chrono::seconds(30)));
            job->cancel();
            job->cancel(); // a second cancel changes nothing
        }
        ASSERT_TRUE(waitUntil([&] { return finished; }, std::chrono::seconds(40)));
        EXPECT_FALSE(job->succeeded());
        EXPECT_EQ(job->failedFiles(), files);
        EXPECT_EQ(temporaryFiles(folders.serverRoot.path()), QStringList());
        for (const QString& f : files)
            EXPECT_EQ(readFile(folders.serverPath("www/" + f)), "live");
    }
}

// Markdown is read from a handle checked like an upload's: a Markdown file
// that is a link out of the site, or a FIFO, is never read (nor waited on).
TEST_F(LocalFilesTest, MarkdownIsReadOnlyFromInsideTheSite) {
    const QString site = folders.site.path();
    ASSERT_TRUE(writeFile(outside.filePath("notes.md"), QByteArray("# ") + kSecret));
    ASSERT_TRUE(QFile::link(outside.filePath("notes.md"), site + "/out.md"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(site + "/feed.md").constData(), 0600), 0);
    folders.addFile("in/real.md", "# Inside");
    ASSERT_TRUE(QFile::link(site + "/in/real.md", site + "/alias.md"));
    for (const char* name : {"out.md", "feed.md"}) {
        markdown::Error error;
        EXPECT_FALSE(markdown::convertFile(site + '/' + name, nullptr, &error, site)) << name;
        EXPECT_EQ(error.kind, markdown::Error::Kind::ReadFailed) << name;
        EXPECT_FALSE(QFileInfo::exists(markdown::targetPath(site + '/' + name))) << name;
    }
    QString html;
    ASSERT_TRUE(markdown::convertFile(site + "/alias.md", &html, nullptr, site));
    EXPECT_TRUE(readFile(html).contains("Inside"));
}
