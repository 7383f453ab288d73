// Find and Replace in Site on real files in a temporary site folder: which
// files are searched, what a result holds, and how each kind of file fares
// when its matches are replaced while it is closed.
#include "core/textfile.h"
#include "editor/siteprefilter.h"
#include "editor/sitereplace.h"
#include "editor/sitesearch.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace morvane {
namespace {

using test::readFile;
using test::writeFile;

class SiteSearchTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    // Runs a search to its end; the files with matches by path.
    QHash<QString, SiteFileResult> search(SiteSearchRequest request) {
        request.root = dir.path();
        SiteSearch s;
        QHash<QString, SiteFileResult> out;
        QObject::connect(&s, &SiteSearch::found, [&](const QList<SiteFileResult>& files) {
            for (const SiteFileResult& f : files)
                out.insert(QDir(dir.path()).relativeFilePath(f.path), f);
        });
        bool done = false;
        QObject::connect(&s, &SiteSearch::finished, [&] { done = true; });
        EXPECT_TRUE(s.start(request));
        EXPECT_TRUE(test::waitUntil([&] { return done; }));
        return out;
    }
    SiteSearchRequest requestFor(const char* pattern, FindOptions options = {}) const {
        SiteSearchRequest r;
        r.pattern = QString::fromUtf8(pattern);
        r.options = options;
        return r;
    }

    QTemporaryDir dir;
};

TEST_F(SiteSearchTest, SearchesTheSiteTextFilesOnly) {
    ASSERT_TRUE(writeFile(path("index.html"), "<footer>2023</footer>\n<p>x</p>\n<p>2023 2023</p>"));
    ASSERT_TRUE(writeFile(path("css/site.css"), "/* 2023 */"));
    ASSERT_TRUE(writeFile(path("logo.png"), QByteArray("\x89PNG\r\n\x1a\n2023", 12)));
    ASSERT_TRUE(writeFile(path("data.bin"), QByteArray("2023\0\0\0", 7)));
    ASSERT_TRUE(writeFile(path("node_modules/x/a.js"), "2023"));
    ASSERT_TRUE(writeFile(path(".git/config"), "2023"));
    ASSERT_TRUE(writeFile(path("big.txt"), QByteArray(2000, 'a') + "2023"));
    ASSERT_TRUE(writeFile(path("open.php"), "nothing on disk"));

    SiteSearchRequest r = requestFor("2023");
    r.sizeLimit = 1000;
    r.openTexts.insert(path("open.php"), QStringLiteral("<?php\n// 2023\n"));
    const auto found = search(r);
    EXPECT_EQ(QSet<QString>(found.keyBegin(), found.keyEnd()),
              (QSet<QString>{"index.html", "css/site.css", "open.php"}));
    const SiteFileResult& index = found.value(QStringLiteral("index.html"));
    ASSERT_EQ(index.matches.size(), 3);
    EXPECT_EQ(index.matches[0].line, 1);
    EXPECT_EQ(index.matches[0].column, 9);
    EXPECT_EQ(index.matches[1].line, 3);
    EXPECT_EQ(index.matches[2].column, 9);
    EXPECT_EQ(index.matches[2].lineText, QStringLiteral("<p>2023 2023</p>"));
    EXPECT_TRUE(found.value(QStringLiteral("open.php")).fromEditor);
}

TEST_F(SiteSearchTest, SwitchesOfTheFindBarApply) {
    ASSERT_TRUE(writeFile(path("a.html"), "Year year years"));
    const struct {
        const char* pattern;
        FindOptions options;
        int matches;
    } cases[] = {
        {"year", {}, 3},
        {"year", {true, false, false}, 2},
        {"year", {false, true, false}, 2},
        {"y(ea)r\\b", {false, false, true}, 2},
    };
    for (const auto& c : cases) {
        const auto found = search(requestFor(c.pattern, c.options));
        EXPECT_EQ(found.value(QStringLiteral("a.html")).matches.size(), c.matches) << c.pattern;
    }
    SiteSearch s;
    EXPECT_FALSE(s.start(requestFor("(", {false, false, true})));
}

TEST_F(SiteSearchTest, EveryEncodingAndLineEndIsSearchedAsTheEditorReadsIt) {
    const struct {
        const char* name;
        QByteArray bytes;
        const char* pattern;
        FindOptions options;
        int matches;
    } cases[] = {
        {"latin.html", "<p>Caf\xe9 OLD</p>", "old", {}, 1},
        {"latin-accent.html", "<p>Caf\xe9</p>", "caf\xc3\xa9", {}, 1},
        {"crlf.html", "one\r\ntwo\r\n", "one\ntwo", {}, 1},
        {"cr.html", "one\rtwo\r", "one\ntwo", {}, 1},
        {"utf16.html", QByteArray("\xff\xfe<\0p\0>\0o\0l\0d\0", 14), "OLD", {}, 1},
        {"bom.html", "\xef\xbb\xbfold", "old", {true, false, false}, 1},
        {"case.html", "Old", "old", {true, false, false}, 0},
        {"word.html", "golden", "old", {false, true, false}, 0},
    };
    for (const auto& c : cases) {
        QDir(dir.path()).removeRecursively();
        ASSERT_TRUE(writeFile(dir.filePath(QString::fromUtf8(c.name)), c.bytes)) << c.name;
        const auto found = search(requestFor(c.pattern, c.options));
        EXPECT_EQ(found.value(QString::fromUtf8(c.name)).matches.size(), c.matches) << c.name;
    }
}

TEST_F(SiteSearchTest, ReplacingAClosedFileKeepsItsEncodingAndLineEnds) {
    const struct {
        const char* name;
        QByteArray before;
        const char* pattern;
        bool regex;
        const char* replacement;
        ReplaceFileStatus status;
        QByteArray after;
    } cases[] = {
        {"crlf.html", "<p>2023</p>\r\n<p>2023</p>\r\n", "2023", false, "2024",
         ReplaceFileStatus::Replaced, "<p>2024</p>\r\n<p>2024</p>\r\n"},
        {"latin.html", "<p>caf\xe9 2023</p>\n", "2023", false, "2024 \xc3\xa9t\xc3\xa9",
         ReplaceFileStatus::Replaced, "<p>caf\xe9 2024 \xe9t\xe9</p>\n"},
        {"groups.html", "<a href=\"old.css\">\n", "href=\"(\\w+)\\.css\"", true,
         "href=\"\\1-new.css\"", ReplaceFileStatus::Replaced, "<a href=\"old-new.css\">\n"},
        {"unencodable.html", "caf\xe9 2023\n", "2023", false, "\xe4\xb8\xad",
         ReplaceFileStatus::Unencodable, "caf\xe9 2023\n"},
        {"gone.html", "no year here\n", "2023", false, "2024", ReplaceFileStatus::NoMatch,
         "no year here\n"},
    };
    for (const auto& c : cases) {
        const QString p = dir.filePath(QString::fromUtf8(c.name));
        ASSERT_TRUE(writeFile(p, c.before)) << c.name;
        const Finder finder(QString::fromUtf8(c.pattern), {false, false, c.regex});
        const ReplaceFileResult r =
            replaceInFile(p, stampOf(p), finder, QString::fromUtf8(c.replacement));
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(readFile(p), c.after) << c.name;
    }
}

TEST_F(SiteSearchTest, FilesThatMustNotBeWrittenAreLeftAlone) {
    const Finder finder(QStringLiteral("2023"), {});
    const QString changed = path("changed.html");
    ASSERT_TRUE(writeFile(changed, "2023"));
    const FileStamp searched = stampOf(changed);
    ASSERT_TRUE(writeFile(changed, "2023 and more, written by another program"));
    EXPECT_EQ(replaceInFile(changed, searched, finder, QStringLiteral("2024")).status,
              ReplaceFileStatus::ChangedOnDisk);
    EXPECT_EQ(readFile(changed), "2023 and more, written by another program");

    const QString locked = path("locked.html");
    ASSERT_TRUE(writeFile(locked, "2023"));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup);
    // Root may write anything; the check is then about the permission bits.
    EXPECT_EQ(replaceInFile(locked, stampOf(locked), finder, QStringLiteral("2024")).status,
              ReplaceFileStatus::ReadOnly);
    EXPECT_EQ(readFile(locked), "2023");

    const QString binary = path("binary.dat");
    ASSERT_TRUE(writeFile(binary, QByteArray("2023\0\0", 6)));
    EXPECT_EQ(replaceInFile(binary, stampOf(binary), finder, QStringLiteral("2024")).status,
              ReplaceFileStatus::Unreadable);
    EXPECT_EQ(readFile(binary), QByteArray("2023\0\0", 6));
}

TEST_F(SiteSearchTest, StopEndsTheSearch) {
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("f%1.html").arg(i)), "needle\n"));
    SiteSearchRequest r = requestFor("needle");
    r.root = dir.path();
    SiteSearch s;
    QSignalSpy finished(&s, &SiteSearch::finished);
    ASSERT_TRUE(s.start(r));
    s.stop();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(s.isRunning());
}

// The look at the raw bytes may pass a file over only when it surely holds
// no match: a wrong "no" loses results.
TEST(BytePrefilterTest, PassesOverOnlyFilesWithoutAMatch) {
    const FindOptions sensitive{true, false, false};
    const struct {
        const char* pattern;
        FindOptions options;
        QByteArray bytes;
        bool mayMatch;
    } cases[] = {
        {"footer", {}, "<p>no</p><FOOTER>", true},
        {"footer", {}, "<p>no</p><foote", false},
        {"footer", sensitive, "<FOOTER>", false},
        {"footer", sensitive, "x footer", true},
        {"ab", {}, "xxaaab", true},
        {"a", {}, "A", true},
        {"2023", {}, "year 2022", false},
        // Case folding reaches k and s from outside ASCII too.
        {"kilo", {}, "\xe2\x84\xaailo", true},
        {"ask", {}, "a\xc5\xbfk", true},
        {"kilo", sensitive, "\xe2\x84\xaailo", false},
        // UTF-16 is not looked at; nor are regular expressions and
        // patterns outside ASCII.
        {"old", {}, QByteArray("\xff\xfe<\0o\0l\0d\0", 10), true},
        {"o.d", {false, false, true}, "nothing", true},
        {"caf\xc3\xa9", {}, "caf\xe9", true},
        {"", {}, "anything", true},
    };
    for (const auto& c : cases) {
        const BytePrefilter filter(QString::fromUtf8(c.pattern), c.options);
        EXPECT_EQ(filter.mayMatch(c.bytes), c.mayMatch) << c.pattern << " in " << c.bytes.data();
    }
}

// A file with the Kelvin sign is found for "k" by the full search; the
// quick look must not pass it over.
TEST_F(SiteSearchTest, CaseFoldingFromOutsideAsciiIsFound) {
    ASSERT_TRUE(writeFile(path("kelvin.html"), "300 \xe2\x84\xaa"));
    const auto found = search(requestFor("300 k"));
    EXPECT_EQ(found.value(QStringLiteral("kelvin.html")).matches.size(), 1);
}

// Several workers search at once; the results still come grouped by file
// in the walk's order (folders and files by name), each file once.
TEST_F(SiteSearchTest, ResultsComeInTheWalkOrderEachFileOnce) {
    QStringList expected;
    for (int folder = 0; folder < 6; ++folder) {
        for (int i = 0; i < 40; ++i) {
            const QString name =
                QStringLiteral("d%1/p%2.html").arg(folder).arg(i, 2, 10, QChar(u'0'));
            // Files of very different sizes finish out of order.
            const QByteArray body = QByteArray(qsizetype(i % 7) * 40000, 'x') + "\nneedle\n";
            ASSERT_TRUE(writeFile(dir.filePath(name), i % 3 ? body : QByteArray("none")));
            if (i % 3)
                expected << name;
        }
    }
    ASSERT_TRUE(writeFile(path("top.html"), "needle"));
    expected.prepend(QStringLiteral("top.html"));
    SiteSearchRequest r = requestFor("needle");
    r.root = dir.path();
    SiteSearch s;
    QStringList order;
    int searched = 0;
    QObject::connect(&s, &SiteSearch::found, [&](const QList<SiteFileResult>& files) {
        for (const SiteFileResult& f : files)
            order << QDir(dir.path()).relativeFilePath(f.path);
    });
    QObject::connect(&s, &SiteSearch::finished, [&](bool, int n) { searched = n; });
    QSignalSpy finished(&s, &SiteSearch::finished);
    ASSERT_TRUE(s.start(r));
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(order, expected);
    EXPECT_EQ(searched, 241);
}

class SiteReplaceTest : public SiteSearchTest {
protected:
    // `n` closed files holding "old" ten times each.
    QList<SiteReplaceFile> makeFiles(int n) {
        QList<SiteReplaceFile> files;
        for (int i = 0; i < n; ++i) {
            const QString p = dir.filePath(QStringLiteral("f%1.html").arg(i));
            EXPECT_TRUE(writeFile(p, QByteArray("<p>old</p>\n").repeated(10)));
            files.append({p, stampOf(p)});
        }
        return files;
    }
};

TEST_F(SiteReplaceTest, ReplacesEveryFileAndReportsEachOnce) {
    QList<SiteReplaceFile> files = makeFiles(60);
    const QString locked = files[5].path;
    QFile::setPermissions(locked, QFile::ReadOwner);
    ASSERT_TRUE(writeFile(files[7].path, "<p>old, rewritten meanwhile</p>"));
    SiteReplace replace;
    QHash<QString, ReplaceFileResult> outcomes;
    int lastDone = 0;
    QObject::connect(&replace, &SiteReplace::filesDone,
                     [&](const QList<SiteReplaceOutcome>& done, int n, int total) {
                         for (const SiteReplaceOutcome& o : done) {
                             EXPECT_FALSE(outcomes.contains(o.path)) << o.path.toStdString();
                             outcomes.insert(o.path, o.result);
                         }
                         EXPECT_GE(n, lastDone);
                         EXPECT_EQ(total, 60);
                         lastDone = n;
                     });
    QSignalSpy finished(&replace, &SiteReplace::finished);
    ASSERT_TRUE(replace.start(files, QStringLiteral("old"), {}, QStringLiteral("new")));
    EXPECT_FALSE(replace.start(files, QStringLiteral("old"), {}, QStringLiteral("new")));
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_FALSE(finished[0][0].toBool());
    EXPECT_EQ(finished[0][1].toInt(), 60);
    ASSERT_EQ(outcomes.size(), 60);
    EXPECT_EQ(outcomes[locked].status, ReplaceFileStatus::ReadOnly);
    EXPECT_EQ(outcomes[files[7].path].status, ReplaceFileStatus::ChangedOnDisk);
    EXPECT_EQ(outcomes[files[0].path].status, ReplaceFileStatus::Replaced);
    EXPECT_EQ(outcomes[files[0].path].count, 10);
    EXPECT_EQ(readFile(files[0].path), QByteArray("<p>new</p>\n").repeated(10));
    EXPECT_EQ(readFile(locked), QByteArray("<p>old</p>\n").repeated(10));
}

// Stopped midway, every file is wholly old or wholly new, and the files
// reported as replaced are exactly the new ones.
TEST_F(SiteReplaceTest, StoppingMidwayLeavesNoFileHalfWritten) {
    const QList<SiteReplaceFile> files = makeFiles(400);
    SiteReplace replace;
    QSet<QString> replaced;
    QObject::connect(&replace, &SiteReplace::filesDone,
                     [&](const QList<SiteReplaceOutcome>& done, int, int) {
                         for (const SiteReplaceOutcome& o : done)
                             if (o.result.status == ReplaceFileStatus::Replaced)
                                 replaced.insert(o.path);
                         replace.stop();
                     });
    QSignalSpy finished(&replace, &SiteReplace::finished);
    ASSERT_TRUE(replace.start(files, QStringLiteral("old"), {}, QStringLiteral("new")));
    ASSERT_TRUE(finished.wait(20000));
    const QByteArray before = QByteArray("<p>old</p>\n").repeated(10);
    const QByteArray after = QByteArray("<p>new</p>\n").repeated(10);
    int changed = 0;
    for (const SiteReplaceFile& f : files) {
        const QByteArray now = readFile(f.path);
        EXPECT_TRUE(now == before || now == after) << f.path.toStdString();
        EXPECT_EQ(now == after, replaced.contains(f.path)) << f.path.toStdString();
        changed += now == after;
    }
    EXPECT_GE(finished[0][1].toInt(), changed);
    // Either it stopped before the end, or the disk was quicker than the
    // first report; both leave whole files.
    if (finished[0][0].toBool()) {
        EXPECT_LT(changed, 400);
    }
    // No temporary file of an atomic write is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 400);
}

} // namespace
} // namespace morvane
