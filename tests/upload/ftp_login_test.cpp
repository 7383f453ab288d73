// Logins the server turns away: a wrong password costs one failed login and
// ends the job at once; a server that demands encryption says so; a
// per-address limit, answered with 530 the way proftpd does or with 421,
// still lets every file arrive.
#include "ftp_support.h"

#include "testenv.h"
#include "transfer/ftperror.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <iostream>

using namespace morvane;
using namespace morvane::test;

namespace {

QStringList makeSite(const FtpFixtureFolders& folders, int count, int folderCount) {
    QStringList files;
    for (int i = 0; i < count; ++i)
        files << folders.addFile(QStringLiteral("f%1/page%2.html").arg(i % folderCount).arg(i),
                                 QByteArray::number(i).repeated(1 + i * 13 % 700));
    return files;
}

// The logins the server saw: "ok", "failed", "refused" (cleartext or over
// the limit).
int logins(const QString& log, const QByteArray& outcome) {
    return int(readFile(log).split('\n').count(outcome));
}

// The same once the server has written at least `atLeast` of them: it logs a
// refused login after sending its reply, so a job can end before the line is
// there.
int loginsOnceLogged(const QString& log, const QByteArray& outcome, int atLeast) {
    waitUntil([&] { return logins(log, outcome) >= atLeast; }, std::chrono::seconds(5));
    return logins(log, outcome);
}

// Every file on the server under the root, hidden ones included.
QStringList serverFiles(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    return out;
}

class LoginTest : public ::testing::Test {
protected:
    bool startServer(FtpServerOptions options) {
        options.loginLog = log();
        return server.start(folders.serverRoot.path(), options);
    }
    QString log() const {
        return folders.serverRoot.path() + QStringLiteral("/../logins-") +
               QFileInfo(folders.serverRoot.path()).fileName();
    }
    void TearDown() override { QFile::remove(log()); }
    FtpFixtureFolders folders;
    FtpServer server;
};

} // namespace

TEST_F(LoginTest, WrongPasswordCostsOneFailedLoginAndEndsTheJob) {
    ASSERT_TRUE(startServer({}));
    const QStringList files = makeSite(folders, 60, 12);
    for (const QString& connections : {QString(), QStringLiteral("8")}) {
        SCOPED_TRACE(connections.toStdString());
        QFile::remove(log());
        Site site = ftpSite(server, QStringLiteral("/www/site"), QStringLiteral("user"),
                            QStringLiteral("wrong"));
        site.setValue(ftpsitekey::maxConnections, connections);
        auto job = TransferJob::makeUpload(site, folders.site.path(), files);
        QElapsedTimer clock;
        clock.start();
        const JobRun run = runJob(*job);
        std::cout << "[ time     ] wrong password, " << files.size()
                  << " files: " << clock.elapsed() << " ms\n";
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.finishedSignals, 1);
        // Every file failed for the one reason: counted, with that reason.
        EXPECT_EQ(run.result, QStringLiteral("Error uploading %1 of %1 files: User Name and/or "
                                             "Password is wrong. Server reply: \"530 "
                                             "Authentication failed.\" Check the user name and "
                                             "password in Site Properties.")
                                  .arg(files.size()));
        EXPECT_EQ(run.failed, files);
        EXPECT_EQ(loginsOnceLogged(log(), "failed", 1), 1);
        EXPECT_EQ(logins(log(), "ok"), 0);
        EXPECT_TRUE(serverFiles(folders.serverRoot.path()).isEmpty());
    }
    // The connection test likewise.
    QFile::remove(log());
    auto test = TransferJob::makeConnectionTest(
        ftpSite(server, {}, QStringLiteral("user"), QStringLiteral("wrong")));
    EXPECT_TRUE(runJob(*test).result.startsWith(
        QStringLiteral("ERROR: User Name and/or Password is wrong")));
    EXPECT_EQ(loginsOnceLogged(log(), "failed", 1), 1);
}

TEST_F(LoginTest, ServersDemandingEncryptionSaySo) {
    // vsftpd answers the user name with 530, pure-ftpd with a 421 and a
    // closed connection; neither judged the password.
    const QStringList replies{
        QStringLiteral("530 Non-anonymous sessions must use encryption."),
        QStringLiteral("421 Sorry, cleartext sessions and weak ciphers are not accepted on this "
                       "server. Please reconnect using TLS security mechanisms.")};
    const QStringList kinds{QStringLiteral("vsftpd"), QStringLiteral("pureftpd")};
    const QStringList files = makeSite(folders, 20, 4);
    for (int k = 0; k < kinds.size(); ++k) {
        SCOPED_TRACE(kinds[k].toStdString());
        FtpServerOptions options;
        options.requireTls = kinds[k];
        ASSERT_TRUE(startServer(options));
        const QString expected =
            kSecureConnectionMessage() + QStringLiteral(" Server reply: \"%1\"").arg(replies[k]);
        auto job = TransferJob::makeUpload(ftpSite(server, "/www"), folders.site.path(), files);
        const JobRun run = runJob(*job);
        EXPECT_EQ(
            run.result,
            QStringLiteral("Error uploading %1 of %1 files: %2").arg(files.size()).arg(expected));
        EXPECT_EQ(run.failed, files);
        auto test = TransferJob::makeConnectionTest(ftpSite(server));
        EXPECT_EQ(runJob(*test).result, QStringLiteral("ERROR: ") + expected);
        EXPECT_EQ(loginsOnceLogged(log(), "refused", 2), 2); // one per job
        QFile::remove(log());
        server.stop();
    }
}

TEST_F(LoginTest, EveryFileArrivesWhateverThePerAddressLimit) {
    const QStringList files = makeSite(folders, 120, 6);
    struct Case {
        int proftpdLimit;       // 530 beyond it, as proftpd answers
        int maxConnsPerAddress; // 421 beyond it
        const char* connections;
    } cases[] = {{1, 0, ""}, {1, 0, "8"}, {2, 0, ""}, {2, 0, "8"}, {0, 1, ""}, {0, 2, "8"}};
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "530 limit " << c.proftpdLimit << ", 421 limit " << c.maxConnsPerAddress
                     << ", connections '" << c.connections << "'");
        FtpServerOptions options;
        options.proftpdLimit = c.proftpdLimit;
        options.maxConnectionsPerAddress = c.maxConnsPerAddress;
        ASSERT_TRUE(startServer(options));
        const QString folder = QStringLiteral("www%1").arg(run++);
        Site site = ftpSite(server, '/' + folder);
        site.setValue(ftpsitekey::maxConnections, QString::fromLatin1(c.connections));
        auto job = TransferJob::makeUpload(site, folders.site.path(), files);
        const JobRun result = runJob(*job);
        EXPECT_EQ(result.result, QStringLiteral("Successful upload of all files"));
        EXPECT_EQ(result.uploaded, files);
        for (const QString& f : files)
            ASSERT_EQ(readFile(folders.serverPath(folder + '/' + f)),
                      readFile(folders.localPath(f)))
                << qPrintable(f);
        if (c.proftpdLimit > 0) {
            EXPECT_GT(loginsOnceLogged(log(), "refused", 1), 0); // the limit was really met
        }
        EXPECT_EQ(logins(log(), "failed"), 0);
        // Nothing half-done is left behind.
        for (const QString& f : serverFiles(folders.serverPath(folder)))
            EXPECT_FALSE(f.contains(QStringLiteral(".morvane-upload"))) << qPrintable(f);
        QFile::remove(log());
        server.stop();
    }
}
