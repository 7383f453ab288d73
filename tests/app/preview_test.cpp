// The preview on the real web engine against a local web server of the
// test's own: which address each file is loaded from, that every file name
// reaches the server as exactly that file, the error page, the labels and
// the history of each preview, Markdown pages and the preview beside the
// editor. What is checked is read back from the web view itself.
#include "previewfixture.h"

#include "upload/markdown.h"

#include <QAction>
#include <QImage>

namespace morvane::test {
namespace {

class PreviewTest : public PreviewFixture {
protected:
    void addFiles() override {
        writeFile(at("sub/page.php"), "<title>Sub page</title><p>sub page body</p>");
        writeFile(at("my page.html"), "<title>Mine</title><p>my page body</p>");
        writeFile(at("first.html"),
                  "<title>First</title><p>first body</p><a id=l href='second.html'>next</a>");
        writeFile(at("second.html"), "<title>Second</title><p>second body</p>");
        writeFile(at("untitled.html"), "<p>no title here</p>");
        writeFile(at("code.php"), "<p>before</p><?php echo 'ran'; ?><p>after</p>");
    }
};

TEST_F(PreviewTest, APageIsRequestedBelowTheLocalAddressWithOrWithoutItsSlash) {
    for (const QString& local : {server->base() + "/site/", server->base() + "/site"}) {
        setLocalUrl(local);
        server->requests.clear();
        ASSERT_TRUE(previewAndWait("sub/page.php")) << local.toStdString();
        EXPECT_TRUE(lastOk);
        EXPECT_EQ(server->requests.value(0), QByteArray("/site/sub/page.php"));
        EXPECT_EQ(view()->url(), QUrl(server->base() + "/site/sub/page.php"));
        EXPECT_EQ(pageText(), QStringLiteral("sub page body"));
        EXPECT_EQ(labelURL(), server->base() + "/site/sub/page.php");
        EXPECT_EQ(labelTitle(), QStringLiteral("Sub page"));
    }
}

TEST_F(PreviewTest, ASpaceIsRequestedEscapedAndShownPlain) {
    setLocalUrl(server->base() + "/site/");
    ASSERT_TRUE(previewAndWait("my page.html"));
    EXPECT_EQ(server->requests.value(0), QByteArray("/site/my%20page.html"));
    EXPECT_EQ(pageText(), QStringLiteral("my page body"));
    EXPECT_EQ(labelURL(), server->base() + "/site/my page.html");
}

TEST_F(PreviewTest, WithoutALocalAddressAPhpPageIsShownFromDisk) {
    ASSERT_TRUE(previewAndWait("code.php"));
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(at("code.php")));
    EXPECT_TRUE(server->requests.isEmpty());
    // Not run: the PHP block is no part of the shown text.
    EXPECT_TRUE(pageText().contains(QStringLiteral("before")));
    EXPECT_FALSE(pageText().contains(QStringLiteral("ran")));
}

TEST_F(PreviewTest, ARefusedConnectionShowsTheErrorPageWithTheServerHint) {
    const QString local = QStringLiteral("http://127.0.0.1:%1/").arg(SiteServer::closedPort());
    setLocalUrl(local);
    ASSERT_TRUE(previewAndWait("first.html"));
    EXPECT_FALSE(lastOk);
    const QString text = pageText();
    EXPECT_TRUE(text.contains(QStringLiteral("Error Loading Page"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("make sure your local web server is running")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Error Code: -102"))) << text.toStdString();
    EXPECT_EQ(labelURL(), local + "first.html");
    EXPECT_EQ(labelTitle(), QString());
    EXPECT_FALSE(backEnabled());
}

TEST_F(PreviewTest, AFollowedLinkKeepsTheLabelsAndANewPreviewStartsAfresh) {
    setLocalUrl(server->base() + "/site");
    ASSERT_TRUE(previewAndWait("first.html"));
    EXPECT_EQ(labelTitle(), QStringLiteral("First"));
    EXPECT_FALSE(backEnabled());
    ASSERT_TRUE(actAndWait([&] { js(QStringLiteral("document.getElementById('l').click()")); }));
    EXPECT_EQ(pageText(), QStringLiteral("second body"));
    EXPECT_EQ(labelURL(), server->base() + "/site/first.html");
    EXPECT_EQ(labelTitle(), QStringLiteral("First"));
    EXPECT_TRUE(backEnabled());
    EXPECT_TRUE(app->window()->actionBack()->isEnabled());

    // The next file: its own address, no title (the old one does not stay),
    // and nothing to go back to.
    ASSERT_TRUE(previewAndWait("untitled.html"));
    EXPECT_EQ(labelURL(), server->base() + "/site/untitled.html");
    EXPECT_EQ(labelTitle(), QString());
    EXPECT_FALSE(backEnabled());
    EXPECT_FALSE(app->window()->buttonForward()->isEnabled());
    app->actionBack();
    ASSERT_TRUE(actAndWait([&] { app->actionReload(); }));
    EXPECT_EQ(pageText(), QStringLiteral("no title here"));
}

} // namespace
} // namespace morvane::test
