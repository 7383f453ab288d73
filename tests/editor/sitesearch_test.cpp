// Find and Replace in Site on real files in a temporary site folder: which
// files are searched, what a result holds, and how each kind of file fares
// when its matches are replaced while it is closed.
#include "core/textfile.h"
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

} // namespace
} // namespace morvane
