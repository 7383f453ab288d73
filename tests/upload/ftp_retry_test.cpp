// Failures that may pass (426 after the data, a dropped connection) run
// again a few times after a short pause; failures that will not (a full
// disk) never do. Either way a file counts as uploaded only once the server
// confirmed it, and no temporary file stays behind.
#include "ftp_support.h"

#include "testenv.h"

#include <QDir>
#include <QDirIterator>
#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <memory>

using namespace morvane;
using namespace morvane::test;

namespace {

class FtpRetryTest : public ::testing::Test {
protected:
    // A new server folder and site for the next case of a table.
    void fresh() {
        server.stop();
        folders = std::make_unique<FtpFixtureFolders>();
    }
    QStringList makeFiles(int count) {
        QStringList files;
        for (int i = 0; i < count; ++i)
            files << folders->addFile(QStringLiteral("d%1/page%2.html").arg(i % 3).arg(i),
                                      QByteArray("<p>") + QByteArray::number(i).repeated(300));
        return files;
    }
    bool start(FtpServerOptions options) {
        options.commandLog = logs.filePath(QStringLiteral("commands-%1.log").arg(++m_runs));
        m_commandLog = options.commandLog;
        return server.start(folders->serverRoot.path(), options);
    }
    JobRun upload(const QStringList& files) {
        Site site = ftpSite(server, QStringLiteral("/www"));
        site.setValue(ftpsitekey::maxConnections, QStringLiteral("3"));
        auto job = TransferJob::makeUpload(site, folders->site.path(), files);
        return runJob(*job, std::chrono::minutes(2));
    }
    int stores() const {
        return int(QString::fromLatin1(readFile(m_commandLog))
                       .split('\n', Qt::SkipEmptyParts)
                       .count(QStringLiteral("STOR")));
    }
    // The names on the server that are not the files themselves.
    QStringList leftovers(const QStringList& files) const {
        QStringList out;
        QDirIterator it(folders->serverRoot.path(), QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString rel = QDir(folders->serverRoot.path()).relativeFilePath(it.next());
            if (!files.contains(rel.mid(4)))
                out << rel;
        }
        return out;
    }
    QTemporaryDir logs;
    std::unique_ptr<FtpFixtureFolders> folders = std::make_unique<FtpFixtureFolders>();
    FtpServer server;
    QString m_commandLog;
    int m_runs = 0;
};

struct PassingFault {
    const char* name;
    bool abort; // 426 after the data; otherwise the connections drop
};

} // namespace

TEST_F(FtpRetryTest, PassingFailuresRunAgainUntilTheServerConfirms) {
    for (const PassingFault fault : {PassingFault{"426", true}, PassingFault{"dropped", false}}) {
        SCOPED_TRACE(fault.name);
        fresh();
        FtpServerOptions options;
        // Each of these fails twice, then gets through.
        (fault.abort ? options.abortNames : options.dropNames) =
            QStringList{QStringLiteral("page2.html"), QStringLiteral("page7.html")};
        options.faultTimes = 2;
        ASSERT_TRUE(start(options));
        const QStringList files = makeFiles(12);
        const JobRun run = upload(files);
        EXPECT_TRUE(run.succeeded) << qPrintable(run.result);
        EXPECT_EQ(run.uploaded.size(), 12);
        for (const QString& f : files)
            EXPECT_EQ(readFile(folders->serverPath("www/" + f)), readFile(folders->localPath(f)))
                << qPrintable(f);
        EXPECT_EQ(stores(), 12 + 2 * 2);
        EXPECT_EQ(leftovers(files), QStringList());
    }
}

TEST_F(FtpRetryTest, AFailureThatPersistsIsTriedAFewTimesThenReported) {
    FtpServerOptions options;
    options.abortNames = QStringList{QStringLiteral("page4.html")};
    options.faultTimes = 1000;
    ASSERT_TRUE(start(options));
    const QStringList files = makeFiles(6);
    const JobRun run = upload(files);
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(run.failed, QStringList{QStringLiteral("d1/page4.html")});
    EXPECT_TRUE(run.result.contains(QStringLiteral("426"))) << qPrintable(run.result);
    // The first try and three more.
    EXPECT_EQ(stores(), 6 + 3);
    // Its mark stays, and its temporary file is gone.
    EXPECT_FALSE(run.uploaded.contains(QStringLiteral("d1/page4.html")));
    EXPECT_EQ(leftovers(files), QStringList());
}

// A full disk is not a passing failure: each file is tried once, and the
// refused folder creation (it exists) is not named as a cause.
TEST_F(FtpRetryTest, FullDiskIsNeverTriedAgain) {
    for (int code : {452, 552}) {
        SCOPED_TRACE(code);
        fresh();
        ASSERT_TRUE(QDir().mkpath(folders->serverPath("www/d0")));
        FtpServerOptions options;
        options.fullAfter = 100;
        options.fullCode = code;
        ASSERT_TRUE(start(options));
        const QStringList files = makeFiles(4);
        const JobRun run = upload(files);
        EXPECT_FALSE(run.succeeded);
        EXPECT_EQ(run.failed.size(), 4);
        EXPECT_EQ(stores(), 4);
        EXPECT_FALSE(run.result.contains(QStringLiteral("Creating the folder")))
            << qPrintable(run.result);
        EXPECT_EQ(leftovers(files), QStringList());
    }
}

// A cancel while a store waits to run again: the part the server kept under
// the temporary name goes too. The cancel comes the moment the job says (in
// its log) that the store will run again.
TEST_F(FtpRetryTest, CancelWhileAStoreWaitsToRunAgainRemovesItsTemporaryFile) {
    FtpServerOptions options;
    options.abortNames = QStringList{QStringLiteral("page0.html")};
    options.faultTimes = 1000;
    ASSERT_TRUE(start(options));
    const QStringList files = makeFiles(1);
    Site site = ftpSite(server, QStringLiteral("/www"));
    auto job = TransferJob::makeUpload(site, folders->site.path(), files);
    bool finished = false;
    QObject::connect(job.get(), &TransferJob::finished, [&] { finished = true; });

    static bool waiting = false;
    waiting = false;
    QLoggingCategory::setFilterRules(QStringLiteral("morvane.ftp.info=true"));
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            if (text.startsWith(QLatin1String("Trying ")))
                waiting = true;
        });
    job->start();
    const bool sawWait = waitUntil([&] { return waiting; }, std::chrono::seconds(30));
    const bool partLeft = !leftovers(files).isEmpty();
    job->cancel();
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_TRUE(sawWait);
    EXPECT_TRUE(partLeft); // the server kept what it had before its 426
    ASSERT_TRUE(waitUntil([&] { return finished; }, std::chrono::seconds(30)));
    EXPECT_FALSE(job->succeeded());
    EXPECT_EQ(stores(), 1);
    EXPECT_EQ(leftovers(files), QStringList());
}
