// An upload killed at any point never changes a live file: every page on
// the server is always one whole version of it, old or new. A helper
// process uploads new versions of a site and is killed with SIGKILL at
// random points in 50 runs; a last run then completes and leaves exactly
// the newest version and no temporary file behind.
#include "ftp_support.h"

#include "testenv.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <curl/curlver.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace morvane;
using namespace morvane::test;

namespace {

constexpr int kFiles = 16;
constexpr int kKilledRuns = 50;

unsigned seed() {
    if (const char* s = std::getenv("MORVANE_KILL_SEED"))
        return unsigned(std::strtoul(s, nullptr, 10));
    return 20261208u;
}

QString fileName(int i) {
    return QStringLiteral("d%1/page%2.html").arg(i % 3).arg(i);
}

// Version `v` of file `i`: its own length, recognisable at every position,
// so that any cut or mixture matches no version.
QByteArray version(int v, int i) {
    const qsizetype size = (20 + i * 23) * 1024 + v * 97;
    QByteArray b;
    b.reserve(size + 32);
    for (int n = 0; b.size() < size; ++n)
        b += 'v' + QByteArray::number(v) + ':' + QByteArray::number(n) + '\n';
    b.truncate(size);
    return b;
}

// The version a server file holds, or -1 when it is no whole version.
int versionOf(const QByteArray& bytes, int i, int newest) {
    if (!bytes.startsWith('v'))
        return -1;
    const int v = bytes.mid(1, bytes.indexOf(':') - 1).toInt();
    return v >= 0 && v <= newest && bytes == version(v, i) ? v : -1;
}

} // namespace

TEST(FtpKill, KilledUploadsNeverBreakALivePage) {
    FtpFixtureFolders folders;
    FtpServer server;
    ASSERT_TRUE(server.start(folders.serverRoot.path()));
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(writeFile(folders.serverPath("www/" + fileName(i)), version(0, i)));

    std::mt19937 random(seed());
    int killedMidway = 0; // runs that left at least one temporary file
    for (int run = 1; run <= kKilledRuns; ++run) {
        SCOPED_TRACE(testing::Message() << "run " << run << ", seed " << seed());
        for (int i = 0; i < kFiles; ++i)
            ASSERT_TRUE(writeFile(folders.localPath(fileName(i)), version(run, i)));
        QProcess child;
        child.start(QStringLiteral(FTP_KILL_CHILD),
                    {server.address(), QStringLiteral("/www"), folders.site.path()});
        ASSERT_TRUE(child.waitForStarted());
        // Kill once this many status lines have come (the first is
        // "Initializing FTP"), or as soon as the child starts.
        const int lines = int(random() % (kFiles / 2 + 2));
        QByteArray out;
        waitUntil([&] {
            out += child.readAllStandardOutput();
            return out.count('\n') >= lines || child.state() == QProcess::NotRunning;
        });
        if (child.state() != QProcess::NotRunning) { // it may have finished first
            child.kill();
            ASSERT_TRUE(child.waitForFinished(10000));
        }

        for (int i = 0; i < kFiles; ++i) {
            const QByteArray live = readFile(folders.serverPath("www/" + fileName(i)));
            EXPECT_GE(versionOf(live, i, run), 0)
                << qPrintable(fileName(i)) << " holds " << live.size() << " bytes of no version";
        }
        if (!temporaryFiles(folders.serverRoot.path()).isEmpty())
            ++killedMidway;
    }
    // The kills did land in the middle of transfers.
    EXPECT_GT(killedMidway, 0);

    const int last = kKilledRuns + 1;
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(writeFile(folders.localPath(fileName(i)), version(last, i)));
    QProcess child;
    child.start(QStringLiteral(FTP_KILL_CHILD),
                {server.address(), QStringLiteral("/www"), folders.site.path()});
    ASSERT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    for (int i = 0; i < kFiles; ++i)
        EXPECT_EQ(versionOf(readFile(folders.serverPath("www/" + fileName(i))), i, last), last);
    EXPECT_EQ(temporaryFiles(folders.serverRoot.path()), QStringList());
}

TEST(FtpLibcurl, OlderLibcurlThanTheBuildsIsRefusedWithAReason) {
    FtpFixtureFolders folders;
    folders.addFile("index.html", "<p>");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(FAKE_OLD_CURL_DIR));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(FTP_KILL_CHILD),
                {QStringLiteral("127.0.0.1:9"), QStringLiteral("/"), folders.site.path()});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("ERROR: Can't initiate FTP. libcurl 7.50.0 is older "
                                            "than " LIBCURL_VERSION)))
        << qPrintable(out);
}
