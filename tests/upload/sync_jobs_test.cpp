// The walk and the download against a real server, as the server sees
// them: the commands a download sends (no round trip it can avoid), and the
// connections a walk hands to the download that follows it.
#include "ftpserver.h"
#include "testenv.h"
#include "transfer/downloadjob.h"
#include "transfer/runtoend.h"
#include "transfer/serverwalk.h"
#include "transfer/transferjob.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace morvane;
using morvane::test::FtpServer;
using morvane::test::FtpServerOptions;
using morvane::test::readFile;
using morvane::test::writeFile;

namespace {

std::map<QString, int> commandsIn(const QString& log) {
    std::map<QString, int> counts;
    for (const QByteArray& line : readFile(log).split('\n')) {
        if (!line.trimmed().isEmpty())
            ++counts[QString::fromLatin1(line.trimmed())];
    }
    return counts;
}

Site siteFor(const FtpServer& server, const QString& folder, int connections) {
    Site s;
    s.setValue(sitekey::server, server.address());
    s.setValue(sitekey::serverfolder, folder);
    s.setValue(sitekey::username, "user");
    s.setValue(sitekey::password, "secret");
    s.setValue(ftpsitekey::maxConnections, QString::number(connections));
    return s;
}

} // namespace

// Every file is fetched with its whole path on a connection kept from the
// walk: one RETR and one data connection each, never a CWD, SIZE or MDTM,
// a login, PWD and TYPE only per connection, and the files arrive whole.
TEST(SyncJobs, DownloadSendsNoRoundTripItCanAvoid) {
    struct Case {
        const char* name;
        int folders;
        int filesPerFolder;
        int connections;
        bool keepWalkConnections;
    };
    const Case cases[] = {
        {"one folder, one connection", 1, 12, 1, true},
        {"one folder, four connections", 1, 24, 4, true},
        {"three folders, four connections", 3, 8, 4, true},
        {"three folders, own logins", 3, 8, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        const int files = c.folders * c.filesPerFolder;
        for (int i = 0; i < files; ++i)
            ASSERT_TRUE(writeFile(
                root.path() + QStringLiteral("/server/www/f%1/p%2.html").arg(i % c.folders).arg(i),
                QByteArray(3000 + i, char('a' + i % 26))));
        FtpServer server;
        FtpServerOptions options;
        options.threaded = true;
        options.commandLog = root.path() + "/commands.log";
        ASSERT_TRUE(server.start(root.path() + "/server", options))
            << server.errorString().toStdString();
        const Site site = siteFor(server, "/www", c.connections);

        ServerWalk walk(site, Exclusions::forSite(site));
        runToEnd(walk);
        ASSERT_TRUE(walk.succeeded()) << walk.errorText().toStdString();
        ASSERT_EQ(walk.files().size(), files);
        QList<DownloadJob::File> wanted;
        for (auto it = walk.files().cbegin(); it != walk.files().cend(); ++it)
            wanted.append({it.key(), it.value()});
        const QString local = root.path() + "/web";
        ASSERT_TRUE(QDir().mkpath(local));
        DownloadJob job(site, local, wanted);
        if (c.keepWalkConnections)
            job.useConnections(walk.takeConnections());
        runToEnd(job);
        ASSERT_TRUE(job.succeeded()) << job.resultText().toStdString();
        for (const DownloadJob::File& f : wanted)
            EXPECT_EQ(readFile(local + '/' + f.path),
                      readFile(root.path() + "/server/www/" + f.path))
                << f.path.toStdString();

        std::map<QString, int> seen = commandsIn(options.commandLog);
        const int listings = c.folders + 1;
        const int logins = seen["USER"];
        EXPECT_EQ(seen["RETR"], files);
        EXPECT_EQ(seen["EPSV"] + seen["PASV"], files + listings) << "a data connection each";
        for (const char* avoidable : {"CWD", "SIZE", "MDTM", "REST"})
            EXPECT_EQ(seen[avoidable], 0) << avoidable;
        EXPECT_LE(logins, c.keepWalkConnections ? c.connections : 2 * c.connections);
        EXPECT_EQ(seen["PWD"], logins) << "once per connection";
        EXPECT_LE(seen["TYPE"], 2 * logins) << "ASCII for listings, binary for files";
    }
}

// Only a walk that succeeded hands its connections on; a download given
// none logs in on its own and fetches just the same.
TEST(SyncJobs, OnlyAWalkThatSucceededHandsOnItsConnections) {
    struct Case {
        const char* name;
        const char* serverFolder;
        const char* password;
        bool walkSucceeds;
    };
    const Case cases[] = {
        {"walk succeeded", "/www", "secret", true},
        {"folder missing", "/nowhere", "secret", false},
        {"login refused", "/www", "wrong", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        ASSERT_TRUE(writeFile(root.path() + "/server/www/a.html", "server copy"));
        FtpServer server;
        FtpServerOptions options;
        options.authFailedDelayMs = 0;
        options.loginLog = root.path() + "/logins.log";
        ASSERT_TRUE(server.start(root.path() + "/server", options))
            << server.errorString().toStdString();
        Site walked = siteFor(server, c.serverFolder, 2);
        walked.setValue(sitekey::password, c.password);
        ServerWalk walk(walked, Exclusions::forSite(walked));
        runToEnd(walk);
        EXPECT_EQ(walk.succeeded(), c.walkSucceeds) << walk.errorText().toStdString();
        const std::shared_ptr<KeptConnections> kept = walk.takeConnections();
        EXPECT_EQ(kept != nullptr, c.walkSucceeds);
        EXPECT_EQ(walk.takeConnections(), nullptr) << "handed on once";

        const QString logBefore = QString::fromLatin1(readFile(options.loginLog));
        const Site site = siteFor(server, "/www", 2);
        ServerEntry entry;
        entry.name = "a.html";
        entry.size = 11;
        ASSERT_TRUE(QDir().mkpath(root.path() + "/web"));
        DownloadJob job(site, root.path() + "/web", {{"a.html", entry}});
        job.useConnections(kept);
        runToEnd(job);
        ASSERT_TRUE(job.succeeded()) << job.resultText().toStdString();
        EXPECT_EQ(readFile(root.path() + "/web/a.html"), "server copy");
        const QString logAfter = QString::fromLatin1(readFile(options.loginLog));
        EXPECT_EQ(logAfter.count("ok") - logBefore.count("ok"), c.walkSucceeds ? 0 : 1)
            << "a login of its own only without the walk's connections";
    }
}

// A file that can't be written here fails with what is wrong here, in the
// words of writing: never the upload's "can't read the local file".
TEST(SyncJobs, AFileThatCantBeWrittenHereSaysWhy) {
    struct Case {
        const char* name;
        const char* blocker; // a file put in the way, or ""
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"a file where a folder must be", "f", "f/a.html", "is a file here, not a folder"},
        {"the site folder is gone", "", "a.html", "The local file can't be written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        QString local = root.path() + "/web";
        if (*c.blocker)
            ASSERT_TRUE(writeFile(local + '/' + c.blocker, "mine"));
        else
            local = root.path() + "/gone";
        Site site;
        site.setValue(sitekey::server, "127.0.0.1:1"); // never reached: nothing is fetched
        site.setValue(sitekey::username, "user");
        site.setValue(sitekey::password, "secret");
        ServerEntry entry;
        entry.size = 4;
        DownloadJob job(site, local, {{c.path, entry}});
        runToEnd(job);
        EXPECT_FALSE(job.succeeded());
        const QString why = job.failureOf(c.path);
        EXPECT_TRUE(why.contains(c.expected)) << why.toStdString();
        EXPECT_FALSE(why.contains("read")) << why.toStdString();
        EXPECT_EQ(job.resultText(),
                  QStringLiteral("Error downloading \"%1\": %2").arg(c.path, why));
    }
}
