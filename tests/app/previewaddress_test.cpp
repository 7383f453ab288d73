// The preview's addresses and pages, decided without a web view.
#include "app/pagefile.h"
#include "app/previewaddress.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace morvane::test {
namespace {

using namespace preview;

TEST(PreviewAddressTest, EverySegmentIsEscapedCompletelyButTheSeparator) {
    EXPECT_EQ(escapePath("sub/my page.html"), "sub/my%20page.html");
    EXPECT_EQ(escapePath("a?b.html"), "a%3Fb.html");
    EXPECT_EQ(escapePath("c#1.html"), "c%231.html");
    EXPECT_EQ(escapePath("x&y=z.html"), "x%26y%3Dz.html");
    EXPECT_EQ(escapePath("100%.html"), "100%25.html");
    EXPECT_EQ(escapePath("caf\u00e9.html"), "caf%C3%A9.html");
    EXPECT_EQ(escapePath("it's \"q\" <b>.html"), "it%27s%20%22q%22%20%3Cb%3E.html");
}

TEST(PreviewAddressTest, TheLocalAddressIsTakenAsItIs) {
    QString problem;
    EXPECT_EQ(localServerUrl("http://localhost/~me/s", "p.php", &problem),
              QUrl("http://localhost/~me/s/p.php"));
    EXPECT_EQ(localServerUrl("http://localhost/~me/s/", "p.php", &problem),
              QUrl("http://localhost/~me/s/p.php"));
    EXPECT_EQ(localServerUrl("http://127.0.0.1:8080", "a b.php", &problem).toEncoded(),
              QByteArray("http://127.0.0.1:8080/a%20b.php"));
    // An escape already in the local address is not escaped a second time.
    EXPECT_EQ(localServerUrl("http://localhost/my%20site/", "a#1.html", &problem).toEncoded(),
              QByteArray("http://localhost/my%20site/a%231.html"));
    EXPECT_EQ(localServerUrl("localhost:8000/s", "i.html", &problem).toEncoded(),
              QByteArray("http://localhost:8000/s/i.html"));
    for (const char* bad : {"http://", "ftp://host/", "http://host/?q=1", "::::", "http://a b/",
                            "htp:/localhost", "mailto:me@example.org"}) {
        problem.clear();
        EXPECT_FALSE(localServerUrl(bad, "i.html", &problem).isValid()) << bad;
        EXPECT_TRUE(problem.contains(QLatin1String("not a web address"))) << bad;
    }
}

TEST(PreviewAddressTest, PagesOfTheProgramEscapeWhatTheyShow) {
    const QString page = errorPage("<script>alert(1)</script> 'x'", -102, true);
    EXPECT_FALSE(page.contains("<script>"));
    EXPECT_TRUE(page.contains("&lt;script&gt;alert(1)&lt;/script&gt; &#39;x&#39;"));
    EXPECT_TRUE(page.contains("Error Code: -102"));
    EXPECT_TRUE(page.contains("make sure your local web server is running"));
    EXPECT_FALSE(errorPage("x", -6, false).contains("web server"));
}

TEST(PreviewAddressTest, InsideTheSiteMeansBelowItsFolderOrItsLocalAddress) {
    QTemporaryDir dir;
    const QString site = dir.path() + "/site";
    QDir().mkpath(site + "/sub");
    QDir().mkpath(dir.path() + "/site2");
    QFile::link(dir.path(), site + "/escape");
    EXPECT_TRUE(isInsideFolder(QUrl::fromLocalFile(site + "/sub/a.html"), site));
    EXPECT_TRUE(isInsideFolder(QUrl::fromLocalFile(site + "/new.html"), site));
    EXPECT_FALSE(isInsideFolder(QUrl::fromLocalFile(site + "/../site2/a.html"), site));
    EXPECT_FALSE(isInsideFolder(QUrl::fromLocalFile(dir.path() + "/site2/a.html"), site));
    EXPECT_FALSE(isInsideFolder(QUrl::fromLocalFile(site + "/escape/site2"), site));
    EXPECT_FALSE(isInsideFolder(QUrl("file:///etc/passwd"), site));
    EXPECT_FALSE(isInsideFolder(QUrl("http://localhost/site/a.html"), site));

    const QString local = "http://localhost:8080/site";
    EXPECT_TRUE(isInsideLocalUrl(QUrl("http://localhost:8080/site/a.php?x=1"), local));
    EXPECT_TRUE(isInsideLocalUrl(QUrl("http://LOCALHOST:8080/site"), local));
    EXPECT_FALSE(isInsideLocalUrl(QUrl("http://localhost:8080/site2/a.php"), local));
    EXPECT_FALSE(isInsideLocalUrl(QUrl("http://localhost/site/a.php"), local));
    EXPECT_FALSE(isInsideLocalUrl(QUrl("https://localhost:8080/site/a.php"), local));
    EXPECT_FALSE(isInsideLocalUrl(QUrl("http://localhost:8080/site/a.php"), QString()));
}

// Special files and links that lead nowhere a page could name: only a
// regular file inside the site is read, and reading one never waits on a
// pipe nor reads without end.
TEST(PreviewAddressTest, OnlyRegularFilesThatResolveInsideTheSiteAreRead) {
    QTemporaryDir dir;
    const QString site = dir.path() + "/site";
    QDir().mkpath(site + "/sub");
    QDir().mkpath(dir.path() + "/outside");
    {
        QFile page(site + "/page.php");
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<p>page</p>");
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(site + "/feed.php").constData(), 0600), 0);
    QFile::link("/proc/self/fd/251", site + "/fd.php");
    QFile::link("/dev/zero", site + "/zero.php");
    QFile::link(site + "/gone.html", site + "/dangling.html");
    QFile::link(dir.path() + "/outside", site + "/ext");
    QFile::link(site + "/sub", site + "/inner");

    struct Case {
        const char* name;
        bool inside;   // resolveInside finds it in the site
        bool siteFile; // a page may load it
    };
    const Case cases[] = {
        {"page.php", true, true},          {"not-yet.html", true, true},
        {"sub/missing.html", true, true},  {"inner/x.html", true, true},
        {"feed.php", true, false},         {"fd.php", false, false},
        {"zero.php", false, false},        {"dangling.html", false, false},
        {"ext/note.md", false, false},     {"sub", true, false},
        {"nofolder/x.html", false, false},
    };
    for (const Case& c : cases) {
        const QString path = site + "/" + c.name;
        EXPECT_EQ(!resolveInside(site, path).isEmpty(), c.inside) << c.name;
        EXPECT_EQ(isSiteFile(site, path), c.siteFile) << c.name;
    }
    EXPECT_EQ(resolveInside(site, site + "/inner/x.html"), site + "/sub/x.html");
    // A site folder reached through a link keeps its own spelling.
    ASSERT_TRUE(QFile::link(site, dir.path() + "/alias"));
    EXPECT_EQ(resolveInside(dir.path() + "/alias", site + "/inner/x.html"),
              dir.path() + "/alias/sub/x.html");
    EXPECT_EQ(resolveInside(dir.path() + "/alias/", dir.path() + "/alias"), dir.path() + "/alias");

    constexpr qint64 limit = 1000;
    EXPECT_EQ(readPageFile(site + "/page.php", limit).status, PageFile::Status::Read);
    EXPECT_EQ(readPageFile(site + "/page.php", limit).data, QByteArray("<p>page</p>"));
    // Opening the pipe returns at once; no writer is ever waited for.
    EXPECT_EQ(readPageFile(site + "/feed.php", limit).status, PageFile::Status::NotRegular);
    EXPECT_EQ(readPageFile(site + "/zero.php", limit).status, PageFile::Status::NotRegular);
    EXPECT_EQ(readPageFile(site + "/page.php", 5).status, PageFile::Status::TooLarge);
    EXPECT_EQ(readPageFile(site + "/gone.html", limit).status, PageFile::Status::Failed);
    EXPECT_FALSE(
        pageFileProblem(site + "/feed.php", readPageFile(site + "/feed.php", limit)).isEmpty());
}

TEST(PreviewAddressTest, RelativePathsAndLabels) {
    EXPECT_EQ(relativePath("/s/site", "/s/site/sub/p.php"), "sub/p.php");
    EXPECT_EQ(relativePath("/s/site/", "/s/site/p.php"), "p.php");
    EXPECT_EQ(relativePath("/s/site", "/s/site2/p.php"), QString());
    EXPECT_EQ(addressLabel(QUrl("about:blank")), QString());
    EXPECT_EQ(addressLabel(QUrl::fromEncoded("http://h/my%20page%C3%A9.html")),
              QString("http://h/my page\u00e9.html"));
    EXPECT_TRUE(isImage("/a/B.JPG"));
    EXPECT_FALSE(isImage("/a/b.svg"));
}

} // namespace
} // namespace morvane::test
