// A command-line upload killed at random points resumes where it stopped:
// after each kill the record holds every file the server has not confirmed
// (a confirmed file may still be listed, never an unconfirmed one missing),
// the record is never torn, and a last run completes the upload.
#include "core/paths.h"
#include "core/sitestore.h"
#include "ftpserver.h"
#include "qtprinters.h"
#include "testenv.h"
#include "upload/needinguploadrecord.h"
#include "upload/uploadmarks.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace morvane;
using morvane::test::FtpServer;
using morvane::test::FtpServerOptions;
using morvane::test::readFile;
using morvane::test::waitUntil;
using morvane::test::writeFile;

namespace {

constexpr int kFiles = 40;
constexpr int kRuns = 55;

class CliKillTest : public ::testing::Test {
protected:
    void SetUp() override {
        morvane::test::resetUserState();
        site = root.path() + "/web";
        QDir().mkpath(root.path() + "/server/www");
        FtpServerOptions options;
        options.delayMs = 4; // long enough to be killed in every phase
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
        sitestore::save(*settings, {s});
        sitestore::setCurrentSiteName(*settings, "Web");
    }
    static QString name(int i) {
        return QStringLiteral("d%1/page%2.html").arg(i % 3).arg(i, 2, 10, QLatin1Char('0'));
    }
    // A new version of every file, each marked; the server keeps the old one.
    void editEverything(int generation) {
        UploadMarks marks(paths::needingUploadPath());
        marks.load();
        for (int i = 0; i < kFiles; ++i) {
            const QByteArray bytes =
                QStringLiteral("version %1 of %2\n").arg(generation).arg(name(i)).toUtf8() +
                QByteArray(2000 + i, 'x');
            ASSERT_TRUE(writeFile(site + "/" + name(i), bytes));
            marks.mark(site + "/" + name(i));
        }
    }
    QString onServer(const QString& rel) const { return root.path() + "/server/www/" + rel; }

    QTemporaryDir root;
    QString site;
    FtpServer server;
};

TEST_F(CliKillTest, KilledUploadsResumeWhereTheyStopped) {
    std::random_device device;
    const unsigned seed = device();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);

    int generation = 1;
    editEverything(generation);
    int killedMidway = 0;
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE(::testing::Message() << "run " << run);
        QProcess child;
        child.start(QStringLiteral(UPLOAD_CLI_CHILD), {"--yes"});
        ASSERT_TRUE(child.waitForStarted(10000)) << child.errorString().toStdString();
        // Kill after a random number of confirmations (0: while it plans or
        // connects).
        const int killAfter = std::uniform_int_distribution<int>(0, kFiles / 2)(random);
        int confirmed = 0;
        ASSERT_TRUE(waitUntil(
            [&] {
                while (child.canReadLine())
                    if (child.readLine().startsWith("Uploaded \""))
                        ++confirmed;
                return confirmed >= killAfter || child.state() == QProcess::NotRunning;
            },
            std::chrono::seconds(60)));
        const bool wasRunning = child.state() != QProcess::NotRunning;
        if (wasRunning) {
            child.kill();
            ASSERT_TRUE(child.waitForFinished(10000));
            ++killedMidway;
        } else {
            // It finished before the kill: then it must have finished well.
            EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
        }

        NeedingUploadRecord record(paths::needingUploadPath());
        ASSERT_EQ(record.load(), NeedingUploadRecord::LoadResult::Loaded);
        int stillMarked = 0;
        for (int i = 0; i < kFiles; ++i) {
            const QString path = site + "/" + name(i);
            if (record.contains(path)) {
                ++stillMarked;
                continue;
            }
            // Unmarked: the server must hold exactly this version.
            EXPECT_EQ(readFile(onServer(name(i))), readFile(path)) << name(i).toStdString();
        }
        if (stillMarked == 0)
            editEverything(++generation);
    }
    EXPECT_GT(killedMidway, kRuns / 2);

    QProcess last;
    last.start(QStringLiteral(UPLOAD_CLI_CHILD), {"--yes"});
    ASSERT_TRUE(last.waitForFinished(120000));
    EXPECT_EQ(last.exitCode(), 0) << last.readAllStandardOutput().toStdString()
                                  << last.readAllStandardError().toStdString();
    NeedingUploadRecord record(paths::needingUploadPath());
    ASSERT_EQ(record.load(), NeedingUploadRecord::LoadResult::Loaded);
    EXPECT_TRUE(record.paths().isEmpty());
    for (int i = 0; i < kFiles; ++i)
        EXPECT_EQ(readFile(onServer(name(i))), readFile(site + "/" + name(i)));
}

} // namespace
