// A page in the preview is kept away from the computer: it cannot read files
// outside the site by XHR, fetch, an image or a frame, while its own
// stylesheets, images, scripts and frames load; it cannot go to file
// addresses or unknown schemes; pipes, devices and links that lead nowhere
// are never read; its dialogs say they are the page's and can be stopped;
// and a link that leaves the site opens in the user's browser only when the
// user activated that very link. Results are read back from the page.
#include "previewfixture.h"

#include "qtprinters.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    ASSERT_TRUE(waitUntil([&] { return pageText() == QLatin1String("landed"); }));
    // Nothing but the two pages of the site was ever shown. (In full-suite
    // runs under load the landing page's finish was now and then not told as
    // a load of its own; the cause is not known yet. What counts here is
    // that no other page was shown.)
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.first(), QUrl::fromLocalFile(at("wander.html")));
    for (const QUrl& url : std::as_const(shown))
        EXPECT_TRUE(url == QUrl::fromLocalFile(at("wander.html")) ||
                    url == QUrl::fromLocalFile(at("landing.html")))
            << url.toString().toStdString();
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
    ASSERT_TRUE(waitForPointer(target, QPoint(50, 50)));
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(50, 50));
    ASSERT_TRUE(waitUntil([&] { return !RecordingPlatform::current().openedUrls.isEmpty(); }));
    EXPECT_EQ(RecordingPlatform::current().openedUrls, QList<QUrl>{outside});
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(at("links.html")));
    EXPECT_TRUE(server->requests.isEmpty());
}

TEST_F(PreviewIsolationTest, APageFromDiskLoadsItsOwnFilesAndNothingBesideTheSite) {
    // Beside the site folder, in the same parent.
    writeFile(homeDir() + "/beside.txt", kSecret);
    writeFile(homeDir() + "/beside.html", QByteArray("<p>") + kSecret + "</p>");
    ASSERT_TRUE(QImage(3, 2, QImage::Format_RGB32).save(homeDir() + "/beside.png"));
    ASSERT_TRUE(QDir().mkpath(at("img")));
    ASSERT_TRUE(QImage(5, 4, QImage::Format_RGB32).save(at("img/logo.png")));
    writeFile(at("css/style.css"), "body { color: rgb(1, 2, 3) }");
    writeFile(at("js/app.js"), "window.scriptRan = true;");
    writeFile(at("frame.html"), "<p>own frame</p>");
    writeFile(at("styled.html"), R"(<title>Styled</title>
<link rel="stylesheet" href="css/style.css"><script src="js/app.js"></script>
<body><img id=own src="img/logo.png"><img id=beside src="../beside.png">
<iframe id=ownframe src="frame.html"></iframe><iframe id=besideframe src="../beside.html"></iframe>
<script>
window.reads = {};
function settle(img) {
  return new Promise(done => { if (img.complete) done(); else { img.onload = img.onerror = done; } });
}
async function run() {
  try { const x = new XMLHttpRequest(); x.open('GET', '../beside.txt', false); x.send();
        reads.xhr = x.responseText; } catch (e) { reads.xhr = 'error'; }
  try { reads.fetch = await (await fetch('../beside.txt')).text(); } catch (e) { reads.fetch = 'error'; }
  await settle(document.getElementById('own'));
  await settle(document.getElementById('beside'));
  reads.finished = true;
}
window.addEventListener('load', run);
</script></body>)");
    app->actionRefresh();
    ASSERT_TRUE(previewAndWait("styled.html"));
    ASSERT_TRUE(
        waitUntil([&] { return js("window.reads && window.reads.finished === true").toBool(); },
                  std::chrono::seconds(60)));
    // The site's own files.
    EXPECT_EQ(js("getComputedStyle(document.body).color").toString(), "rgb(1, 2, 3)");
    EXPECT_EQ(js("document.getElementById('own').naturalWidth").toInt(), 5);
    EXPECT_TRUE(js("window.scriptRan === true").toBool());
    EXPECT_EQ(js("document.getElementById('ownframe').contentDocument.body.innerText").toString(),
              "own frame");
    // The file beside the site, by every way.
    EXPECT_EQ(js("document.getElementById('beside').naturalWidth").toInt(), 0);
    const QString reads = js("JSON.stringify(window.reads)").toString();
    EXPECT_FALSE(reads.contains(QLatin1String(kSecret))) << reads.toStdString();
    EXPECT_FALSE(js("(function(){ try { const d = document.getElementById('besideframe')"
                    ".contentDocument; return d ? d.documentElement.innerText : ''; }"
                    " catch (e) { return ''; } })()")
                     .toString()
                     .contains(QLatin1String(kSecret)));
}

// A pipe named like a page, a link to a device and a link into /proc: each
// is refused with a page that says why, reached by a selection or by the
// page's own script, and the window goes on.
TEST_F(PreviewIsolationTest, PipesDevicesAndLinksThatLeadNowhereAreNeverRead) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("feed.php")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", at("zero.php")));
    ASSERT_TRUE(QFile::link("/proc/self/fd/251", at("fd.php")));
    writeFile(at("jump.html"), "<title>Jump</title><img src='feed.php'><iframe src='feed.php'>"
                               "</iframe><script>location.href = 'feed.php';</script>");
    app->actionRefresh();
    // Watches the pipe for a reader: one that waits in open() is let go at
    // once (so a fault fails the test instead of holding it) and counted.
    std::atomic<bool> stop{false};
    std::atomic<int> readers{0};
    std::thread watch([&, fifo = QFile::encodeName(at("feed.php"))] {
        while (!stop) {
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ++readers;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const auto joinWatch = qScopeGuard([&] {
        stop = true;
        watch.join();
    });

    struct Case {
        const char* name;
        const char* says;
    };
    for (const Case& c : {Case{"feed.php", "is not a regular file"},
                          Case{"zero.php", "leads outside the site folder"},
                          Case{"fd.php", "leads outside the site folder"}}) {
        ASSERT_TRUE(actAndWait([&] { app->preview()->previewPath(at(c.name)); })) << c.name;
        EXPECT_FALSE(lastOk) << c.name;
        EXPECT_TRUE(pageText().contains(QLatin1String(c.says))) << pageText().toStdString();
    }

    // The page's own script goes to the pipe.
    ASSERT_TRUE(previewAndWait("jump.html"));
    ASSERT_TRUE(waitUntil([&] { return pageText().contains("is not a regular file"); },
                          std::chrono::seconds(30)))
        << pageText().toStdString();
    EXPECT_EQ(labelURL(), "file://" + at("jump.html"));
    EXPECT_EQ(readers, 0);
}

// A page that opens alert after alert: each dialog names the page, and once
// the user asks, the page gets no more of them until it is previewed anew.
TEST_F(PreviewIsolationTest, APagesDialogsNameThePageAndCanBeStopped) {
    writeFile(at("alerts.html"), R"(<title>Alerts</title><script>
window.done = false;
setTimeout(() => {
  for (let i = 0; i < 30; ++i) alert('Your computer is infected ' + i);
  window.confirmed = confirm('Call support?');
  window.done = true;
}, 0);
</script>)");
    app->actionRefresh();
    int dialogs = 0;
    QString origin;
    QString message;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(w);
            if (!dialog || !dialog->isVisible() || w->objectName() != "pageDialog")
                continue;
            ++dialogs;
            origin = w->findChild<QLabel*>("pageDialogOrigin")->text();
            message = w->findChild<QLabel*>("pageDialogMessage")->text();
            // The first is just answered; the second stops the rest.
            if (dialogs % 2 == 0)
                w->findChild<QCheckBox*>("pageDialogStop")->setChecked(true);
            dialog->accept();
        }
    });
    answer.start();
    for (int round = 1; round <= 2; ++round) {
        ASSERT_TRUE(actAndWait([&] { app->preview()->previewPath(at("alerts.html")); }));
        ASSERT_TRUE(
            waitUntil([&] { return js("window.done").toBool(); }, std::chrono::seconds(60)));
        EXPECT_EQ(dialogs, 2 * round);
        EXPECT_TRUE(origin.contains("alerts.html")) << origin.toStdString();
        EXPECT_EQ(message, "Your computer is infected 1");
        EXPECT_FALSE(js("window.confirmed").toBool());
    }
}

// The page's script decides, after a click, where to go: only the target of
// the link the user clicked is handed to the browser.
TEST_F(PreviewIsolationTest, OnlyTheLinkTheUserActivatedGoesToTheBrowser) {
    const QUrl outside(server->base() + "/elsewhere.html");
    const QUrl evil(server->base() + "/chosen-by-the-page.html");
    writeFile(
        at("hijack.html"),
        QStringLiteral("<title>Hijack</title><body style='margin:0'>"
                       "<a id=out href='%1' style='display:block;height:100px'>out</a>"
                       "<div id=blank style='height:100px'>blank</div><script>"
                       "window.hijack = true;"
                       "document.getElementById('out').addEventListener('click', e => {"
                       "  if (window.hijack) { e.preventDefault(); location.href = '%2'; } });"
                       "document.getElementById('blank').addEventListener('click', () => {"
                       "  location.href = '%2'; });"
                       "</script></body>")
            .arg(outside.toString(), evil.toString())
            .toUtf8());
    app->actionRefresh();
    ASSERT_TRUE(previewAndWait("hijack.html"));
    QWidget* target = view()->widget()->focusProxy();
    ASSERT_NE(target, nullptr);
    ASSERT_TRUE(waitForPointer(target, QPoint(50, 150)));
    // A click beside the link, then on the link whose target the page swaps.
    ASSERT_TRUE(clickSeen(target, QPoint(50, 150)));
    ASSERT_TRUE(clickSeen(target, QPoint(50, 50)));
    js("window.hijack = false");
    // Then on the link as it is: that, and only that, reaches the browser.
    ASSERT_TRUE(clickSeen(target, QPoint(52, 50)));
    ASSERT_TRUE(waitUntil([&] { return !RecordingPlatform::current().openedUrls.isEmpty(); }));
    js("1");
    EXPECT_EQ(RecordingPlatform::current().openedUrls, QList<QUrl>{outside});
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(at("hijack.html")));
    EXPECT_TRUE(server->requests.isEmpty());
}

} // namespace
} // namespace morvane::test
