// The preview on the real web engine against a local web server of the
// test's own: which address each file is loaded from, that every file name
// reaches the server as exactly that file, the error page, the labels and
// the history of each preview, Markdown pages and the preview beside the
// editor. What is checked is read back from the web view itself.
#include "previewfixture.h"

#include "core/markdown.h"
#include "qtprinters.h"

#include <QAction>
#include <QDir>
#include <QFile>
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

    // The server runs now: Reload Page tries the file again.
    SiteServer late(site, QUrl(local).port());
    ASSERT_EQ(late.port(), QUrl(local).port());
    ASSERT_TRUE(actAndWait([&] { app->window()->actionReload()->trigger(); }));
    EXPECT_TRUE(lastOk);
    EXPECT_TRUE(pageText().startsWith(QStringLiteral("first body")));
    EXPECT_EQ(labelTitle(), QStringLiteral("First"));
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

TEST_F(PreviewTest, LinksBetweenPagesFromDiskAreFollowed) {
    ASSERT_TRUE(previewAndWait("first.html"));
    ASSERT_TRUE(actAndWait([&] { js(QStringLiteral("document.getElementById('l').click()")); }));
    EXPECT_TRUE(lastOk);
    EXPECT_EQ(pageText(), QStringLiteral("second body"));
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(at("second.html")));
    EXPECT_EQ(labelURL(), "file://" + at("first.html"));
    EXPECT_TRUE(backEnabled());
}

TEST_F(PreviewTest, EveryFileNameReachesTheServerAsExactlyThatFile) {
    const QStringList names = {"a b.html",  "c#1.html",       "a?b=1&c.html",
                               "100%.html", "it's.html",      "say \"hi\".html",
                               "<b>.html",  "caf\u00e9.html", "%41.html"};
    for (int i = 0; i < names.size(); ++i)
        ASSERT_TRUE(
            writeFile(at("names/" + names[i]), QStringLiteral("<p>file %1</p>").arg(i).toUtf8()));
    // A local address that holds an escape of its own.
    QFile::link(site, homeDir() + "/my site");
    setLocalUrl(server->base() + "/my%20site/");
    app->actionRefresh();
    for (int i = 0; i < names.size(); ++i) {
        server->requests.clear();
        ASSERT_TRUE(previewAndWait("names/" + names[i])) << names[i].toStdString();
        EXPECT_EQ(server->decodedPaths(), QStringList{"/my site/names/" + names[i]});
        EXPECT_EQ(pageText(), QStringLiteral("file %1").arg(i)) << names[i].toStdString();
    }
}

TEST_F(PreviewTest, AnImageNamedWithQuotesIsShownAndRunsNothing) {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString name = "x' onerror='document.title=\"hacked\"' y.png";
    ASSERT_TRUE(image.save(at(name), "PNG"));
    app->actionRefresh();
    ASSERT_TRUE(previewAndWait(name));
    EXPECT_EQ(js("document.images.length").toInt(), 1);
    EXPECT_TRUE(waitUntil([&] { return js("document.images[0].naturalWidth").toInt() == 4; }))
        << js("document.images[0].src + ' ' + document.images[0].complete + ' ' + location.href")
               .toString()
               .toStdString();
    // The name is no markup: nothing in the page carries a handler.
    EXPECT_EQ(js("document.querySelectorAll('[onerror]').length").toInt(), 0);
    EXPECT_NE(js("document.title").toString(), QStringLiteral("hacked"));
    EXPECT_EQ(labelURL(), "file://" + at(name));
}

TEST_F(PreviewTest, APageThatNeverLoadsIsReplacedByTheNextPreview) {
    writeFile(at("slow/never.html"), "<p>never</p>");
    setLocalUrl(server->base() + "/site/");
    server->holdPrefix = "/site/slow/";
    selectPath("slow/never.html");
    app->window()->tabView()->setCurrentIndex(1);
    ASSERT_TRUE(waitUntil([&] { return !server->requests.isEmpty(); }));
    // The window goes on: the user switches to another file.
    ASSERT_TRUE(previewAndWait("second.html"));
    EXPECT_TRUE(lastOk);
    EXPECT_EQ(pageText(), QStringLiteral("second body"));
    EXPECT_EQ(labelURL(), server->base() + "/site/second.html");
    EXPECT_EQ(labelTitle(), QStringLiteral("Second"));
}

TEST_F(PreviewTest, AnAddressThatIsNotValidSaysSoInThePreview) {
    setLocalUrl("htp:/localhost");
    ASSERT_TRUE(previewAndWait("first.html"));
    EXPECT_FALSE(lastOk);
    EXPECT_TRUE(pageText().contains(QStringLiteral("is not a web address")))
        << pageText().toStdString();
    EXPECT_EQ(labelURL(), QStringLiteral("htp:/localhost"));
}

TEST_F(PreviewTest, AMarkdownFileIsShownThroughTheHtmlMadeBesideIt) {
    writeFile(at("notes.md"), "# Notes\n\nSome *text*.\n");
    writeFile(at("mine.md"), "# Mine\n");
    writeFile(at("mine.html"), "<p>written by hand</p>");
    app->actionRefresh();
    ASSERT_TRUE(previewAndWait("notes.md"));
    const QByteArray html = readFile(at("notes.html"));
    EXPECT_TRUE(html.startsWith(markdown::kGeneratedHeader));
    EXPECT_TRUE(html.contains("<h1>Notes</h1>"));
    EXPECT_TRUE(marked("notes.html"));
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(at("notes.html")));
    EXPECT_EQ(pageText(), QStringLiteral("Notes\n\nSome text."));

    // A page the user wrote stays; the Markdown file itself is shown.
    ASSERT_TRUE(previewAndWait("mine.md"));
    EXPECT_EQ(readFile(at("mine.html")), QByteArray("<p>written by hand</p>"));
    ASSERT_EQ(RecordingPlatform::current().alerts.size(), 1);
    EXPECT_TRUE(alertTitles().value(0).contains("already exists"));
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(at("mine.md")));
    EXPECT_EQ(pageText().trimmed(), QStringLiteral("# Mine"));
}

TEST_F(PreviewTest, ThePreviewBesideTheEditorReloadsAfterASaveWhereItWas) {
    QByteArray tall = "<title>Tall</title>";
    for (int i = 0; i < 300; ++i)
        tall += "<p>line " + QByteArray::number(i) + "</p>\n";
    writeFile(at("tall.html"), tall);
    app->actionRefresh();
    app->window()->actionPreviewBeside()->trigger();
    EXPECT_TRUE(settings()->value("PreviewBesideEditor").toBool());
    ASSERT_TRUE(actAndWait([&] { selectPath("tall.html"); }))
        << currentName().toStdString() << app->preview()->previewedPath().toStdString();
    EXPECT_EQ(app->window()->tabView()->currentIndex(), 0);
    EXPECT_TRUE(app->window()->webViewBesideEditor());
    EXPECT_TRUE(editor()->isVisible());
    js("window.scrollTo(0, 900)");
    ASSERT_TRUE(waitUntil([&] { return js("window.scrollY").toInt() == 900; }))
        << js("window.innerHeight + ' ' + document.body.scrollHeight").toString().toStdString()
        << view()->widget()->width() << "x" << view()->widget()->height();

    typeAtEnd("<p>added</p>");
    ASSERT_TRUE(actAndWait([&] { app->actionSave(); }));
    EXPECT_TRUE(pageText().endsWith(QStringLiteral("added")));
    EXPECT_TRUE(waitUntil([&] { return js("window.scrollY").toInt() == 900; }))
        << js("window.scrollY").toInt();

    // Off again: the view goes back to its tab, and the choice is kept.
    app->window()->actionPreviewBeside()->trigger();
    EXPECT_FALSE(app->window()->webViewBesideEditor());
    EXPECT_FALSE(settings()->value("PreviewBesideEditor").toBool());
}

// A folder of the site that is a link to a folder elsewhere: the page made
// from a Markdown file in it would be written outside the site.
TEST_F(PreviewTest, AMarkdownFileThroughALinkedFolderIsNeverConvertedOutsideTheSite) {
    const QString outside = homeDir() + "/outside";
    QDir(outside).removeRecursively();
    writeFile(outside + "/note.md", "# Note\n");
    writeFile(at("real/inner.md"), "# Inner\n");
    ASSERT_TRUE(QFile::link(outside, at("ext")));
    ASSERT_TRUE(QFile::link(at("real"), at("docs")));
    app->actionRefresh();

    ASSERT_TRUE(actAndWait([&] { app->preview()->previewPath(at("ext/note.md")); }));
    EXPECT_FALSE(lastOk);
    EXPECT_TRUE(pageText().contains("leads outside the site folder")) << pageText().toStdString();
    EXPECT_FALSE(QFileInfo::exists(outside + "/note.html"));
    for (const QString& path : app->needingUpload().paths())
        EXPECT_FALSE(path.endsWith("note.html")) << path.toStdString();

    // A linked folder inside the site: the page is made beside the real file.
    ASSERT_TRUE(actAndWait([&] { app->preview()->previewPath(at("docs/inner.md")); }));
    EXPECT_TRUE(lastOk);
    EXPECT_TRUE(readFile(at("real/inner.html")).contains("<h1>Inner</h1>"));
    EXPECT_TRUE(marked("real/inner.html"));
}

// Chosen on the Preview tab, the preview comes beside the editor; it shows
// what is typed after a pause, with the page's own stylesheet, without
// writing the file; and after a restart it has half of the room.
TEST_F(PreviewTest, ThePreviewBesideTheEditorFollowsTypingWithoutSaving) {
    const QByteArray original =
        "<title>Live</title><link rel=stylesheet href=live.css><p>start</p>\n";
    writeFile(at("live.html"), original);
    writeFile(at("live.css"), "p { color: rgb(4, 5, 6) }");
    app->actionRefresh();
    ASSERT_TRUE(previewAndWait("live.html"));
    ASSERT_EQ(app->window()->tabView()->currentIndex(), 1);
    ASSERT_TRUE(actAndWait([&] { app->window()->actionPreviewBeside()->trigger(); }));
    EXPECT_EQ(app->window()->tabView()->currentIndex(), 0);
    EXPECT_TRUE(app->window()->webViewBesideEditor());
    EXPECT_TRUE(editor()->isVisible());

    typeAtEnd("<p>typed</p>");
    ASSERT_TRUE(waitUntil([&] { return pageText().contains("typed"); }, std::chrono::seconds(30)))
        << pageText().toStdString();
    EXPECT_EQ(js("getComputedStyle(document.querySelector('p')).color").toString(), "rgb(4, 5, 6)");
    EXPECT_EQ(readFile(at("live.html")), original);
    EXPECT_TRUE(app->openFiles()->currentFile()->isModified());
    EXPECT_FALSE(marked("live.html"));

    ASSERT_TRUE(actAndWait([&] { app->actionSave(); }));
    QObject::disconnect(connection);
    quitAndForget();
    launch();
    connection = QObject::connect(app->preview(), &PreviewController::pageLoaded, app->preview(),
                                  [this](bool ok) {
                                      ++loads;
                                      lastOk = ok;
                                  });
    auto* pane = app->window()->findChild<QWidget*>("previewBesideEditor");
    ASSERT_NE(pane, nullptr);
    if (!app->window()->webViewBesideEditor()) {
        ASSERT_TRUE(actAndWait([&] { selectPath("live.html"); }));
    }
    ASSERT_TRUE(app->window()->webViewBesideEditor());
    ASSERT_TRUE(waitUntil([&] { return pane->isVisible(); }));
    EXPECT_GT(pane->width(), pane->parentWidget()->width() * 2 / 5)
        << pane->width() << " of " << pane->parentWidget()->width();
}

} // namespace
} // namespace morvane::test
