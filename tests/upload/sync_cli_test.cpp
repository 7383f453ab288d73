// `morvane compare` and `morvane download` against real servers started on
// 127.0.0.1 (pyftpdlib over FTP, asyncssh over SFTP): the four states with
// each server's time precision, excluded names, unsent work that is never
// overwritten, names from a listing that are never trusted as paths, links
// that are never written through, and a download cut off midway that
// leaves the previous file as it was.
#include "core/exclusions.h"
#include "core/paths.h"
#include "core/sitestore.h"
#include "ftpserver.h"
#include "qtprinters.h"
#include "sftpserver.h"
#include "testenv.h"
#include "transfer/siteprotocol.h"
#include "transfer/sshhostkey.h"
#include "upload/needinguploadrecord.h"
#include "upload/serverstate.h"
#include "upload/synccli.h"
#include "upload/uploadcli.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace morvane;
using namespace morvane::test;

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

enum class Kind { Ftp, Sftp };

bool makeKey(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/ssh-keygen"),
            {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
             QStringLiteral("-N"), QString(), QStringLiteral("-f"), path});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

bool setTime(const QString& path, const QDateTime& when) {
    timespec times[2];
    times[0].tv_sec = time_t(when.toSecsSinceEpoch());
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

QStringList allBelow(const QString& root) {
    QStringList out;
    QDirIterator it(root,
                    QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

class SyncCliTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        resetUserState();
        site = root.path() + "/web";
        QDir().mkpath(site);
        QDir().mkpath(root.path() + "/server/www");
        record.setFilePath(paths::needingUploadPath());
        // A time the listings show to the minute, at least (recent), and
        // 10 s into its minute.
        base = QDateTime::currentDateTimeUtc().addSecs(-3600);
        base = QDateTime(base.date(), QTime(base.time().hour(), base.time().minute(), 10), Qt::UTC);
    }
    void start(const FtpServerOptions& ftpOptions = {}, const QString& exclude = QString()) {
        Site s;
        s.setValue(sitekey::sitename, "Web");
        s.setValue(sitekey::serverfolder, "/www");
        s.setValue(sitekey::username, "user");
        s.setValue(sitekey::password, "secret");
        s.setValue(sitekey::localpath, site);
        if (!exclude.isEmpty())
            s.setValue(sitekey::exclude, exclude);
        if (GetParam() == Kind::Ftp) {
            ASSERT_TRUE(ftp.start(root.path() + "/server", ftpOptions))
                << ftp.errorString().toStdString();
            s.setValue(sitekey::server, ftp.address());
        } else {
            QDir(QDir::homePath() + "/.ssh").removeRecursively();
            qunsetenv("SSH_AUTH_SOCK");
            ASSERT_TRUE(makeKey(keys.filePath("host")));
            SftpServerOptions options;
            options.hostKey = keys.filePath("host");
            ASSERT_TRUE(sftp.start(root.path() + "/server", options))
                << sftp.errorString().toStdString();
            const SshHostKey key =
                sshhostkey::fromBase64(readFile(keys.filePath("host.pub")).split(' ').value(1));
            QString error;
            ASSERT_TRUE(sshhostkey::addToKnownHosts("127.0.0.1", sftp.port(), key, &error));
            s.setValue(sitekey::server, sftp.address());
            s.setValue(ftpsitekey::protocol, "sftp");
        }
        auto settings = paths::openSettings();
        sitestore::save(*settings, SiteList{s});
        sitestore::setCurrentSiteName(*settings, "Web");
    }
    QString onServer(const QString& rel) const { return root.path() + "/server/www/" + rel; }
    QString here(const QString& rel) const { return site + "/" + rel; }
    void serverFile(const QString& rel, const QByteArray& bytes, qint64 secs = 0) {
        ASSERT_TRUE(writeFile(onServer(rel), bytes));
        ASSERT_TRUE(setTime(onServer(rel), base.addSecs(secs)));
    }
    void localFile(const QString& rel, const QByteArray& bytes, qint64 secs = 0) {
        ASSERT_TRUE(writeFile(here(rel), bytes));
        ASSERT_TRUE(setTime(here(rel), base.addSecs(secs)));
    }
    CliRun run(const QString& command, const QStringList& args, const QString& input = {}) {
        CliRun r;
        QString in = input;
        QTextStream inStream(&in, QIODevice::ReadOnly);
        QTextStream outStream(&r.out, QIODevice::WriteOnly);
        QTextStream errStream(&r.err, QIODevice::WriteOnly);
        r.status =
            command == "compare"  ? runCompareCommandLine(args, inStream, outStream, errStream)
            : command == "upload" ? runUploadCommandLine(args, inStream, outStream, errStream)
                                  : runDownloadCommandLine(args, inStream, outStream, errStream);
        // These tests run without a keyring.
        static const QRegularExpression keyringWarning(
            QStringLiteral("^warning: passwords stay in the settings file: [^\n]*\n"));
        r.err.remove(keyringWarning);
        return r;
    }

    QTemporaryDir root;
    QTemporaryDir keys;
    QString site;
    QDateTime base;
    NeedingUploadRecord record;
    FtpServer ftp;
    SftpServer sftp;
};

} // namespace

TEST_P(SyncCliTest, CompareNamesEachStateWithinTheServersPrecision) {
    const bool exact = GetParam() == Kind::Ftp; // MLSD: to the second; SFTP's listing: the minute
    serverFile("same.html", "same");
    localFile("same.html", "same");
    serverFile("size.html", "server");
    localFile("size.html", "local, longer");
    serverFile("near.html", "near"); // 30 s apart: beyond MLSD's precision, within a minute
    localFile("near.html", "near", 30);
    serverFile("far.html", "far!"); // two minutes apart
    localFile("far.html", "far!", 120);
    localFile("here.html", "only here");
    serverFile("there/deep.html", "only there");
    // Never compared: built-in names and the site's own pattern.
    serverFile(".git/HEAD", "a");
    localFile(".git/HEAD", "bb");
    serverFile("node_modules/x.js", "x");
    localFile("notes.log", "log");
    serverFile("server.log", "log");
    start({}, "*.log");

    CliRun r = run("compare", {});
    EXPECT_EQ(r.status, compareexit::Differs) << r.err.toStdString();
    QStringList expected{"differs: far.html", "only here: here.html"};
    if (exact)
        expected << "differs: near.html";
    expected << "differs: size.html"
             << "only on server: there/deep.html";
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    auto byPath = [](const QString& a, const QString& b) {
        return a.section(": ", 1) < b.section(": ", 1);
    };
    std::sort(expected.begin(), expected.end(), byPath);
    EXPECT_EQ(lines, expected);

    // Once the differences are gone, all is the same.
    for (const char* name : {"size.html", "far.html", "near.html", "here.html", "there/deep.html"})
        QFile::remove(here(name)), QFile::remove(onServer(name));
    r = run("compare", {"Web"});
    EXPECT_EQ(r.status, compareexit::Same) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out, "");
}

TEST_P(SyncCliTest, DownloadNeverOverwritesUnsentWorkAndMarksNothing) {
    serverFile("a.html", "A from the server", -600);
    serverFile("sub/b.html", "B", -300);
    serverFile("sub/deeper/c.css", "C");
    serverFile("mine.html", "the server's version");
    serverFile("same.html", "same");
    localFile("same.html", "same");
    localFile("mine.html", "unsent work");
    record.mark(here("mine.html"));
    ASSERT_TRUE(record.save());
    start();

    // A dry run writes nothing.
    CliRun r = run("download", {"--dry-run"});
    EXPECT_EQ(r.status, downloadexit::NotConfirmed) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("  sub/deeper/c.css\n")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("same.html"));
    EXPECT_FALSE(QFile::exists(here("a.html")));

    // Not confirmed: nothing either.
    r = run("download", {}, "n\n");
    EXPECT_EQ(r.status, downloadexit::NotConfirmed);
    EXPECT_FALSE(QFile::exists(here("a.html")));

    r = run("download", {}, "y\n");
    EXPECT_EQ(r.status, downloadexit::Failed) << "the marked file was held back";
    EXPECT_TRUE(r.err.contains("marked for upload (unsent work here): \"mine.html\""))
        << r.err.toStdString();
    EXPECT_EQ(readFile(here("mine.html")), "unsent work");
    EXPECT_EQ(readFile(here("a.html")), "A from the server");
    EXPECT_EQ(readFile(here("sub/b.html")), "B");
    EXPECT_EQ(readFile(here("sub/deeper/c.css")), "C");
    // The server's times come along as its listing shows them: to the
    // second with MLSD, to the minute in an SFTP listing.
    const qint64 shown = GetParam() == Kind::Ftp ? 0 : base.time().second();
    EXPECT_EQ(QFileInfo(here("a.html")).lastModified().toUTC(), base.addSecs(-600 - shown));
    EXPECT_EQ(QFileInfo(here("sub/b.html")).lastModified().toUTC(), base.addSecs(-300 - shown));
    // No marks for downloaded files.
    NeedingUploadRecord after;
    after.setFilePath(paths::needingUploadPath());
    ASSERT_EQ(after.load(), NeedingUploadRecord::LoadResult::Loaded);
    EXPECT_EQ(after.paths(), QStringList{here("mine.html")});
    // No temporary file stays behind.
    EXPECT_EQ(allBelow(site), (QStringList{"a.html", "mine.html", "same.html", "sub", "sub/b.html",
                                           "sub/deeper", "sub/deeper/c.css"}));

    // Only the held-back file still differs.
    r = run("compare", {});
    EXPECT_EQ(r.status, compareexit::Differs);
    EXPECT_EQ(r.out, "differs: mine.html\n");

    // Sent (unmarked), it may be fetched; a PATH limits what is.
    after.unmark(here("mine.html"));
    ASSERT_TRUE(after.save());
    serverFile("sub/b.html", "B changed on the server", 60);
    r = run("download", {"--yes", "Web", "mine.html"});
    EXPECT_EQ(r.status, downloadexit::Downloaded) << r.err.toStdString();
    EXPECT_EQ(readFile(here("mine.html")), "the server's version");
    EXPECT_EQ(readFile(here("sub/b.html")), "B");
    r = run("download", {"--yes", "Web", "/sub/"});
    EXPECT_EQ(r.status, downloadexit::Downloaded) << r.err.toStdString();
    EXPECT_EQ(readFile(here("sub/b.html")), "B changed on the server");
    r = run("download", {"--yes"});
    EXPECT_EQ(r.status, downloadexit::NothingToFetch) << r.out.toStdString() << r.err.toStdString();
}

TEST_P(SyncCliTest, NamesFromTheListingAreNeverPaths) {
    serverFile("good.html", "good");
    serverFile("back\\slash.html", "b");
    serverFile("esc\x1b[31m.html", "e");
    serverFile("line\nbreak.html", "n");
    QTemporaryDir outside;
    ASSERT_TRUE(QFile::link(outside.path(), here("img")));
    serverFile("img/a.png", "through a link");
    start();

    CliRun r = run("download", {"--yes"});
    EXPECT_EQ(r.status, downloadexit::Failed) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(readFile(here("good.html")), "good");
    EXPECT_TRUE(r.err.contains("back\\slash.html")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("esc\\x1B[31m.html")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains('\x1b')) << "nothing of a name acts on a terminal";
    EXPECT_TRUE(r.err.contains("Not downloaded: \"img/a.png\"")) << r.err.toStdString();
    EXPECT_TRUE(allBelow(outside.path()).isEmpty()) << "nothing written through the link";
    EXPECT_EQ(allBelow(site), (QStringList{"good.html", "img"}));
    // A first download on this machine: the data folder is made for the
    // server's state.
    EXPECT_FALSE(r.err.contains("not remembered")) << r.err.toStdString();
    Site s;
    s.setValue(sitekey::sitename, "Web");
    EXPECT_TRUE(QFile::exists(ServerState::pathFor(s, paths::needingUploadPath())));
}

TEST_P(SyncCliTest, UploadWithDeletionsTouchesOnlyTheServerFolderAndNeverExcludedNames) {
    // "old.html" was renamed here to "new.html"; "gone/" was deleted here.
    serverFile("old.html", "page");
    serverFile("keep.html", "keep");
    serverFile("gone/a.html", "a");
    serverFile("gone/deeper/b.html", "b");
    serverFile("stuff/x.html", "x");
    serverFile("stuff/.DS_Store", "excluded: stays, and so does its folder");
    serverFile(".git/config", "excluded");
    serverFile("node_modules/m.js", "excluded");
    ASSERT_TRUE(writeFile(root.path() + "/server/outside.html", "not the site's"));
    localFile("keep.html", "keep");
    localFile("new.html", "page");
    record.mark(here("new.html"));
    ASSERT_TRUE(record.save());
    start();

    CliRun r = run("upload", {"--delete", "--dry-run"});
    EXPECT_EQ(r.status, uploadexit::NotConfirmed) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("These files will be deleted on the server:\n"
                               "  gone/a.html\n  gone/deeper/b.html\n  old.html\n  stuff/x.html\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("  gone/deeper/ (if empty)\n  gone/ (if empty)\n"))
        << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("stuff/ (if empty)")) << "it holds an excluded name";
    EXPECT_FALSE(r.out.contains(".git")) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(onServer("old.html")));
    EXPECT_FALSE(QFile::exists(onServer("new.html")));

    // The upload is confirmed, the deletion is not.
    r = run("upload", {"--delete"}, "y\nn\n");
    EXPECT_EQ(r.status, uploadexit::NotConfirmed) << r.err.toStdString();
    EXPECT_EQ(readFile(onServer("new.html")), "page");
    EXPECT_TRUE(QFile::exists(onServer("old.html")));

    r = run("upload", {"--delete", "--yes"});
    EXPECT_EQ(r.status, uploadexit::Uploaded) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(allBelow(root.path() + "/server"),
              (QStringList{"outside.html", "www", "www/.git", "www/.git/config", "www/keep.html",
                           "www/new.html", "www/node_modules", "www/node_modules/m.js", "www/stuff",
                           "www/stuff/.DS_Store"}));

    // Nothing left to delete.
    r = run("upload", {"--delete", "--yes"});
    EXPECT_EQ(r.status, uploadexit::Uploaded) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Nothing to delete on the server.")) << r.out.toStdString();
}

TEST_P(SyncCliTest, AChangeMadeOnTheServerIsNeverOverwrittenWithoutForce) {
    localFile("a.html", "ours");
    localFile("b.html", "b");
    record.mark(here("a.html"));
    record.mark(here("b.html"));
    ASSERT_TRUE(record.save());
    start();
    Site s;
    s.setValue(sitekey::sitename, "Web");
    const QString statePath = ServerState::pathFor(s, paths::needingUploadPath());

    // First use: no memory, the upload goes as always, then remembers.
    CliRun r = run("upload", {"--yes"});
    ASSERT_EQ(r.status, uploadexit::Uploaded) << r.err.toStdString();
    ASSERT_TRUE(QFile::exists(statePath));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(statePath).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A colleague changes a.html on the server (same size, another time);
    // it is edited here too.
    serverFile("a.html", "them");
    localFile("a.html", "mine", 60);
    localFile("b.html", "b2", 60);
    record.mark(here("a.html"));
    record.mark(here("b.html"));
    ASSERT_TRUE(record.save());
    r = run("upload", {"--yes"});
    EXPECT_EQ(r.status, uploadexit::Failed);
    EXPECT_TRUE(r.err.contains("\"a.html\" was not sent.")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("changed on the server")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("--force")) << r.err.toStdString();
    EXPECT_EQ(readFile(onServer("a.html")), "them") << "the colleague's change is kept";
    EXPECT_EQ(readFile(onServer("b.html")), "b2") << "the other file went";
    NeedingUploadRecord after;
    after.setFilePath(paths::needingUploadPath());
    ASSERT_EQ(after.load(), NeedingUploadRecord::LoadResult::Loaded);
    EXPECT_EQ(after.paths(), QStringList{here("a.html")}) << "the held file keeps its mark";

    // --force overwrites it, and the memory follows.
    r = run("upload", {"--yes", "--force"});
    EXPECT_EQ(r.status, uploadexit::Uploaded) << r.err.toStdString();
    EXPECT_EQ(readFile(onServer("a.html")), "mine");

    // A download remembers too: changed on the server after it, a local
    // edit is held back again.
    serverFile("c.html", "server c");
    r = run("download", {"--yes"});
    ASSERT_EQ(r.status, downloadexit::Downloaded) << r.err.toStdString();
    serverFile("c.html", "server c, edited there", 120);
    localFile("c.html", "edited here too", 180);
    record.mark(here("c.html"));
    ASSERT_TRUE(record.save());
    r = run("upload", {"--yes"});
    EXPECT_EQ(r.status, uploadexit::Failed);
    EXPECT_EQ(readFile(onServer("c.html")), "server c, edited there");
}

// The one-line progress display: on standard error when it is a terminal
// (the commands are told so), and nothing of it when it is not (the
// program run with its standard error on a pipe).
TEST_P(SyncCliTest, ProgressLineOnlyWhenStandardErrorIsATerminal) {
    localFile("a.html", "<p>a</p>");
    serverFile("old.html", "gone here");
    start();
    record.mark(here("a.html"));
    ASSERT_TRUE(record.save());
    {
        QString in, out, err;
        QTextStream inStream(&in, QIODevice::ReadOnly);
        QTextStream outStream(&out, QIODevice::WriteOnly);
        QTextStream errStream(&err, QIODevice::WriteOnly);
        EXPECT_EQ(runUploadCommandLine({"--yes", "--delete", "Web"}, inStream, outStream, errStream,
                                       true),
                  uploadexit::Uploaded)
            << err.toStdString();
        EXPECT_EQ(err.count("\r\x1b[K1/1 files, 8 B of 8 B"), 1) << err.toStdString();
        // The deletions' line counts files only, and makes way at the end.
        EXPECT_TRUE(err.contains("\r\x1b[K1/1 files\r\x1b[K")) << err.toStdString();
        EXPECT_FALSE(out.contains('\r')) << "the results stay plain";
    }
    // Again, through the program with standard error on a pipe.
    localFile("b.html", "<p>b</p>");
    serverFile("older.html", "gone here too");
    serverFile("fetch.html", "from the server");
    QFile::remove(here("old.html"));
    record.mark(here("b.html"));
    ASSERT_TRUE(record.save());
    const QString program = qEnvironmentVariable("MORVANE_BINARY_DIR") + "/app/morvane";
    const QStringList commands[] = {{"download", "--yes", "Web", "fetch.html"},
                                    {"upload", "--yes", "--delete", "Web"}};
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess p;
        p.start(program, args);
        ASSERT_TRUE(p.waitForFinished(120000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
        EXPECT_FALSE(err.contains('\r')) << err.toStdString();
        EXPECT_FALSE(err.contains(" files")) << err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(onServer("older.html")));
    EXPECT_TRUE(QFileInfo::exists(here("fetch.html")));
}

TEST_P(SyncCliTest, UsageErrors) {
    start();
    struct Case {
        const char* command;
        QStringList args;
        int status;
    };
    const Case cases[] = {
        {"compare", {"--yes"}, compareexit::Trouble},
        {"compare", {"a", "b"}, compareexit::Trouble},
        {"compare", {"Nope"}, compareexit::Trouble},
        {"download", {"--force"}, downloadexit::Usage},
        {"download", {"Web", "../up"}, downloadexit::Usage},
        {"download", {"Nope"}, downloadexit::Failed},
        {"compare", {"--help"}, compareexit::Same},
        {"download", {"--help"}, downloadexit::Downloaded},
    };
    for (const Case& c : cases)
        EXPECT_EQ(run(c.command, c.args).status, c.status)
            << c.command << " " << c.args.join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncCliTest, ::testing::Values(Kind::Ftp, Kind::Sftp),
                         [](const auto& info) {
                             return info.param == Kind::Ftp ? std::string("Ftp")
                                                            : std::string("Sftp");
                         });

// A download cut off midway (half the file, then the connection dropped
// without the final reply) leaves the previous local file whole and no
// half-written file under the real name.
TEST(SyncDownloadFaults, CutOffDownloadKeepsThePreviousFile) {
    resetUserState();
    QTemporaryDir root;
    const QString site = root.path() + "/web";
    QDir().mkpath(site);
    ASSERT_TRUE(writeFile(root.path() + "/server/www/page.html", QByteArray(4000, 'S')));
    ASSERT_TRUE(writeFile(root.path() + "/server/www/new.html", QByteArray(4000, 'N')));
    ASSERT_TRUE(writeFile(site + "/page.html", "previous"));
    FtpServer server;
    FtpServerOptions options;
    options.cutRetrNames = {"page.html", "new.html"};
    options.faultTimes = 100;
    ASSERT_TRUE(server.start(root.path() + "/server", options))
        << server.errorString().toStdString();
    Site s;
    s.setValue(sitekey::sitename, "Web");
    s.setValue(sitekey::server, server.address());
    s.setValue(sitekey::serverfolder, "/www");
    s.setValue(sitekey::username, "user");
    s.setValue(sitekey::password, "secret");
    s.setValue(sitekey::localpath, site);
    auto settings = paths::openSettings();
    sitestore::save(*settings, SiteList{s});

    QString in, out, err;
    QTextStream inStream(&in, QIODevice::ReadOnly), outStream(&out, QIODevice::WriteOnly),
        errStream(&err, QIODevice::WriteOnly);
    EXPECT_EQ(runDownloadCommandLine({"--yes", "Web"}, inStream, outStream, errStream),
              downloadexit::Failed);
    EXPECT_EQ(readFile(site + "/page.html"), "previous");
    EXPECT_FALSE(QFile::exists(site + "/new.html"));
    EXPECT_EQ(allBelow(site), QStringList{"page.html"}) << "no temporary file stays";
    EXPECT_TRUE(err.contains("Not downloaded: \"page.html\"")) << err.toStdString();
}
