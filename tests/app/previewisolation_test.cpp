// A page in the preview is kept away from the computer: it cannot read files
// outside the site by XHR, fetch or a frame, cannot go to file addresses or
// unknown schemes, and a link that leaves the site opens in the user's
// browser only when the user clicked it. Results are read back from the page.
#include "previewfixture.h"

#include "qtprinters.h"

#include <QMouseEvent>
#include <QTest>

namespace morvane::test {
namespace {

const char kSecret[] = "secret-password-4711";

class PreviewIsolationTest : public PreviewFixture {
protected:
    void addFiles() override {
        writeFile(homeDir() + "/private/secret.txt", kSecret);
        const QString targets =
            QStringLiteral("{passwd: 'file:///etc/passwd', secret: '%1'}")
                .arg(QUrl::fromLocalFile(homeDir() + "/private/secret.txt").toString());
        writeFile(at("reader.html"), (R"(<title>Reader</title><body><script>
window.results = {};
async function run() {
  const targets = )" + targets + R"(;
  for (const [k, u] of Object.entries(targets)) {
    try { const x = new XMLHttpRequest(); x.open('GET', u, false); x.send();
          results['xhr-' + k] = x.responseText; } catch (e) { results['xhr-' + k] = 'error'; }
    try { const r = await fetch(u); results['fetch-' + k] = await r.text(); }
    catch (e) { results['fetch-' + k] = 'error'; }
    await new Promise(done => {
      const f = document.createElement('iframe');
      f.onload = () => {
        try { results['iframe-' + k] = f.contentWindow.location.href + ' ' +
                (f.contentDocument ? f.contentDocument.documentElement.innerText : ''); }
        catch (e) { results['iframe-' + k] = 'error'; }
        done();
      };
      f.src = u;
      document.body.appendChild(f);
      setTimeout(() => {
        if (!(('iframe-' + k) in results)) results['iframe-' + k] = 'nothing loaded';
        done();
      }, 2000);
    });
  }
  results.finished = true;
}
run();
</script></body>)")
                                         .toUtf8());
        writeFile(at("wander.html"), R"(<title>Wander</title><script>
setTimeout(() => { location.href = 'file:///etc/passwd'; }, 0);
setTimeout(() => { location.href = 'weird-scheme:anything'; }, 50);
setTimeout(() => { location.href = 'mailto:x@example.org?body=stolen'; }, 100);
setTimeout(() => { location.href = 'landing.html'; }, 200);
</script>)");
        writeFile(at("landing.html"), "<title>Landing</title><p>landed</p>");
    }
};

TEST_F(PreviewIsolationTest, APageCannotReadFilesOutsideTheSite) {
    ASSERT_TRUE(previewAndWait("reader.html"));
    ASSERT_TRUE(waitUntil([&] { return js("window.results.finished === true").toBool(); },
                          std::chrono::seconds(60)))
        << js("JSON.stringify(window.results)").toString().toStdString();
    const QString results = js("JSON.stringify(window.results)").toString();
    EXPECT_FALSE(results.contains(QLatin1String(kSecret))) << results.toStdString();
    EXPECT_FALSE(results.contains(QLatin1String("root:"))) << results.toStdString();
    // Every way was tried.
    for (const char* key : {"xhr-passwd", "fetch-passwd", "iframe-passwd", "xhr-secret",
                            "fetch-secret", "iframe-secret"})
        EXPECT_TRUE(results.contains(QLatin1String(key))) << key;
    EXPECT_TRUE(RecordingPlatform::current().openedUrls.isEmpty());
}

TEST_F(PreviewIsolationTest, APageCannotGoToFilesOrUnknownSchemesOrSendTheUserAway) {
    QList<QUrl> shown;
    QObject::connect(app->preview(), &PreviewController::pageLoaded, app->preview(),
                     [&] { shown.append(view()->url()); });
    ASSERT_TRUE(previewAndWait("wander.html"));
    ASSERT_TRUE(waitUntil([&] { return view()->url() == QUrl::fromLocalFile(at("landing.html")); },
                          std::chrono::seconds(30)));
    ASSERT_TRUE(waitUntil([&] { return shown.size() >= 2; }));
    EXPECT_EQ(shown, (QList<QUrl>{QUrl::fromLocalFile(at("wander.html")),
                                  QUrl::fromLocalFile(at("landing.html"))}));
    EXPECT_EQ(pageText(), QStringLiteral("landed"));
    EXPECT_TRUE(RecordingPlatform::current().openedUrls.isEmpty());
}

TEST_F(PreviewIsolationTest, ALinkOutOfTheSiteOpensInTheBrowserOnlyOnTheUsersClick) {
    const QUrl outside(server->base() + "/elsewhere.html");
    writeFile(at("links.html"),
              QStringLiteral("<title>Links</title><body style='margin:0'><a id=out href='%1' "
                             "style='display:block;width:400px;height:200px'>out</a></body>")
                  .arg(outside.toString())
                  .toUtf8());
    app->actionRefresh();
    ASSERT_TRUE(previewAndWait("links.html"));
    // The page's own script clicks it: nothing happens.
    js("document.getElementById('out').click()");
    js("1"); // one more turn of the page
    EXPECT_TRUE(RecordingPlatform::current().openedUrls.isEmpty());
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(at("links.html")));

    // The user clicks it: the browser gets it, the preview stays.
    QWidget* target = view()->widget()->focusProxy();
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(50, 50));
    ASSERT_TRUE(waitUntil([&] { return !RecordingPlatform::current().openedUrls.isEmpty(); }));
    EXPECT_EQ(RecordingPlatform::current().openedUrls, QList<QUrl>{outside});
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(at("links.html")));
    EXPECT_TRUE(server->requests.isEmpty());
}

} // namespace
} // namespace morvane::test
