// The pieces of comparing and downloading that need no server: which names
// are left out, how listing lines are read, which server names are refused,
// when two files count as the same within the server's time precision, and
// where a downloaded file may be written.
#include "core/exclusions.h"
#include "testenv.h"
#include "transfer/downloadjob.h"
#include "transfer/fileoutcomes.h"
#include "transfer/serverlisting.h"
#include "transfer/transferprogress.h"
#include "upload/serverstate.h"
#include "upload/sitecompare.h"
#include "upload/terminalprogress.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace morvane;
using morvane::test::writeFile;

namespace {

QDateTime utc(const char* text) {
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toUTC();
}

} // namespace

TEST(Exclusions, BuiltInAndSitePatterns) {
    struct Case {
        QStringList patterns;
        const char* path;
        bool isFolder;
        bool excluded;
    };
    const Case cases[] = {
        {{}, ".git", true, true},
        {{}, ".git/config", false, true},
        {{}, "sub/.svn/entries", false, true},
        {{}, "a/node_modules/x/index.js", false, true},
        {{}, "img/.DS_Store", false, true},
        {{}, "Thumbs.db", false, true},
        {{}, "index.html~", false, true},
        {{}, ".index.html.swp", false, true},
        {{}, "css/.site.css.morvane-upload", false, true},
        {{}, "index.html", false, false},
        {{}, ".htaccess", false, false},
        {{}, "gitlog.html", false, false},
        // A folder-only name does not leave out a file of that name.
        {{}, "node_modules", false, false},
        {{}, "docs/.git", false, false},
        {{"*.bak"}, "a/b/c.bak", false, true},
        {{"*.bak"}, "a/b/c.bak.html", false, false},
        {{"cache/"}, "cache/page.html", false, true},
        {{"cache/"}, "cache", false, false},
        {{"img/raw"}, "img/raw/a.png", false, true},
        {{"img/raw"}, "old/img/raw/a.png", false, false},
        {{"/drafts"}, "drafts", true, true},
        {{"/drafts"}, "site/drafts", true, false},
        {{"?.txt"}, "a.txt", false, true},
        {{"?.txt"}, "ab.txt", false, false},
        // "*" stops at a folder's end.
        {{"img/*.png"}, "img/sub/a.png", false, false},
        {{"img/*.png"}, "img/a.png", false, true},
    };
    for (const Case& c : cases) {
        const Exclusions ex(c.patterns);
        EXPECT_EQ(ex.excludes(QString::fromUtf8(c.path), c.isFolder), c.excluded)
            << c.path << " with " << c.patterns.join(',').toStdString();
    }
}

TEST(Exclusions, SiteValueIsReadLineByLine) {
    EXPECT_EQ(Exclusions::parse("  *.log \n\n# a comment\r\ncache/\n"),
              (QStringList{"*.log", "cache/"}));
    Site site;
    site.setValue(sitekey::exclude, "*.log\nprivate/");
    const Exclusions ex = Exclusions::forSite(site);
    EXPECT_TRUE(ex.excludes("logs/a.log"));
    EXPECT_TRUE(ex.excludes("private/x.html"));
    EXPECT_TRUE(ex.excludes(".git/HEAD")); // the built-in names stay
    EXPECT_FALSE(ex.excludes("index.html"));
}

TEST(ServerListing, MlsdLines) {
    struct Case {
        const char* line;
        ServerLineKind kind;
        const char* name;
        bool folder;
        bool link;
        qint64 size;
        const char* modified; // "" for none
    };
    const Case cases[] = {
        {"type=file;size=12;modify=20261208044037;perm=r; a b.html", ServerLineKind::Entry,
         "a b.html", false, false, 12, "2026-12-08T04:40:37Z"},
        {"Type=Dir;Modify=20250101000000.123; img", ServerLineKind::Entry, "img", true, false, -1,
         "2025-01-01T00:00:00Z"},
        {"type=cdir;modify=20250101000000; .", ServerLineKind::Skip, "", false, false, -1, ""},
        {"type=pdir; ..", ServerLineKind::Skip, "", false, false, -1, ""},
        {"type=OS.unix=slink:/etc;size=4; etc\r", ServerLineKind::Entry, "etc", false, true, 4, ""},
        {"type=file;size=3;modify=notatime; x", ServerLineKind::Entry, "x", false, false, 3, ""},
        {"type=file;size=3", ServerLineKind::Invalid, "", false, false, -1, ""},
        {"size=3; nameless-type", ServerLineKind::Invalid, "", false, false, -1, ""},
        {"", ServerLineKind::Skip, "", false, false, -1, ""},
    };
    for (const Case& c : cases) {
        ServerEntry e;
        const ServerLineKind kind = parseMlsdLine(QByteArray(c.line), &e);
        EXPECT_EQ(kind, c.kind) << c.line;
        if (kind != ServerLineKind::Entry)
            continue;
        EXPECT_EQ(e.name, QString::fromUtf8(c.name)) << c.line;
        EXPECT_EQ(e.isFolder, c.folder) << c.line;
        EXPECT_EQ(e.isLink, c.link) << c.line;
        EXPECT_EQ(e.size, c.size) << c.line;
        EXPECT_EQ(e.modified, *c.modified ? utc(c.modified) : QDateTime()) << c.line;
        if (*c.modified) {
            EXPECT_EQ(e.precision, 1) << c.line;
        }
    }
}

TEST(ServerListing, LsLinesKnowTheirPrecision) {
    ServerEntry e;
    ASSERT_EQ(parseLsLine("-rw-r--r--   1 u g   1234 Jan 02 2024 old.html", &e, false),
              ServerLineKind::Entry);
    EXPECT_EQ(e.precision, 24 * 3600);
    EXPECT_EQ(e.modified, utc("2024-01-02T00:00:00Z"));
    EXPECT_EQ(e.size, 1234);

    const QDate recent = QDate::currentDate().addDays(-3);
    const QByteArray line = "-rw-r--r--   1 u g   5 " +
                            QLocale::c().toString(recent, "MMM dd").toLatin1() + " 04:40 new.html";
    ASSERT_EQ(parseLsLine(line, &e, false), ServerLineKind::Entry);
    EXPECT_EQ(e.precision, 60);
    EXPECT_EQ(e.modified, QDateTime(recent, QTime(4, 40), Qt::UTC));

    ASSERT_EQ(parseLsLine("lrwxrwxrwx 1 u g 4 Jan 02 2024 up -> ../..", &e, false),
              ServerLineKind::Entry);
    EXPECT_TRUE(e.isLink);
    EXPECT_EQ(e.name, "up");
    ASSERT_EQ(parseLsLine("prw-r--r-- 1 u g 0 Jan 02 2024 fifo", &e, false), ServerLineKind::Entry);
    EXPECT_TRUE(e.isLink) << "a pipe on the server is nothing to fetch";
}

TEST(ServerListing, NamesThatCouldLeaveTheirFolderAreRefused) {
    struct Case {
        QString name;
        bool refused;
    };
    const Case cases[] = {
        {"index.html", false},
        {"a b.html", false},
        {QString::fromUtf8("caf\xc3\xa9.html"), false},
        {"..a", false},
        {".htaccess", false},
        {".", true},
        {"..", true},
        {"", true},
        {"a/b", true},
        {"../etc", true},
        {"a\\b", true},
        {QString("a") + QChar(0) + "b", true},
        {"a\nb", true},
        {"a\rb", true},
        {"evil\x1b[31m", true},
        {QString("x") + QChar(0x85), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(!servername::problem(c.name).isEmpty(), c.refused) << c.name.toStdString();
}

TEST(SiteCompare, TimesCountOnlyBeyondTheServersPrecision) {
    struct Case {
        qint64 localSize;
        const char* local;
        qint64 serverSize;
        const char* server;
        qint64 precision;
        bool same;
    };
    const Case cases[] = {
        {10, "2026-12-08T04:40:37Z", 10, "2026-12-08T04:40:37Z", 1, true},
        {10, "2026-12-08T04:40:38Z", 10, "2026-12-08T04:40:37Z", 1, false},
        {10, "2026-12-08T04:40:36Z", 10, "2026-12-08T04:40:37Z", 1, false},
        {10, "2026-12-08T04:40:37Z", 11, "2026-12-08T04:40:37Z", 1, false},
        // Shown to the minute: 04:40 stands for 04:40:00 to 04:40:59.
        {10, "2026-12-08T04:40:59Z", 10, "2026-12-08T04:40:00Z", 60, true},
        {10, "2026-12-08T04:40:00Z", 10, "2026-12-08T04:40:00Z", 60, true},
        {10, "2026-12-08T04:41:00Z", 10, "2026-12-08T04:40:00Z", 60, false},
        {10, "2026-12-08T04:39:59Z", 10, "2026-12-08T04:40:00Z", 60, false},
        // Shown to the day.
        {10, "2024-01-02T23:59:59Z", 10, "2024-01-02T00:00:00Z", 86400, true},
        {10, "2024-01-03T00:00:00Z", 10, "2024-01-02T00:00:00Z", 86400, false},
        // No time on the server: the size decides.
        {10, "2026-12-08T04:40:37Z", 10, "", 1, true},
        {10, "2026-12-08T04:40:37Z", 9, "", 1, false},
    };
    for (const Case& c : cases) {
        sitecompare::LocalFile local{c.localSize, utc(c.local)};
        ServerEntry server;
        server.size = c.serverSize;
        server.modified = *c.server ? utc(c.server) : QDateTime();
        server.precision = c.precision;
        EXPECT_EQ(sitecompare::sameFile(local, server), c.same)
            << c.local << " vs " << c.server << " at " << c.precision;
    }
}

TEST(SiteCompare, FourStatesInPathOrder) {
    QMap<QString, sitecompare::LocalFile> local;
    QMap<QString, ServerEntry> server;
    const QDateTime t = utc("2026-12-08T04:40:37Z");
    local.insert("a.html", {1, t});
    local.insert("b.html", {1, t});
    local.insert("d.html", {1, t});
    ServerEntry e;
    e.size = 1;
    e.modified = t;
    server.insert("b.html", e);
    server.insert("c.html", e);
    e.size = 2;
    server.insert("d.html", e);
    const auto rows = sitecompare::compare(local, server);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].path, "a.html");
    EXPECT_EQ(rows[0].state, sitecompare::State::OnlyHere);
    EXPECT_EQ(rows[1].state, sitecompare::State::Same);
    EXPECT_EQ(rows[2].path, "c.html");
    EXPECT_EQ(rows[2].state, sitecompare::State::OnlyOnServer);
    EXPECT_EQ(rows[3].state, sitecompare::State::Differs);
}

TEST(SiteCompare, LocalScanFollowsNoLinkAndLeavesOutExcludedNames) {
    QTemporaryDir root;
    QTemporaryDir outside;
    const QString site = root.path() + "/site";
    ASSERT_TRUE(writeFile(site + "/index.html", "x"));
    ASSERT_TRUE(writeFile(site + "/css/a.css", "yy"));
    ASSERT_TRUE(writeFile(site + "/.git/HEAD", "ref"));
    ASSERT_TRUE(writeFile(site + "/page.html~", "old"));
    ASSERT_TRUE(writeFile(outside.path() + "/secret.txt", "s"));
    ASSERT_TRUE(QFile::link(outside.path(), site + "/linked"));
    ASSERT_TRUE(QFile::link(outside.path() + "/secret.txt", site + "/secret.txt"));
    const auto scan = sitecompare::scanLocal(site, Exclusions());
    ASSERT_TRUE(scan.ok);
    EXPECT_EQ(scan.files.keys(), (QStringList{"css/a.css", "index.html"}));
    EXPECT_EQ(scan.files.value("css/a.css").size, 2);
    EXPECT_EQ(scan.folders, QStringList{"css"});
    QStringList skipped;
    for (const auto& s : scan.skipped)
        skipped << s.path;
    skipped.sort();
    EXPECT_EQ(skipped, (QStringList{"linked", "secret.txt"}));
}

TEST(DownloadTarget, NothingIsWrittenThroughALinkOrOutsideTheSite) {
    QTemporaryDir root;
    QTemporaryDir outside;
    const QString site = root.path() + "/site";
    ASSERT_TRUE(QDir().mkpath(site + "/css"));
    ASSERT_TRUE(writeFile(site + "/file", "f"));
    ASSERT_TRUE(writeFile(outside.path() + "/victim.html", "v"));
    ASSERT_TRUE(QFile::link(outside.path(), site + "/img"));
    ASSERT_TRUE(QFile::link(outside.path() + "/victim.html", site + "/page.html"));
    ASSERT_TRUE(QFile::link(outside.path() + "/nothing", site + "/dangling.html"));
    struct Case {
        const char* path;
        bool allowed;
    };
    const Case cases[] = {
        {"index.html", true},
        {"css/site.css", true},
        {"new/deeper/a.html", true},
        {"img/a.png", false},     // a folder that is a link
        {"page.html", false},     // a file that is a link
        {"dangling.html", false}, // a link to nothing
        {"file/a.html", false},   // a file where a folder is needed
        {"css", false},           // a folder where the file would go
        {"../escape.html", false},
        {"a/../../escape.html", false},
        {"a\\b.html", false},
    };
    for (const Case& c : cases) {
        QString problem;
        const QString target =
            DownloadJob::prepareTarget(site, QString::fromUtf8(c.path), &problem);
        EXPECT_EQ(!target.isEmpty(), c.allowed) << c.path << ": " << problem.toStdString();
        if (!target.isEmpty()) {
            EXPECT_TRUE(target.startsWith(site + "/")) << target.toStdString();
        } else {
            EXPECT_FALSE(problem.isEmpty()) << c.path;
        }
    }
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{"victim.html"});
    EXPECT_FALSE(QFile::exists(root.path() + "/escape.html"));
}

TEST(ServerState, AChangeOnTheServerIsSeenWithinEachListingsPrecision) {
    struct Case {
        qint64 thenSize;
        const char* then;
        qint64 thenPrecision;
        qint64 nowSize;
        const char* now;
        qint64 nowPrecision;
        bool changed;
    };
    const Case cases[] = {
        {10, "2026-12-08T04:40:37Z", 1, 10, "2026-12-08T04:40:37Z", 1, false},
        {10, "2026-12-08T04:40:37Z", 1, 10, "2026-12-08T04:40:38Z", 1, true},
        {10, "2026-12-08T04:40:37Z", 1, 11, "2026-12-08T04:40:37Z", 1, true},
        // To the minute: a change within the same minute and size can't be seen,
        // the next minute can.
        {10, "2026-12-08T04:40:00Z", 60, 10, "2026-12-08T04:40:00Z", 60, false},
        {10, "2026-12-08T04:40:00Z", 60, 10, "2026-12-08T04:41:00Z", 60, true},
        // The exact time remembered, the minute listed now.
        {10, "2026-12-08T04:40:37Z", 1, 10, "2026-12-08T04:40:00Z", 60, false},
        {10, "2026-12-08T04:40:37Z", 1, 10, "2026-12-08T04:39:00Z", 60, true},
        // A listing that shows only the day once the file is old.
        {10, "2026-06-08T04:40:00Z", 60, 10, "2026-06-08T00:00:00Z", 86400, false},
        {10, "2026-06-08T04:40:00Z", 60, 10, "2026-06-09T00:00:00Z", 86400, true},
    };
    for (const Case& c : cases) {
        ServerEntry then;
        then.size = c.thenSize;
        then.modified = utc(c.then);
        then.precision = c.thenPrecision;
        ServerEntry now;
        now.size = c.nowSize;
        now.modified = utc(c.now);
        now.precision = c.nowPrecision;
        EXPECT_EQ(ServerState::changedSince(then, now), c.changed) << c.then << " -> " << c.now;
    }
}

TEST(ServerState, KeptPerSiteAndServerFolder) {
    QTemporaryDir dir;
    const QString record = dir.path() + "/NeedingUpload.dict";
    Site site;
    site.setValue(sitekey::sitename, "Web");
    site.setValue(sitekey::server, "example.org");
    site.setValue(sitekey::serverfolder, "/www");
    ServerState state;
    state.load(site, record);
    EXPECT_TRUE(state.isEmpty());
    ServerEntry e;
    e.size = 5;
    e.modified = utc("2026-12-08T04:40:37Z");
    e.precision = 60;
    state.remember("a/b.html", e);
    QString problem;
    ASSERT_TRUE(state.save(&problem)) << problem.toStdString();

    ServerState again;
    again.load(site, record);
    ASSERT_TRUE(again.remembered("a/b.html").has_value());
    EXPECT_EQ(again.remembered("a/b.html")->size, 5);
    EXPECT_EQ(again.remembered("a/b.html")->modified, e.modified);
    EXPECT_EQ(again.remembered("a/b.html")->precision, 60);

    // Another server folder: a fresh start.
    site.setValue(sitekey::serverfolder, "/other");
    again.load(site, record);
    EXPECT_TRUE(again.isEmpty());
    // A damaged file: a fresh start too, never a crash.
    site.setValue(sitekey::serverfolder, "/www");
    ASSERT_TRUE(writeFile(ServerState::pathFor(site, record), "{not json"));
    again.load(site, record);
    EXPECT_TRUE(again.isEmpty());
}

// The last status line of the upload, the download and the deletions, from
// the one summary they share: each file counted once, the reason the
// failures share or the first one's, and a job-wide error instead of any
// file's.
TEST(FileOutcomes, ResultLines) {
    struct Case {
        const char* name;
        FileVerb verb;
        QStringList files;
        QStringList done;
        QList<QPair<QString, QString>> failed;
        QString jobError;
        QString expected;
        QStringList expectedFailed;
    };
    const QList<Case> cases = {
        {"all downloaded",
         FileVerb::Download,
         {"a", "b"},
         {"b", "a"},
         {},
         {},
         "Successful download of all files",
         {}},
        {"one not deleted",
         FileVerb::Delete,
         {"a", "b"},
         {"a"},
         {{"b", "550 No"}},
         {},
         "Error deleting \"b\": 550 No",
         {"b"}},
        {"a shared reason",
         FileVerb::Upload,
         {"a", "b", "c"},
         {"a"},
         {{"b", "full"}, {"c", "full"}},
         {},
         "Error uploading 2 of 3 files: full",
         {"b", "c"}},
        {"different reasons",
         FileVerb::Download,
         {"a", "b", "c"},
         {},
         {{"b", "gone"}, {"a", "refused"}},
         {},
         "Error downloading 3 of 3 files; the first, \"a\": refused",
         {"a", "b", "c"}},
        {"a file named twice counts once",
         FileVerb::Delete,
         {"a", "a", "b"},
         {"b"},
         {},
         {},
         "Error deleting \"a\": Not run",
         {"a"}},
        {"the job stopped",
         FileVerb::Download,
         {"a", "b"},
         {"a"},
         {{"b", "x"}},
         "Cancelled",
         "ERROR: Cancelled",
         {"b"}},
        {"an error already marked",
         FileVerb::Delete,
         {"a"},
         {},
         {},
         "ERROR: Can't initiate FTP.",
         "ERROR: Can't initiate FTP.",
         {"a"}},
        {"a failure mended by a later success",
         FileVerb::Upload,
         {"a"},
         {"a"},
         {{"a", "x"}},
         {},
         "Successful upload of all files",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileOutcomes outcomes(c.files, "Not run");
        for (const auto& [path, why] : c.failed)
            outcomes.setFailed(path, why);
        for (const QString& path : c.done)
            outcomes.setDone(path);
        outcomes.setJobError(c.jobError);
        EXPECT_EQ(outcomes.resultText(c.verb), c.expected);
        EXPECT_EQ(outcomes.failedFiles(), c.expectedFailed);
        EXPECT_EQ(outcomes.done(), c.done);
        for (const QString& path : c.done)
            EXPECT_TRUE(outcomes.failureOf(path).isEmpty()) << path.toStdString();
    }
}

// The figures of the progress display, from the totals, what is done and
// the time since the start.
TEST(TransferProgress, SpeedTimeLeftAndCounts) {
    struct Case {
        int files;
        qint64 bytes;
        int filesDone;
        qint64 bytesDone;
        qint64 ms;
        double speed;
        qint64 left;
        const char* text;
    };
    constexpr qint64 MB = qint64(1024) * 1024;
    const Case cases[] = {
        // Nothing done yet: no speed, no time left.
        {10, 10 * MB, 0, 0, 0, 0.0, -1, "0 of 10 files, 0 B of 10.0 MB, 0 B/s"},
        // 2 MB in 2 s: 1 MB/s, 8 s for the 8 MB left.
        {10, 10 * MB, 2, 2 * MB, 2000, double(MB), 8,
         "2 of 10 files, 2.0 MB of 10.0 MB, 1.0 MB/s, about 8 s left"},
        // A part of a second left rounds up, never to 0 s.
        {3, 3000, 2, 2000, 1000, 2000.0, 1,
         "2 of 3 files, 2.0 KB of 2.9 KB, 2.0 KB/s, about 1 s left"},
        // Minutes and hours are written as such.
        {2, 100 * MB, 1, MB, 1000, double(MB), 99,
         "1 of 2 files, 1.0 MB of 100.0 MB, 1.0 MB/s, about 1 min 39 s left"},
        {2, 8000 * MB, 1, 100 * MB, 100000, double(MB), 7900,
         "1 of 2 files, 100.0 MB of 7.8 GB, 1.0 MB/s, about 2 h 11 min left"},
        // Small pages first: under a hundredth of the bytes, no guess yet.
        {33, 17 * MB, 9, 135, 4000, 33.75, -1, "9 of 33 files, 135 B of 17.0 MB, 33 B/s"},
        // Nor within the first second.
        {2, 2 * MB, 1, MB, 500, double(2 * MB), -1, "1 of 2 files, 1.0 MB of 2.0 MB, 2.0 MB/s"},
        // All done: no time left shown.
        {1, 512, 1, 512, 500, 1024.0, -1, "1 of 1 file, 512 B of 512 B, 1.0 KB/s"},
        // Deletions have no bytes: files only.
        {4, 0, 3, 0, 100, 0.0, -1, "3 of 4 files"},
        // Done within the first millisecond: the speed stays finite.
        {1, 1000, 1, 1000, 0, 1000000.0, -1, "1 of 1 file, 1000 B of 1000 B, 976.6 KB/s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TransferProgress p;
        p.start(c.files, c.bytes, 5000);
        p.setDone(c.filesDone, c.bytesDone, 5000 + c.ms);
        EXPECT_DOUBLE_EQ(p.bytesPerSecond(), c.speed);
        EXPECT_EQ(p.secondsLeft(), c.left);
        EXPECT_EQ(p.countsText(), QString::fromUtf8(c.text));
        EXPECT_EQ(p.filesDone(), c.filesDone);
        EXPECT_EQ(p.bytesDone(), c.bytesDone);
    }
}

TEST(TransferProgress, OnlyFilesOverOneMegabyteGetTheirOwnBar) {
    const struct {
        qint64 size;
        bool bar;
    } cases[] = {{0, false},
                 {qint64(1024) * 1024, false},
                 {qint64(1024) * 1024 + 1, true},
                 {qint64(5) << 30, true}};
    for (const auto& c : cases) {
        TransferProgress p;
        p.start(1, c.size, 0);
        p.setCurrentFile("big.bin", c.size);
        EXPECT_EQ(p.showsFileBar(), c.bar) << c.size;
    }
}

// The command line's display writes nothing at all when it is off.
TEST(TerminalProgress, WritesOnlyWhenEnabled) {
    for (const bool enabled : {false, true}) {
        QString err;
        {
            QTextStream stream(&err, QIODevice::WriteOnly);
            TerminalProgress display(stream, enabled);
            display.start(2, 0);
            display.setDone(1, 0);
            display.makeWay();
            display.setDone(2, 0);
        }
        EXPECT_EQ(err, enabled ? QString("\r\x1b[K1/2 files\r\x1b[K\r\x1b[K2/2 files\r\x1b[K")
                               : QString())
            << enabled;
    }
}

// An upload with deletions removes only what is gone here. What the local
// scan could not see (a link it never follows, an unreadable or too deep
// folder, or the site folder's own top) is not gone: a server file there,
// or below it, is never deleted.
TEST(ServerDeletions, NothingTheLocalScanSkippedIsTakenForDeleted) {
    struct Case {
        const char* name;
        QStringList skipped;
        QStringList expectedFiles;
        QStringList expectedFolders;
    };
    const QList<Case> cases = {
        {"nothing skipped", {}, {"gone.html", "images/a.png", "images/b.png"}, {"images"}},
        {"a link here where the server has a folder", {"images"}, {"gone.html"}, {}},
        {"an unreadable folder deeper down", {"images/b.png"}, {"gone.html", "images/a.png"}, {}},
        {"a name that only begins like the skipped one",
         {"image"},
         {"gone.html", "images/a.png", "images/b.png"},
         {"images"}},
        {"the site folder's top unreadable", {""}, {}, {}},
    };
    QMap<QString, ServerEntry> server;
    for (const char* path : {"index.html", "gone.html", "images/a.png", "images/b.png"}) {
        ServerEntry e;
        e.name = QString::fromLatin1(path).section(u'/', -1);
        e.size = 10;
        server.insert(QString::fromLatin1(path), e);
    }
    for (const Case& c : cases) {
        sitecompare::LocalScan local;
        local.files.insert(QStringLiteral("index.html"), sitecompare::LocalFile{});
        for (const QString& s : c.skipped)
            local.skipped.append({s, QStringLiteral("skipped")});
        const sitecompare::Deletions d = sitecompare::serverDeletions(
            local, server, {QStringLiteral("images")}, [](const QString&) { return false; },
            Exclusions());
        EXPECT_EQ(d.files, c.expectedFiles) << c.name;
        EXPECT_EQ(d.folders, c.expectedFolders) << c.name;
    }
}
