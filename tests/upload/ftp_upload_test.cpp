// Uploads against a real FTP server: nested folders under several server
// folders, awkward names, empty and large files, folders that exist already,
// and per-file failures that must not stop the rest.
#include "ftp_support.h"

#include "testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

class UploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start(folders.serverRoot.path())) << qPrintable(server.errorString());
    }
    JobRun upload(const QStringList& files, const QString& serverFolder = QString(),
                  const Site* siteOverride = nullptr) {
        const Site site = siteOverride ? *siteOverride : ftpSite(server, serverFolder);
        auto job = TransferJob::makeUpload(site, folders.site.path(), files);
        return runJob(*job);
    }
    // The server's copy under `serverFolder` equals the local file.
    void expectSame(const QString& serverFolder, const QString& file) {
        const QString remote =
            folders.serverPath(serverFolder.isEmpty() ? file : serverFolder + '/' + file);
        ASSERT_TRUE(QFileInfo::exists(remote)) << qPrintable(remote);
        EXPECT_EQ(readFile(remote), readFile(folders.localPath(file))) << qPrintable(file);
    }
    FtpFixtureFolders folders;
    FtpServer server;
};

QStringList nestedSite(const FtpFixtureFolders& f) {
    return {f.addFile("index.html", "<h1>home</h1>"),
            f.addFile("img/logo.png", QByteArray(5000, '\x89')),
            f.addFile("css/site.css", "body{}"),
            f.addFile("a/b/c/deep.txt", "deep"),
            f.addFile("a/b/other.txt", "other"),
            f.addFile("img/icons/x.svg", "<svg/>")};
}

} // namespace

TEST_F(UploadTest, NestedFoldersUnderEachKindOfServerFolder) {
    const QStringList files = nestedSite(folders);
    for (const QString& serverFolder :
         {QStringLiteral("/"), QStringLiteral("/www"), QStringLiteral("/www/site"),
          QStringLiteral("www2/"), QString()}) {
        SCOPED_TRACE(serverFolder.toStdString());
        const JobRun run = upload(files, serverFolder);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.finishedSignals, 1);
        EXPECT_EQ(run.result, QStringLiteral("Successful upload of all files"));
        EXPECT_TRUE(run.succeeded);
        EXPECT_EQ(run.uploaded, files);
        EXPECT_TRUE(run.failed.isEmpty());
        const QString folder = QDir::cleanPath(serverFolder).remove(QRegularExpression("^/+"));
        for (const QString& f : files)
            expectSame(folder == "." ? QString() : folder, f);
        EXPECT_EQ(run.messages.first(), QStringLiteral("Initializing FTP"));
        EXPECT_EQ(run.messages.last(), run.result);
        for (const QString& f : files)
            EXPECT_TRUE(run.messages.contains(QStringLiteral("Uploaded \"%1\"").arg(f)));
    }
}

TEST_F(UploadTest, SecondRunOverExistingFoldersAndFilesSucceeds) {
    const QStringList files = nestedSite(folders);
    ASSERT_TRUE(upload(files, "/www").succeeded);
    writeFile(folders.localPath("a/b/c/deep.txt"), "changed and longer than before");
    const JobRun again = upload(files, "/www");
    EXPECT_EQ(again.result, QStringLiteral("Successful upload of all files"));
    expectSame("www", "a/b/c/deep.txt");
}

TEST_F(UploadTest, AwkwardNames) {
    const QStringList files = {folders.addFile("with space/a b.html", "1"),
                               folders.addFile("hash#/x#y.txt", "2"),
                               folders.addFile("per%cent/100%25.txt", "3"),
                               folders.addFile("what?/why?.txt", "4"),
                               folders.addFile(QStringLiteral("ünïcødé/日本語 ファイル.txt"), "5"),
                               folders.addFile("semi;colon/plus+and&.txt", "6"),
                               folders.addFile("' quote/\"dq\".txt", "7")};
    const JobRun run = upload(files, QStringLiteral("/dir with space/ü"));
    EXPECT_EQ(run.result, QStringLiteral("Successful upload of all files"));
    for (const QString& f : files)
        expectSame(QStringLiteral("dir with space/ü"), f);
}

TEST_F(UploadTest, EmptyFileAndManyFilesInOneFolder) {
    QStringList files{folders.addFile("empty.txt", QByteArray())};
    for (int i = 0; i < 30; ++i)
        files << folders.addFile(QStringLiteral("sub/dir/f%1.txt").arg(i),
                                 QByteArray::number(i).repeated(qsizetype(i) * 100));
    const JobRun run = upload(files, "/www");
    EXPECT_EQ(run.result, QStringLiteral("Successful upload of all files"));
    EXPECT_EQ(run.finishedSignals, 1);
    for (const QString& f : files)
        expectSame("www", f);
    EXPECT_EQ(QFileInfo(folders.serverPath("www/empty.txt")).size(), 0);
}

TEST_F(UploadTest, UnreadableAndMissingLocalFilesFailAlone) {
    const QString good = folders.addFile("good.txt", "fine");
    const QString locked = folders.addFile("locked.txt", "secret");
    QFile::setPermissions(folders.localPath(locked), QFileDevice::Permissions());
    const bool canStillRead =
        QFile(folders.localPath(locked)).open(QIODevice::ReadOnly); // root can
    QDir().mkpath(folders.localPath("afolder"));
    const JobRun run = upload({good, "missing.txt", locked, "afolder"}, "/");
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.succeeded);
    EXPECT_TRUE(run.result.startsWith(QStringLiteral("Error uploading ")));
    EXPECT_TRUE(run.result.contains(
        QStringLiteral("the first, \"missing.txt\": Can't read the local file")))
        << qPrintable(run.result);
    EXPECT_TRUE(run.uploaded.contains(good));
    expectSame(QString(), good);
    QStringList expectedFailed{"missing.txt"};
    if (!canStillRead)
        expectedFailed << locked;
    expectedFailed << "afolder";
    EXPECT_EQ(run.failed, expectedFailed);
    EXPECT_FALSE(QFileInfo::exists(folders.serverPath("missing.txt")));
}

TEST_F(UploadTest, NamesThatCannotBeSentAreRefusedWithTheReason) {
    const QString good = folders.addFile("good.txt", "fine");
    // Each: a name, the reason the user reads.
    const QList<std::pair<QString, QString>> bad{
        {QStringLiteral("evil\r\nDELE good.txt"),
         QStringLiteral("The name contains the control character U+000D (carriage return)")},
        {QStringLiteral("line\nbreak.txt"),
         QStringLiteral("The name contains the control character U+000A (line feed)")},
        {QStringLiteral("nul") + QChar(0) + QStringLiteral(".txt"),
         QStringLiteral("The name contains the control character U+0000 (NUL)")},
        {QStringLiteral("tab\tfolder/x.txt"),
         QStringLiteral("The name contains the control character U+0009 (tab)")},
        {QStringLiteral("esc\x1b[31m.txt"),
         QStringLiteral("The name contains the control character U+001B (escape)")},
        {QStringLiteral("c1") + QChar(0x85) + QStringLiteral(".txt"),
         QStringLiteral("The name contains the control character U+0085")},
        {QStringLiteral("back\\slash.txt"), QStringLiteral("The name contains a backslash (\\)")},
        {QStringLiteral("../outside.txt"), QStringLiteral("The path contains a \"..\" segment")},
        {QStringLiteral("a/../../b.txt"), QStringLiteral("The path contains a \"..\" segment")},
    };
    QStringList names;
    for (const auto& [name, why] : bad)
        names << name;
    auto job = TransferJob::makeUpload(ftpSite(server, "/"), folders.site.path(),
                                       QStringList{good} + names);
    const JobRun run = runJob(*job);
    EXPECT_FALSE(run.succeeded);
    // The name in the message shows its control characters escaped.
    EXPECT_EQ(run.result, QStringLiteral("Error uploading 9 of 10 files; the first, "
                                         "\"evil\\r\\nDELE good.txt\": The name contains the "
                                         "control character U+000D (carriage return); not sent. "
                                         "Rename the file, then upload it."));
    EXPECT_EQ(run.failed, names);
    // Each name is refused with its own reason.
    for (const auto& [name, why] : bad)
        EXPECT_TRUE(job->failureOf(name).startsWith(why + QStringLiteral("; not sent")))
            << qPrintable(job->failureOf(name));
    expectSame(QString(), good);
    EXPECT_EQ(QDir(folders.serverRoot.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"good.txt"});
}

TEST_F(UploadTest, ServerFolderWithLineBreakFailsToStart) {
    const QString good = folders.addFile("good.txt", "fine");
    const JobRun run = upload({good}, QStringLiteral("www\r\nRMD x"));
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(
        run.result,
        QStringLiteral("ERROR: Can't initiate FTP. The server folder \"www\\r\\nRMD x\" can't "
                       "be sent: The name contains the control character U+000D (carriage "
                       "return)."));
    EXPECT_EQ(run.failed, QStringList{good});
}

TEST_F(UploadTest, FolderThatCannotBeCreatedFailsItsFiles) {
    // A file stands where the server folder should be: MKD is refused (and
    // ignored), then every store into it fails with 550 on its own.
    writeFile(folders.serverPath("blocked"), "I am a file");
    const QString inSub = folders.addFile("sub/a.txt", "a");
    const QString top = folders.addFile("top.txt", "t");
    const JobRun run = upload({inSub, top}, "/blocked");
    ASSERT_TRUE(run.finished);
    // The message names the folder the server would not create, with its reply.
    EXPECT_EQ(
        run.result,
        QStringLiteral("Error uploading 2 of 2 files; the first, \"sub/a.txt\": File/folder not "
                       "found or inaccessible. Server reply: \"550 Not a directory.\" Check the "
                       "Server Folder in Site Properties, and that your account may write there. "
                       "Creating the folder \"blocked/sub\" was refused: \"550 Not a "
                       "directory.\""));
    EXPECT_EQ(run.failed, (QStringList{inSub, top}));
    EXPECT_EQ(readFile(folders.serverPath("blocked")), QByteArray("I am a file"));
}

TEST_F(UploadTest, EmptyListAndDuplicates) {
    const JobRun none = upload({}, "/www");
    EXPECT_EQ(none.result, QStringLiteral("Successful upload of all files"));
    EXPECT_TRUE(QFileInfo(folders.serverPath("www")).isDir());
    const QString f = folders.addFile("twice.txt", "2");
    const JobRun twice = upload({f, f}, "/");
    EXPECT_TRUE(twice.succeeded);
    EXPECT_EQ(twice.uploaded, QStringList{f});
}

TEST_F(UploadTest, ConnectionLimitFromTheSite) {
    QStringList files;
    for (int i = 0; i < 12; ++i)
        files << folders.addFile(QStringLiteral("d%1/f.txt").arg(i % 3),
                                 QByteArray(100, char('a' + i)));
    for (const QString& limit :
         {QStringLiteral("1"), QStringLiteral("8"), QStringLiteral("junk"), QStringLiteral("0")}) {
        Site site = ftpSite(server, "/lim" + limit);
        site.setValue(QStringLiteral("maxconnections"), limit);
        const JobRun run = upload(files, {}, &site);
        EXPECT_TRUE(run.succeeded) << qPrintable(limit) << qPrintable(run.result);
    }
}

TEST_F(UploadTest, CancelEndsTheJobAndReportsEverythingUnsent) {
    QStringList files;
    for (int i = 0; i < 40; ++i)
        files << folders.addFile(QStringLiteral("c/f%1.txt").arg(i), "x");
    auto job = TransferJob::makeUpload(ftpSite(server, "/"), folders.site.path(), files);
    int finishedCount = 0;
    QObject::connect(job.get(), &TransferJob::finished, [&] { ++finishedCount; });
    QObject::connect(job.get(), &TransferJob::message, job.get(), [&job](const QString& m) {
        if (m.startsWith(QLatin1String("Uploaded")))
            job->cancel();
    });
    job->start();
    ASSERT_TRUE(waitUntil([&] { return finishedCount > 0; }));
    EXPECT_TRUE(job->isFinished());
    EXPECT_FALSE(job->succeeded());
    EXPECT_EQ(job->uploadedFiles().size() + job->failedFiles().size(), files.size());
    EXPECT_FALSE(job->failedFiles().isEmpty());
    job->cancel(); // a second cancel changes nothing
    QCoreApplication::processEvents();
    EXPECT_EQ(finishedCount, 1);
}

TEST_F(UploadTest, DestroyingARunningJobIsSafe) {
    QStringList files;
    for (int i = 0; i < 10; ++i)
        files << folders.addFile(QStringLiteral("f%1.txt").arg(i), QByteArray(100000, 'z'));
    auto job = TransferJob::makeUpload(ftpSite(server, "/"), folders.site.path(), files);
    bool uploadedOne = false;
    QObject::connect(job.get(), &TransferJob::message, [&](const QString& m) {
        uploadedOne = uploadedOne || m.startsWith(QLatin1String("Uploaded"));
    });
    job->start();
    ASSERT_TRUE(waitUntil([&] { return uploadedOne; }));
    job.reset(); // with transfers still under way
    QCoreApplication::processEvents();
}

TEST_F(UploadTest, LargeFileStreamsFromDisk) {
    // 200 MB, written in pieces so that the test itself stays small.
    const QString path = folders.localPath("big/video.bin");
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        QByteArray block(1 << 20, '\0');
        for (int i = 0; i < 200; ++i) {
            block.fill(char(i));
            block[0] = char(i * 7);
            ASSERT_EQ(out.write(block), block.size());
        }
    }
    const JobRun run = upload({"big/video.bin"}, "/www", nullptr);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.result, QStringLiteral("Successful upload of all files"));
    const QString remote = folders.serverPath("www/big/video.bin");
    EXPECT_EQ(QFileInfo(remote).size(), QFileInfo(path).size());
    QFile a(path), b(remote);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    while (!a.atEnd())
        ASSERT_EQ(a.read(1 << 20), b.read(1 << 20));
}
