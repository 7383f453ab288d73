// Servers that misbehave: refusals, dropped connections, slow replies and
// per-address connection limits. Whatever happens, every file on the server
// is byte-identical to its local file or reported failed, and the job ends.
#include "ftp_support.h"

#include "testenv.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

QStringList makeFiles(const FtpFixtureFolders& folders, int count, int folderCount) {
    QStringList files;
    for (int i = 0; i < count; ++i) {
        QByteArray bytes = QByteArray::number(i).repeated(1 + (i * 37) % 900);
        if (i % 50 == 0)
            bytes.clear(); // some empty files
        files << folders.addFile(QStringLiteral("d%1/sub/file%2.txt").arg(i % folderCount).arg(i),
                                 bytes);
    }
    return files;
}

// Each reported upload is on the server byte for byte; every file is either
// reported uploaded or reported failed, never both.
void expectHonestReport(const FtpFixtureFolders& folders, const QString& serverFolder,
                        const QStringList& files, const JobRun& run) {
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.finishedSignals, 1);
    const QSet<QString> uploaded(run.uploaded.begin(), run.uploaded.end());
    const QSet<QString> failed(run.failed.begin(), run.failed.end());
    EXPECT_FALSE(uploaded.intersects(failed));
    EXPECT_EQ(uploaded.size() + failed.size(), files.size());
    for (const QString& f : run.uploaded) {
        const QString remote = folders.serverPath(serverFolder + '/' + f);
        ASSERT_TRUE(QFileInfo::exists(remote)) << qPrintable(f);
        EXPECT_EQ(readFile(remote), readFile(folders.localPath(f))) << qPrintable(f);
    }
    EXPECT_EQ(run.succeeded, failed.isEmpty());
}

JobRun uploadAll(const FtpServer& server, const FtpFixtureFolders& folders,
                 const QStringList& files, const QString& serverFolder,
                 const QString& maxConnections = QString()) {
    Site site = ftpSite(server, serverFolder);
    if (!maxConnections.isEmpty())
        site.setValue(QStringLiteral("maxconnections"), maxConnections);
    auto job = TransferJob::makeUpload(site, folders.site.path(), files);
    return runJob(*job, std::chrono::minutes(5));
}

} // namespace

TEST(FtpFaults, RefusedEveryKthStoreAcross500Files) {
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.refuseEvery = 7;
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    const QStringList files = makeFiles(folders, 500, 10);
    const JobRun run = uploadAll(server, folders, files, "www");
    expectHonestReport(folders, "www", files, run);
    EXPECT_EQ(run.failed.size(), 500 / 7);
    // Counted, with the reason they share and the server's words.
    EXPECT_TRUE(run.result.startsWith(QStringLiteral("Error uploading %1 of 500 files: The server "
                                                     "failed while handling the file. Server "
                                                     "reply: \"451 Injected failure.\"")
                                          .arg(500 / 7)))
        << qPrintable(run.result);
}

TEST(FtpFaults, DroppedConnectionsEveryKthStoreAcross500Files) {
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.dropEvery = 9;
    // Three files lose their connection every time; the others now and
    // then, and get through when they run again.
    options.dropNames = QStringList{"file13.txt", "file205.txt", "file377.txt"};
    options.faultTimes = 1000;
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    const QStringList files = makeFiles(folders, 500, 10);
    const JobRun run = uploadAll(server, folders, files, "/www/site");
    expectHonestReport(folders, "www/site", files, run);
    EXPECT_FALSE(run.failed.isEmpty());
    EXPECT_FALSE(run.succeeded);
    for (const char* path : {"d3/sub/file13.txt", "d5/sub/file205.txt", "d7/sub/file377.txt"})
        EXPECT_TRUE(run.failed.contains(QLatin1String(path))) << path;
    EXPECT_LT(run.failed.size(), 10) << qPrintable(run.failed.join(' '));

    // The failures stay reported: a second run sends just those again and
    // then everything is there.
    FtpServer calm;
    ASSERT_TRUE(calm.start(folders.serverRoot.path()));
    const JobRun retry = uploadAll(calm, folders, run.failed, "/www/site");
    EXPECT_TRUE(retry.succeeded) << qPrintable(retry.result);
    for (const QString& f : files)
        EXPECT_EQ(readFile(folders.serverPath("www/site/" + f)), readFile(folders.localPath(f)));
}

TEST(FtpFaults, SlowRepliesStillComplete) {
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.slowEvery = 3;
    options.slowMs = 400;
    options.delayMs = 5;
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    const QStringList files = makeFiles(folders, 40, 4);
    const JobRun run = uploadAll(server, folders, files, "/");
    expectHonestReport(folders, "", files, run);
    EXPECT_TRUE(run.succeeded) << qPrintable(run.result);
}

TEST(FtpFaults, ServerAllowingTwoConnectionsReceivesEveryFile) {
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.maxConnectionsPerAddress = 2;
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    const QStringList files = makeFiles(folders, 120, 6);
    for (const QString& limit : {QString(), QStringLiteral("8")}) {
        SCOPED_TRACE(limit.toStdString());
        const JobRun run = uploadAll(server, folders, files, "/www" + limit, limit);
        expectHonestReport(folders, "www" + limit, files, run);
        EXPECT_TRUE(run.succeeded) << qPrintable(run.result);
    }
}

TEST(FtpFaults, ServerAllowingTwoConnectionsWithSlowReplies) {
    // The refusals arrive while other transfers are still busy.
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.maxConnectionsPerAddress = 2;
    options.delayMs = 10;
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    const QStringList files = makeFiles(folders, 40, 4);
    const JobRun run = uploadAll(server, folders, files, "/", QStringLiteral("6"));
    expectHonestReport(folders, "", files, run);
    EXPECT_TRUE(run.succeeded) << qPrintable(run.result);
}

TEST(FtpFaults, ServerThatNeverConfirmsAStoreDoesNotHoldTheJob) {
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.muteEvery = 4;
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    const QStringList files = makeFiles(folders, 20, 2);
    auto job = TransferJob::makeUpload(ftpSite(server, "/"), folders.site.path(), files);
    job->setReplyTimeout(2);
    // The silent server holds the job for a few reply timeouts. A wait that
    // ignores the job's timeout lasts a minute (the default), so a deadline
    // well below that tells the two apart even on a loaded machine.
    const JobRun run = runJob(*job, std::chrono::seconds(40));
    expectHonestReport(folders, "", files, run);
    EXPECT_EQ(run.failed.size(), 5);
    EXPECT_TRUE(
        run.result.contains(QStringLiteral("The server stopped answering (no reply in time)")))
        << qPrintable(run.result);
}

TEST(FtpFaults, ServerSlowerThanTheReplyTimeoutFailsWithinIt) {
    // Each reply comes after 4 s; a job told to wait 2 s gives up on the
    // first one instead of crawling through the whole exchange.
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.delayMs = 4000;
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    auto job = TransferJob::makeConnectionTest(ftpSite(server));
    job->setReplyTimeout(2);
    const JobRun run = runJob(*job, std::chrono::seconds(40));
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.succeeded);
    EXPECT_TRUE(run.result.startsWith(QStringLiteral("ERROR: ")));
    EXPECT_TRUE(
        run.result.contains(QStringLiteral("The server stopped answering (no reply in time)")))
        << qPrintable(run.result);
}

TEST(FtpFaults, SlowButSteadyServerIsNotCutOff) {
    // Every reply takes 0.7 s, well within a 2 s reply timeout, though a
    // login with a folder request or a rename takes several replies.
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.delayMs = 700;
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    const QStringList files = makeFiles(folders, 3, 1);
    auto job = TransferJob::makeUpload(ftpSite(server, "/www"), folders.site.path(), files);
    job->setReplyTimeout(2);
    const JobRun run = runJob(*job, std::chrono::minutes(2));
    expectHonestReport(folders, "www", files, run);
    EXPECT_TRUE(run.succeeded) << qPrintable(run.result);
    auto test = TransferJob::makeConnectionTest(ftpSite(server));
    test->setReplyTimeout(2);
    EXPECT_EQ(runJob(*test).result, QStringLiteral("Successful connection"));
}
