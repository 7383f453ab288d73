// The live copy on the server is never damaged by an upload that fails: a
// full disk, a server that refuses renames or reports a wrong size, a
// left-over temporary file, proxy settings in the environment, and a
// listing that trickles in without end.
#include "ftp_support.h"

#include "testenv.h"
#include "transfer/ftperror.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace morvane;
using namespace morvane::test;

namespace {

QStringList hiddenLeftOvers(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path).fileName().startsWith('.'))
            out << QDir(root).relativeFilePath(path);
    }
    return out;
}

// A site whose pages are live on the server in an older version; the local
// versions are larger.
class LiveSiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 8; ++i) {
            const QString f = QStringLiteral("sub%1/page%2.html").arg(i % 2).arg(i);
            files << folders.addFile(f, "NEW " + QByteArray::number(i).repeated(2000));
            live[f] = "live page " + QByteArray::number(i);
            writeFile(folders.serverPath("www/" + f), live[f]);
        }
    }
    JobRun upload(const FtpServerOptions& options, const QString& directUpload = QString(),
                  const QString& sizeCheck = QString(), const QString& host = QString()) {
        server.stop();
        lastJob = TransferJob::makeUpload(Site(), folders.site.path(), {});
        if (!server.start(folders.serverRoot.path(), options))
            return {};
        Site site = ftpSite(server, "/www");
        if (!host.isEmpty())
            site.setValue(sitekey::server, QStringLiteral("%1:%2").arg(host).arg(server.port()));
        site.setValue(ftpsitekey::directUpload, directUpload);
        site.setValue(ftpsitekey::sizeCheck, sizeCheck);
        lastJob = TransferJob::makeUpload(site, folders.site.path(), files);
        return runJob(*lastJob);
    }
    // The job upload() ran last, for what it says of each file.
    const TransferJob& job() const { return *lastJob; }
    std::unique_ptr<TransferJob> lastJob;
    void expectLiveUntouched() {
        for (const QString& f : files)
            EXPECT_EQ(readFile(folders.serverPath("www/" + f)), live[f]) << qPrintable(f);
    }
    void expectAllNew() {
        for (const QString& f : files)
            EXPECT_EQ(readFile(folders.serverPath("www/" + f)), readFile(folders.localPath(f)))
                << qPrintable(f);
    }
    FtpFixtureFolders folders;
    FtpServer server;
    QStringList files;
    QHash<QString, QByteArray> live;
};

} // namespace

TEST_F(LiveSiteTest, FullDiskLeavesTheLivePagesAlone) {
    for (int code : {452, 552}) {
        SCOPED_TRACE(code);
        FtpServerOptions options;
        options.fullAfter = 1000; // every page is larger
        options.fullCode = code;
        const JobRun run = upload(options);
        EXPECT_EQ(run.failed, files);
        EXPECT_TRUE(run.result.startsWith(
            QStringLiteral("Error uploading %1 of %1 files").arg(files.size())))
            << qPrintable(run.result);
        for (const QString& f : files) {
            const QString why = job().failureOf(f);
            EXPECT_TRUE(why.startsWith(QStringLiteral("The server has no space left for this "
                                                      "file. Server reply: \"%1 ")
                                           .arg(code)))
                << qPrintable(why);
            EXPECT_TRUE(why.contains(kNoSpaceAdvice())) << qPrintable(why);
        }
        expectLiveUntouched();
        // The cut-off temporary files are removed again.
        EXPECT_EQ(hiddenLeftOvers(folders.serverRoot.path()), QStringList());
    }
}

TEST_F(LiveSiteTest, RenameRefusedFailsCleanlyAndDirectUploadStillWorks) {
    FtpServerOptions options;
    options.refuseRename = true;
    const JobRun refused = upload(options);
    EXPECT_EQ(refused.failed, files);
    EXPECT_TRUE(refused.result.contains(
        QStringLiteral("turn off \"Upload under a temporary name\" in Site Properties")))
        << qPrintable(refused.result);
    EXPECT_TRUE(refused.result.contains(QStringLiteral("550 Renaming is not allowed here.")));
    expectLiveUntouched();
    EXPECT_EQ(hiddenLeftOvers(folders.serverRoot.path()), QStringList());

    // The site's setting for such servers: straight under the real name.
    const JobRun direct = upload(options, QStringLiteral("1"));
    EXPECT_EQ(direct.result, QStringLiteral("Successful upload of all files"));
    expectAllNew();
}

TEST_F(LiveSiteTest, ServerRefusingToRenameOverAFileGetsDeleteThenRename) {
    FtpServerOptions options;
    options.noRenameOver = true;
    files << folders.addFile("brand-new.html", "not on the server yet");
    const JobRun run = upload(options);
    EXPECT_EQ(run.result, QStringLiteral("Successful upload of all files"));
    expectAllNew();
    EXPECT_EQ(hiddenLeftOvers(folders.serverRoot.path()), QStringList());
}

TEST_F(LiveSiteTest, WrongSizeOnTheServerFailsTheFileBeforeItGoesLive) {
    FtpServerOptions options;
    options.wrongSize = true;
    const JobRun run = upload(options, QString(), QStringLiteral("1"));
    EXPECT_EQ(run.failed, files);
    const qint64 size = QFileInfo(folders.localPath(files.first())).size();
    EXPECT_EQ(run.result,
              QStringLiteral("Error uploading %1 of %1 files: The server's copy of this "
                             "file has the wrong size (%2 bytes on the server, %3 "
                             "sent). Upload again; files not sent keep their marks.")
                  .arg(files.size())
                  .arg(size + 1)
                  .arg(size));
    expectLiveUntouched();
    EXPECT_EQ(hiddenLeftOvers(folders.serverRoot.path()), QStringList());

    // Uploaded straight, the file is checked after it has replaced the live
    // one: still reported, so that its mark stays.
    const JobRun direct = upload(options, QStringLiteral("1"), QStringLiteral("1"));
    EXPECT_EQ(direct.failed, files);
    // Without the check (the default) the server's word is taken.
    const JobRun unchecked = upload(options);
    EXPECT_EQ(unchecked.result, QStringLiteral("Successful upload of all files"));
    expectAllNew();
}

TEST_F(LiveSiteTest, LeftOverTemporaryFilesAreReplaced) {
    const QString leftOver = folders.serverPath("www/sub0/.page0.html.morvane-upload");
    writeFile(leftOver, "cut off by a kill");
    const JobRun run = upload({});
    EXPECT_EQ(run.result, QStringLiteral("Successful upload of all files"));
    expectAllNew();
    EXPECT_FALSE(QFileInfo::exists(leftOver));
    EXPECT_EQ(hiddenLeftOvers(folders.serverRoot.path()), QStringList());
}

TEST_F(LiveSiteTest, ProxyVariablesNeverCarryTheUpload) {
    // A proxy that is not there: an upload sent to it would fail.
    const QByteArray proxy = "http://127.0.0.1:9";
    const char* names[] = {"all_proxy", "ALL_PROXY", "ftp_proxy", "FTP_PROXY"};
    for (const char* name : names)
        qputenv(name, proxy);
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");
    // "127.1" is this machine without a name that marks it as local, as a
    // distant server would be.
    const JobRun run = upload({}, QString(), QString(), QStringLiteral("127.1"));
    for (const char* name : names)
        qunsetenv(name);
    EXPECT_EQ(run.result, QStringLiteral("Successful upload of all files"));
    expectAllNew();
}

TEST(FtpDeadline, ListingThatTricklesInEndsWithinTheReplyTimeout) {
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.trickleListingMs = 300; // a line every 0.3 s, without end
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    auto job = TransferJob::makeConnectionTest(ftpSite(server));
    job->setReplyTimeout(2);
    // Without an overall limit the test would run for ever; the deadline
    // leaves ample room for a loaded machine.
    const JobRun run = runJob(*job, std::chrono::seconds(40));
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.result.startsWith(
        QStringLiteral("ERROR: The server stopped answering (no reply in time). Try again later")))
        << qPrintable(run.result);
}
